#pragma once

#include "ui/MainActions.h"

#include <functional>
#include <memory>
#include <vector>

class QObject;

namespace velmor {

class MainController;
class TForm1;
class TForm4;
class TForm9;
struct ReportContent;

// Hands the main window's user events to the program's controller and gives
// back what changed, for the window to mirror.
class ControllerActions : public MainActions {
public:
    // Also connects the editor, the matrix and the picture windows to the controller.
    ControllerActions(MainController& controller, TForm1& window);
    ~ControllerActions() override;
    ControllerActions(const ControllerActions&) = delete;
    ControllerActions& operator=(const ControllerActions&) = delete;

    ControlUnit newStructure() override;

    ControlUnit openStructure(const PathPrompt& askPath) override;
    ControlUnit saveStructure(const PathPrompt& askPath) override;
    ControlUnit saveResults(const PathPrompt& askPath) override;
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
    ControlUnit importance() override;
    ControlUnit showPicture() override;

    ControlUnit menuBarToggled(bool shown) override;
    ControlUnit optionChanged(const std::string& control, bool checked) override;
    ControlUnit nodeChosen(const std::string& control, int index) override;
    ControlUnit nodeTyped(const std::string& control, const std::string& text) override;
    ControlUnit errorClosed() override;
    ControlUnit pendingChanges() override;

    // The detailed-report windows that are open, oldest first. A closed one
    // is released, with everything it shows, as soon as its close is over.
    std::vector<TForm4*> reportWindows() const;
    // "Važnost elemenata": made when it first opens, null before.
    TForm9* importanceWindow() const { return importance_.get(); }

protected:
    MainController& controller() { return controller_; }
    TForm1& window() { return window_; }

private:
    void connectEditor();
    void connectMatrix();
    void connectPicture();
    // The controller's changes since the last call; the picture, when it is
    // shown, follows those that change what it draws.
    ControlUnit drain();
    // Places and shows a window that draws the structure, then fills it
    // from the board as it is once the pending changes are applied.
    template <typename Window>
    ControlUnit showFilled(Window* window);
    // Creates, places and shows a report window; its report arrives through
    // the returned delivery, on the user-interface thread.
    std::function<void(std::shared_ptr<ReportContent>)> openReportWindow(Algorithm kind, int number, int left, int top);
    void reportWindowClosed(TForm4* window);
    void releaseClosedReports();

    MainController& controller_;
    TForm1& window_;
    std::vector<std::unique_ptr<TForm4>> reports_;
    std::vector<TForm4*> closedReports_; // released by the next queued release
    std::unique_ptr<TForm9> importance_;
    // The context of the queued releases: they end with this object.
    std::unique_ptr<QObject> releases_;
};

} // namespace velmor
