#include "structure/StructureWorkspace.h"
#include "ui/Application.h"
#include "ui/Gui.h"
#include "ui/Windows.h"

#include <memory>

int main(int argc, char** argv)
{
    velmor::VelmorApplication app(argc, argv);
    velmor::setApplicationTitle(QString::fromUtf8(velmor::kMainCaption));
    velmor::applyProgramStyle();

    // The workspace lives until the process ends, as the threads that read
    // it may still run when the program exits.
    auto* workspace = new velmor::StructureWorkspace;
    std::unique_ptr<velmor::ProgramWindows> windows;
    try {
        windows = std::make_unique<velmor::ProgramWindows>(*workspace);
    } catch (const std::exception& error) {
        velmor::showException(QString::fromUtf8(error.what()));
        return 1;
    }
    windows->form1->show();

    try {
        return app.exec();
    } catch (const std::exception& error) {
        velmor::showException(QString::fromUtf8(error.what()));
    } catch (...) {
        velmor::showException(QString());
    }
    return 1;
}
