#pragma once

#include "run/ControlChannel.h"

#include <map>
#include <string>
#include <vector>

namespace velmor {

// The state of one control of the main window as the program sees it.
struct ControlState {
    bool enabled = true;
    bool checked = false;
    std::string text;
    std::vector<std::string> items; // sorted, as a sorted combo box keeps them
    int selected = -1;
    Rgb colour = kSkyBlue;
};

// The main window's controls without any widget: every change of the control
// channel lands here first, so the program's rules can be checked headless and
// the desktop window only mirrors what the board holds.
class ControlBoard {
public:
    static constexpr int kGridColumns = 5;

    // Applies one change; true when it changed something.
    bool apply(const ControlChange& change);

    const ControlState& control(const std::string& name) const;
    bool enabled(const std::string& name) const { return control(name).enabled; }
    bool checked(const std::string& name) const { return control(name).checked; }
    const std::string& text(const std::string& name) const { return control(name).text; }
    // Text of the selected item of a combo box; empty when nothing is chosen.
    std::string selectedItem(const std::string& name) const;

    int rowCount() const { return static_cast<int>(grid_.size()); }
    const std::string& cell(int row, int column) const;
    int progress() const { return progress_; } // as set; above 10000 means full

    struct ErrorReport {
        std::string first;
        std::string second;
    };
    const std::vector<ErrorReport>& errors() const { return errors_; }
    // The error window is showing and the main window is disabled.
    bool errorShowing() const { return errorShowing_; }
    void closeError() { errorShowing_ = false; }

private:
    ControlState& state(const std::string& name) { return controls_[name]; }

    std::map<std::string, ControlState> controls_;
    std::vector<std::vector<std::string>> grid_ = std::vector<std::vector<std::string>>(2, std::vector<std::string>(kGridColumns));
    int progress_ = 0;
    std::vector<ErrorReport> errors_;
    bool errorShowing_ = false;
};

} // namespace velmor
