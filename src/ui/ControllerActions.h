#pragma once

#include "ui/MainActions.h"

namespace velmor {

class MainController;
class TForm1;

// Hands the main window's user events to the program's controller and gives
// back what changed, for the window to mirror.
class ControllerActions : public MainActions {
public:
    ControllerActions(MainController& controller, TForm1& window) : controller_(controller), window_(window) {}

    ControlUnit openStructure(const PathPrompt& askPath) override;
    ControlUnit saveStructure(const PathPrompt& askPath) override;
    ControlUnit freeStructure() override;
    void exitProgram() override;

    ControlUnit reductionMenu(bool on) override;
    ControlUnit directionMenu(bool directed) override;

    ControlUnit start() override;
    ControlUnit pause() override;
    ControlUnit resume() override;
    ControlUnit stop() override;
    ControlUnit stopAlgorithm(Algorithm a) override;

    ControlUnit menuBarToggled(bool shown) override;
    ControlUnit optionChanged(const std::string& control, bool checked) override;
    ControlUnit nodeChosen(const std::string& control, int index) override;
    ControlUnit nodeTyped(const std::string& control, const std::string& text) override;
    ControlUnit errorClosed() override;
    ControlUnit pendingChanges() override;

protected:
    MainController& controller() { return controller_; }
    TForm1& window() { return window_; }

private:
    MainController& controller_;
    TForm1& window_;
};

} // namespace velmor
