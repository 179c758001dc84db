#pragma once

#include "run/RunEvents.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <variant>
#include <vector>

namespace velmor {

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Indicator colours.
inline constexpr Rgb kSkyBlue{166, 202, 240}; // no structure, or not chosen
inline constexpr Rgb kBlue{0, 0, 255};        // structure present, before a run
inline constexpr Rgb kYellow{255, 255, 0};    // chosen in the running run
inline constexpr Rgb kGreen{0, 255, 0};       // ended with success
inline constexpr Rgb kRed{255, 0, 0};         // stopped, limited or with anomalies
inline constexpr Rgb kBlack{0, 0, 0};         // failed

// One change to a control of the main window, naming the control by its
// component name ("play", "Start1", "ABR_pok", "Shape1", "StringGrid1", ...).
struct ControlChange {
    enum class Kind {
        Enable,   // control, on
        Check,    // control, on: check box, radio button or menu check mark
        Text,     // control, text: label, edit field, combo box text
        Items,    // control, items: replaces a combo box's items (kept sorted)
        Select,   // control, text: the item to select; empty = no selection
        Cell,     // row, column, text of the summary grid
        RowCount, // number: rows of the summary grid
        Colour,   // control, colour: indicator lamp
        Progress, // number: progress bar position
        Error,    // text, second: the error window, disabling the main window
        Procedure, // text: a rule of the window that reads its present state
                   // ("refreshAlgorithmChoice", "reductionMarks", "resetReportCascade",
                   // "reportControls", "resultControls")
        Flag,     // control, on: a state flag of the window ("structurePresent", "runOn")
    };

    Kind kind = Kind::Enable;
    std::string control;
    bool on = false;
    int row = 0;
    int column = 0;
    int number = 0;
    Rgb colour;
    std::string text;
    std::string second;
    std::vector<std::string> items;

    static ControlChange enable(std::string control, bool on);
    static ControlChange check(std::string control, bool on);
    static ControlChange setText(std::string control, std::string text);
    static ControlChange setItems(std::string control, std::vector<std::string> items);
    static ControlChange select(std::string control, std::string item);
    static ControlChange cell(int row, int column, std::string text);
    static ControlChange rowCount(int rows);
    static ControlChange fill(std::string control, Rgb colour);
    static ControlChange progress(int position);
    static ControlChange error(std::string first, std::string second);
    static ControlChange procedure(std::string name);
    static ControlChange flag(std::string name, bool on);
};

// A sequence of changes that belongs together and is carried out whole.
using ControlUnit = std::vector<ControlChange>;

// What travels on the channel: the main window's own changes (loads, saves)
// or a run's events, which the main window turns into changes itself.
using ChannelItem = std::variant<ControlUnit, RunEvent>;

// The one ordered path from worker threads to the window: items are taken
// out in the order in which they were posted, and never interleave.
class ControlChannel {
public:
    // Any thread. The wake-up callback (if set) runs after the item is queued.
    void post(ControlUnit unit);
    void post(RunEvent event);
    // The consuming thread: every queued item, oldest first.
    std::vector<ChannelItem> takeAll();
    // Called on every post, on the posting thread; the desktop program uses it
    // to schedule a drain on its UI thread.
    void setWakeUp(std::function<void()> wakeUp);
    bool empty() const;

private:
    mutable std::mutex lock_;
    void push(ChannelItem item);

    std::deque<ChannelItem> queue_;
    std::function<void()> wakeUp_;
};

} // namespace velmor
