#include "ui/ControllerActions.h"

#include "run/MainController.h"
#include "ui/Gui.h"

namespace velmor {

ControlUnit ControllerActions::openStructure(const PathPrompt& askPath)
{
    const std::optional<std::string> path = askPath();
    if (!path)
        return controller_.drain(); // a cancelled dialog changes nothing
    controller_.openFile(*path);
    return controller_.drain();
}

ControlUnit ControllerActions::saveStructure(const PathPrompt& askPath)
{
    controller_.beginSave();
    // The save commands are off while the dialog is open.
    window_.mirror(controller_.drain());
    const std::optional<std::string> path = askPath();
    if (path)
        controller_.saveFile(*path);
    else
        controller_.saveCancelled();
    return controller_.drain();
}

ControlUnit ControllerActions::freeStructure()
{
    controller_.freeStructure();
    return controller_.drain();
}

void ControllerActions::exitProgram()
{
    controller_.prepareExit();
}

ControlUnit ControllerActions::reductionMenu(bool on)
{
    controller_.reductionMenu(on);
    return controller_.drain();
}

ControlUnit ControllerActions::directionMenu(bool directed)
{
    controller_.directionMenu(directed);
    return controller_.drain();
}

ControlUnit ControllerActions::start()
{
    controller_.startRun();
    return controller_.drain();
}

ControlUnit ControllerActions::pause()
{
    controller_.pauseRun();
    return controller_.drain();
}

ControlUnit ControllerActions::resume()
{
    controller_.resumeRun();
    return controller_.drain();
}

ControlUnit ControllerActions::stop()
{
    controller_.stopRun();
    return controller_.drain();
}

ControlUnit ControllerActions::stopAlgorithm(Algorithm a)
{
    controller_.stopAlgorithm(a);
    return controller_.drain();
}

ControlUnit ControllerActions::menuBarToggled(bool)
{
    controller_.setReportCascade(0);
    return controller_.drain();
}

ControlUnit ControllerActions::optionChanged(const std::string& control, bool checked)
{
    controller_.userCheck(control, checked);
    return controller_.drain();
}

ControlUnit ControllerActions::nodeChosen(const std::string& control, int index)
{
    controller_.userSelect(control, index);
    return controller_.drain();
}

ControlUnit ControllerActions::nodeTyped(const std::string& control, const std::string& text)
{
    controller_.userType(control, text);
    return controller_.drain();
}

ControlUnit ControllerActions::errorClosed()
{
    controller_.errorClosed();
    return controller_.drain();
}

ControlUnit ControllerActions::pendingChanges()
{
    return controller_.drain();
}

} // namespace velmor
