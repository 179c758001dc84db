#include "run/MainController.h"
#include "ui/Application.h"
#include "ui/ControllerActions.h"
#include "ui/Gui.h"
#include "ui/Windows.h"

#include <memory>

int main(int argc, char** argv)
{
    velmor::VelmorApplication app(argc, argv);
    velmor::setApplicationTitle(QString::fromUtf8(velmor::kMainCaption));
    velmor::applyProgramStyle();

    // The controller (with the workspace it owns) lives until the process
    // ends: threads that read it may still run when the program exits.
    auto* controller = new velmor::MainController;
    std::unique_ptr<velmor::ProgramWindows> windows;
    try {
        windows = std::make_unique<velmor::ProgramWindows>(controller->workspace());
    } catch (const std::exception& error) {
        velmor::showException(QString::fromUtf8(error.what()));
        return 1;
    }
    velmor::TForm1* mainWindow = windows->form1.get();
    auto* actions = new velmor::ControllerActions(*controller, *mainWindow);
    mainWindow->setActions(actions);
    controller->channel().setWakeUp([mainWindow] { mainWindow->requestDrain(); });
    mainWindow->mirror(controller->drain());
    mainWindow->show();

    try {
        return app.exec();
    } catch (const std::exception& error) {
        velmor::showException(QString::fromUtf8(error.what()));
    } catch (...) {
        velmor::showException(QString());
    }
    return 1;
}
