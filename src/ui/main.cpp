#include "run/MainController.h"
#include "ui/Application.h"
#include "ui/ControllerActions.h"
#include "ui/DesktopArguments.h"
#include "ui/Gui.h"
#include "ui/Windows.h"

#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<std::string> argumentsAfterProgram(const QStringList& arguments)
{
    std::vector<std::string> result;
    for (qsizetype i = 1; i < arguments.size(); ++i)
        result.push_back(arguments.at(i).toStdString());
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    // --help and --version are answered before the toolkit starts, so that
    // they need no display. Only those two are read here: the toolkit's own
    // options are still among the arguments.
    const velmor::DesktopArguments early =
        velmor::parseDesktopArguments(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    if (early.help || early.version) {
        std::cout << (early.help ? velmor::desktopHelpText() : velmor::desktopVersionText());
        return 0;
    }

    velmor::VelmorApplication app(argc, argv);
    const velmor::DesktopArguments arguments =
        velmor::parseDesktopArguments(argumentsAfterProgram(QCoreApplication::arguments()));
    if (!arguments.error.empty()) {
        std::cerr << "velmor: " << arguments.error << "\nPokušajte 'velmor --help'.\n";
        return velmor::kDesktopUsageStatus;
    }
    velmor::setApplicationTitle(QString::fromUtf8(velmor::kMainCaption));
    // The desktop entry's name, so that the desktop shows its icon for the window.
    QGuiApplication::setDesktopFileName(QStringLiteral("velmor"));
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
    if (!arguments.file.empty())
        mainWindow->openStructureFile(QString::fromStdString(arguments.file));

    try {
        return app.exec();
    } catch (const std::exception& error) {
        velmor::showException(QString::fromUtf8(error.what()));
    } catch (...) {
        velmor::showException(QString());
    }
    return 1;
}
