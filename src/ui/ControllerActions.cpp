#include "ui/ControllerActions.h"

#include "platform/HeapTuning.h"
#include "run/MainController.h"
#include "ui/Detalji.h"
#include "ui/Gui.h"
#include "ui/Slika.h"
#include "ui/Tablica.h"
#include "ui/Unos.h"
#include "ui/Vaznost.h"
#include "ui/Widgets.h"

#include <QApplication>
#include <QPointer>

#include <algorithm>

namespace velmor {

ControllerActions::ControllerActions(MainController& controller, TForm1& window)
    : controller_(controller), window_(window), releases_(std::make_unique<QObject>())
{
    connectEditor();
    connectMatrix();
    connectPicture();
}

ControllerActions::~ControllerActions()
{
    importance_.reset(); // before the controller whose job it shows
    if (TForm5* editor = window_.peers().editor)
        editor->setHost({});
    if (TForm8* matrix = window_.peers().matrix) {
        matrix->setSource({});
        QObject::disconnect(matrix, &TForm8::structureChanged, nullptr, nullptr);
    }
    if (TForm10* picture = window_.peers().picture)
        picture->setSource({});
}

ControlUnit ControllerActions::drain()
{
    ControlUnit changes = controller_.drain();
    TForm10* picture = window_.peers().picture;
    if (!picture || !picture->isVisible())
        return changes;
    // The structure came or went, or the pair, the direction or the
    // reduction changed.
    static const char* const drawnFrom[] = {"structurePresent", "ComboBox1", "ComboBox2", "RadioButton1",
                                            "RadioButton2", "CheckBox1"};
    for (const ControlChange& change : changes)
        if (std::find(std::begin(drawnFrom), std::end(drawnFrom), change.control) != std::end(drawnFrom)) {
            picture->scheduleFill();
            break;
        }
    return changes;
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
        window_.mirror(drain());
    };
    host.accept = [this](const StructureEditor& edited) {
        controller_.acceptEdited(edited);
        window_.mirror(drain());
        if (TForm10* picture = window_.peers().picture)
            picture->scheduleFill();
    };
    host.closed = [this] {
        controller_.endEditing();
        window_.mirror(drain());
        window_.setEnabled(true);
    };
    editor->setHost(std::move(host));
}

ControlUnit ControllerActions::newStructure()
{
    TForm5* editor = window_.peers().editor;
    if (!editor)
        return drain();
    window_.placeChildWindow(editor);
    controller_.beginEditing();
    window_.mirror(drain());
    window_.setEnabled(false);
    editor->show();
    editor->raise();
    editor->activateWindow();
    return drain();
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
    source.beforeChange = [this] {
        controller_.waitForArchive();
        controller_.discardImportance(); // it was computed for the structure before the change
    };
    matrix->setSource(std::move(source));
}

template <typename Window>
ControlUnit ControllerActions::showFilled(Window* window)
{
    if (!window)
        return drain();
    window_.placeChildWindow(window);
    window->show();
    window->raise();
    ControlUnit changes = drain(); // the board is up to date before the window reads it
    window->fill();
    return changes;
}

ControlUnit ControllerActions::showMatrix()
{
    return showFilled(window_.peers().matrix);
}

// --- Structure picture --------------------------------------------------------------

void ControllerActions::connectPicture()
{
    TForm10* picture = window_.peers().picture;
    if (!picture)
        return;
    PictureSource source;
    // A load clears the structure's presence before its thread starts
    // writing, and sets it after: the structure is read only in between.
    source.workspace = [this]() -> const StructureWorkspace* {
        return controller_.structurePresent() ? &controller_.workspace() : nullptr;
    };
    source.options = [this] {
        const RunOptions run = controller_.runOptions();
        PictureOptions options;
        options.direction = run.direction;
        options.sourceLabel = run.sourceLabel;
        options.destinationLabel = run.destinationLabel;
        options.reduction = run.reduction;
        return options;
    };
    source.decimalSeparator = [this] { return controller_.decimalSeparator(); };
    // The importance, once computed for the structure, pair and direction drawn.
    source.values = [this, options = source.options]() -> std::optional<ElementValues> {
        const std::shared_ptr<const ImportanceResult> result = controller_.lastImportance();
        if (!result || !controller_.structurePresent())
            return std::nullopt;
        std::vector<double> values =
            importanceValues(*result, options(), controller_.workspace().elements.count());
        if (values.empty())
            return std::nullopt;
        return ElementValues{std::move(values), QStringLiteral("Birnbaumova važnost")};
    };
    picture->setSource(std::move(source));
    if (TForm8* matrix = window_.peers().matrix)
        QObject::connect(matrix, &TForm8::structureChanged, picture, [picture] { picture->scheduleFill(); });
}

ControlUnit ControllerActions::showPicture()
{
    return showFilled(window_.peers().picture);
}

// --- Detailed reports ------------------------------------------------------------------

std::function<void(std::shared_ptr<ReportContent>)> ControllerActions::openReportWindow(Algorithm kind, int number,
                                                                                       int left, int top)
{
    auto form = std::make_unique<TForm4>();
    TForm4* window = form.get();
    reports_.push_back(std::move(form));
    window->begin(kind, number);
    QObject::connect(window, &TForm4::closed, window, [this, window](Algorithm closedKind, int closedNumber) {
        controller_.reportClosed(closedKind, closedNumber);
        window_.mirror(drain());
        reportWindowClosed(window);
    });
    window->move(left, top);
    window->show();
    window->raise();
    // The display thread hands the report over; a window that is gone by
    // then does not get it, and what an aborted build had made goes at once.
    QPointer<TForm4> target(window);
    return [target](std::shared_ptr<ReportContent> report) {
        QMetaObject::invokeMethod(
            qApp,
            [target, report = std::move(report)]() mutable {
                if (target) {
                    target->present(report);
                    return;
                }
                report.reset();
                returnFreedMemory();
            },
            Qt::QueuedConnection);
    };
}

// The window is in the middle of its own close: it goes once that is over.
void ControllerActions::reportWindowClosed(TForm4* window)
{
    closedReports_.push_back(window);
    QMetaObject::invokeMethod(releases_.get(), [this] { releaseClosedReports(); }, Qt::QueuedConnection);
}

void ControllerActions::releaseClosedReports()
{
    if (closedReports_.empty())
        return;
    std::erase_if(reports_, [this](const std::unique_ptr<TForm4>& form) {
        return std::find(closedReports_.begin(), closedReports_.end(), form.get()) != closedReports_.end();
    });
    closedReports_.clear();
    // A report tree may have taken gigabytes; they go back to the system.
    returnFreedMemory();
}

ControlUnit ControllerActions::allReports()
{
    controller_.allReports([this](const MainController::ReportWindowRequest& r) {
        return openReportWindow(r.kind, r.number, r.left, r.top);
    });
    return drain();
}

ControlUnit ControllerActions::reportFromMenu(Algorithm a)
{
    controller_.reportFromMenu(a, [this](const MainController::ReportWindowRequest& r) {
        return openReportWindow(r.kind, r.number, r.left, r.top);
    });
    return drain();
}

ControlUnit ControllerActions::reportFromResultsBar(Algorithm a)
{
    controller_.reportFromResultsBar(a, [this](const MainController::ReportWindowRequest& r) {
        return openReportWindow(r.kind, r.number, r.left, r.top);
    });
    return drain();
}

std::vector<TForm4*> ControllerActions::reportWindows() const
{
    std::vector<TForm4*> windows;
    for (const auto& form : reports_)
        if (std::find(closedReports_.begin(), closedReports_.end(), form.get()) == closedReports_.end())
            windows.push_back(form.get());
    return windows;
}

ControlUnit ControllerActions::openStructure(const PathPrompt& askPath)
{
    const std::optional<std::string> path = askPath();
    if (!path)
        return drain(); // a cancelled dialog changes nothing
    controller_.openFile(*path);
    return drain();
}

ControlUnit ControllerActions::saveStructure(const PathPrompt& askPath)
{
    controller_.beginSave();
    // The save commands are off while the dialog is open.
    window_.mirror(drain());
    const std::optional<std::string> path = askPath();
    if (path)
        controller_.saveFile(*path);
    else
        controller_.saveCancelled();
    return drain();
}

ControlUnit ControllerActions::saveResults(const PathPrompt& askPath)
{
    const std::optional<std::string> path = askPath();
    if (path)
        controller_.saveResults(*path);
    return controller_.drain();
}

// --- Importance of the elements ----------------------------------------------------

ControlUnit ControllerActions::importance()
{
    if (!importance_) {
        importance_ = std::make_unique<TForm9>();
        setOwnerWindow(importance_.get(), &window_);
        // The picture shows the importance once it is there.
        if (TForm10* picture = window_.peers().picture)
            QObject::connect(importance_.get(), &TForm9::finished, picture, [picture] { picture->scheduleFill(); });
        ImportanceSource source;
        source.running = [this] { return controller_.importanceRunning(); };
        source.done = [this] { return controller_.importanceDone(); };
        source.total = [this] { return controller_.importanceTotal(); };
        source.result = [this] { return controller_.lastImportance(); };
        source.stop = [this] { controller_.stopImportance(); };
        source.decimalSeparator = controller_.decimalSeparator();
        importance_->setSource(std::move(source));
    }
    if (!controller_.startImportance())
        return controller_.drain(); // refused: the error window says why
    if (TForm10* picture = window_.peers().picture)
        picture->scheduleFill(); // the importance it may show is being computed anew
    window_.placeChildWindow(importance_.get());
    importance_->begin();
    importance_->show();
    importance_->raise();
    return controller_.drain();
}

ControlUnit ControllerActions::freeStructure()
{
    controller_.freeStructure();
    return drain();
}

void ControllerActions::exitProgram()
{
    controller_.prepareExit();
}

ControlUnit ControllerActions::reductionMenu(bool on)
{
    controller_.reductionMenu(on);
    return drain();
}

ControlUnit ControllerActions::directionMenu(bool directed)
{
    controller_.directionMenu(directed);
    return drain();
}

ControlUnit ControllerActions::start()
{
    controller_.startRun();
    return drain();
}

ControlUnit ControllerActions::pause()
{
    controller_.pauseRun();
    return drain();
}

ControlUnit ControllerActions::resume()
{
    controller_.resumeRun();
    return drain();
}

ControlUnit ControllerActions::stop()
{
    controller_.stopRun();
    return drain();
}

ControlUnit ControllerActions::stopAlgorithm(Algorithm a)
{
    controller_.stopAlgorithm(a);
    return drain();
}

ControlUnit ControllerActions::menuBarToggled(bool)
{
    controller_.setReportCascade(0);
    return drain();
}

ControlUnit ControllerActions::optionChanged(const std::string& control, bool checked)
{
    controller_.userCheck(control, checked);
    return drain();
}

ControlUnit ControllerActions::nodeChosen(const std::string& control, int index)
{
    controller_.userSelect(control, index);
    return drain();
}

ControlUnit ControllerActions::nodeTyped(const std::string& control, const std::string& text)
{
    controller_.userType(control, text);
    return drain();
}

ControlUnit ControllerActions::errorClosed()
{
    controller_.errorClosed();
    return drain();
}

ControlUnit ControllerActions::pendingChanges()
{
    return drain();
}

} // namespace velmor
