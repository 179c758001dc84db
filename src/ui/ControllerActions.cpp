#include "ui/ControllerActions.h"

#include "run/MainController.h"
#include "ui/Detalji.h"
#include "ui/Gui.h"
#include "ui/Tablica.h"
#include "ui/Unos.h"

#include <QApplication>
#include <QPointer>

namespace velmor {

ControllerActions::ControllerActions(MainController& controller, TForm1& window)
    : controller_(controller), window_(window)
{
    connectEditor();
    connectMatrix();
}

ControllerActions::~ControllerActions()
{
    if (TForm5* editor = window_.peers().editor)
        editor->setHost({});
    if (TForm8* matrix = window_.peers().matrix)
        matrix->setSource({});
}

// --- Structure editor ----------------------------------------------------------------

void ControllerActions::connectEditor()
{
    TForm5* editor = window_.peers().editor;
    if (!editor)
        return;
    EditorHost host;
    host.mainDirected = [this] { return controller_.board().checked("RadioButton1"); };
    host.structurePresent = [this] { return controller_.structurePresent(); };
    host.workspace = [this]() -> const StructureWorkspace* { return &controller_.workspace(); };
    host.directionChosen = [this](bool directed) {
        // The main window's button is checked with its reactions, also while
        // it is disabled, as the direction menu items do it.
        controller_.directionMenu(directed);
        window_.mirror(controller_.drain());
    };
    host.accept = [this](const StructureEditor& edited) {
        controller_.acceptEdited(edited);
        window_.mirror(controller_.drain());
    };
    host.closed = [this] {
        controller_.endEditing();
        window_.mirror(controller_.drain());
        window_.setEnabled(true);
    };
    editor->setHost(std::move(host));
}

ControlUnit ControllerActions::newStructure()
{
    TForm5* editor = window_.peers().editor;
    if (!editor)
        return controller_.drain();
    window_.placeChildWindow(editor);
    controller_.beginEditing();
    window_.mirror(controller_.drain());
    window_.setEnabled(false);
    editor->show();
    editor->raise();
    editor->activateWindow();
    return controller_.drain();
}

// --- Matrix view ---------------------------------------------------------------------

void ControllerActions::connectMatrix()
{
    TForm8* matrix = window_.peers().matrix;
    if (!matrix)
        return;
    MatrixSource source;
    source.workspace = [this] { return &controller_.workspace(); };
    source.shown = [this] {
        const ControlBoard& board = controller_.board();
        return board.checked("RadioButton1")   ? ShownMatrix::Directed
               : board.checked("RadioButton2") ? ShownMatrix::Undirected
                                               : ShownMatrix::None;
    };
    source.resultsPresent = [this] { return controller_.resultsPresent(); };
    source.beforeChange = [this] { controller_.waitForArchive(); };
    matrix->setSource(std::move(source));
}

ControlUnit ControllerActions::showMatrix()
{
    TForm8* matrix = window_.peers().matrix;
    if (!matrix)
        return controller_.drain();
    window_.placeChildWindow(matrix);
    matrix->show();
    matrix->raise();
    ControlUnit changes = controller_.drain(); // the board is up to date before the table reads it
    matrix->fill();
    return changes;
}

// --- Detailed reports ------------------------------------------------------------------

std::function<void(std::shared_ptr<ReportContent>)> ControllerActions::openReportWindow(Algorithm kind, int number,
                                                                                       int left, int top)
{
    auto form = std::make_unique<TForm4>();
    TForm4* window = form.get();
    reports_.push_back(std::move(form));
    window->begin(kind, number);
    QObject::connect(window, &TForm4::closed, window, [this](Algorithm closedKind, int closedNumber) {
        controller_.reportClosed(closedKind, closedNumber);
        window_.mirror(controller_.drain());
    });
    window->move(left, top);
    window->show();
    window->raise();
    // The display thread hands the report over; a window that is gone by
    // then does not get it.
    QPointer<TForm4> target(window);
    return [target](std::shared_ptr<ReportContent> report) {
        QMetaObject::invokeMethod(
            qApp,
            [target, report = std::move(report)] {
                if (target)
                    target->present(report);
            },
            Qt::QueuedConnection);
    };
}

ControlUnit ControllerActions::allReports()
{
    controller_.allReports([this](const MainController::ReportWindowRequest& r) {
        return openReportWindow(r.kind, r.number, r.left, r.top);
    });
    return controller_.drain();
}

ControlUnit ControllerActions::reportFromMenu(Algorithm a)
{
    controller_.reportFromMenu(a, [this](const MainController::ReportWindowRequest& r) {
        return openReportWindow(r.kind, r.number, r.left, r.top);
    });
    return controller_.drain();
}

ControlUnit ControllerActions::reportFromResultsBar(Algorithm a)
{
    controller_.reportFromResultsBar(a, [this](const MainController::ReportWindowRequest& r) {
        return openReportWindow(r.kind, r.number, r.left, r.top);
    });
    return controller_.drain();
}

std::vector<TForm4*> ControllerActions::reportWindows() const
{
    std::vector<TForm4*> windows;
    for (const auto& form : reports_)
        windows.push_back(form.get());
    return windows;
}

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
