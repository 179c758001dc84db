#pragma once

#include "ui/MainActions.h"

#include <functional>
#include <memory>
#include <vector>

namespace velmor {

class MainController;
class TForm1;
class TForm4;
struct ReportContent;

// Hands the main window's user events to the program's controller and gives
// back what changed, for the window to mirror.
class ControllerActions : public MainActions {
public:
    // Also connects the editor and the matrix window to the controller.
    ControllerActions(MainController& controller, TForm1& window);
    ~ControllerActions() override;
    ControllerActions(const ControllerActions&) = delete;
    ControllerActions& operator=(const ControllerActions&) = delete;

    ControlUnit newStructure() override;

    ControlUnit openStructure(const PathPrompt& askPath) override;
    ControlUnit saveStructure(const PathPrompt& askPath) override;
    ControlUnit freeStructure() override;
    void exitProgram() override;

    ControlUnit reductionMenu(bool on) override;
    ControlUnit directionMenu(bool directed) override;

    ControlUnit showMatrix() override;
    ControlUnit start() override;
    ControlUnit pause() override;
    ControlUnit resume() override;
    ControlUnit stop() override;
    ControlUnit stopAlgorithm(Algorithm a) override;

    ControlUnit allReports() override;
    ControlUnit reportFromMenu(Algorithm a) override;
    ControlUnit reportFromResultsBar(Algorithm a) override;

    ControlUnit menuBarToggled(bool shown) override;
    ControlUnit optionChanged(const std::string& control, bool checked) override;
    ControlUnit nodeChosen(const std::string& control, int index) override;
    ControlUnit nodeTyped(const std::string& control, const std::string& text) override;
    ControlUnit errorClosed() override;
    ControlUnit pendingChanges() override;

    // The detailed-report windows opened so far, oldest first; closed ones
    // stay hidden until the program ends.
    std::vector<TForm4*> reportWindows() const;

protected:
    MainController& controller() { return controller_; }
    TForm1& window() { return window_; }

private:
    void connectEditor();
    void connectMatrix();
    // Creates, places and shows a report window; its report arrives through
    // the returned delivery, on the user-interface thread.
    std::function<void(std::shared_ptr<ReportContent>)> openReportWindow(Algorithm kind, int number, int left, int top);

    MainController& controller_;
    TForm1& window_;
    std::vector<std::unique_ptr<TForm4>> reports_;
};

} // namespace velmor
