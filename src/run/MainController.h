#pragma once

#include "platform/Threads.h"
#include "run/ControlBoard.h"
#include "run/ControlChannel.h"
#include "run/DisplayThreads.h"
#include "run/ImportanceJob.h"
#include "run/ReportBuilder.h"
#include "run/ResultsFile.h"
#include "run/RunEngine.h"
#include "structure/StructureFileReader.h"
#include "structure/StructureFileWriter.h"
#include "structure/StructureWorkspace.h"

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace velmor {

class StructureEditor;

// The main window without widgets: it owns the workspace, the reader and
// writer and the run engine, keeps the state of every control on a board,
// carries out the actions and the reactions of the option controls, and runs
// loads and saves on an archiving thread. Everything it changes comes out of
// drain() as an ordered list of changes for a view to mirror.
//
// All members are called on one thread (the user-interface thread); worker
// threads reach it only through the control channel.
class MainController {
public:
    MainController();
    ~MainController();
    MainController(const MainController&) = delete;
    MainController& operator=(const MainController&) = delete;

    StructureWorkspace& workspace() { return ws_; }
    RunEngine& engine() { return engine_; }
    ControlChannel& channel() { return channel_; }
    const ControlBoard& board() const { return board_; }

    // Applies every queued change to the board, running the reactions and
    // rules they trigger, and returns all that changed, in order.
    std::vector<ControlChange> drain();

    // User input on option controls: a check box, a radio button (which
    // unchecks the others of its group) or a check-mark menu item.
    void userCheck(const std::string& control, bool on);
    // The user picks an item of a combo box (-1: none), or types text into it.
    void userSelect(const std::string& control, int index);
    void userType(const std::string& control, const std::string& text);
    // The error window was closed: the main window is enabled again.
    void errorClosed();

    // Actions of the menu and the toolbar.
    void openFile(const std::string& path);  // after the open dialog
    void beginSave();                        // before the save dialog
    void saveCancelled();
    void saveFile(const std::string& path);  // after the save dialog
    void freeStructure();                    // "Oslobodi"
    void reductionMenu(bool on);             // Ukljucena1 / Iskljuena1
    void directionMenu(bool directed);       // Da1 / Ne1
    void startRun();
    void pauseRun();
    void resumeRun();
    void stopRun();
    void stopAlgorithm(Algorithm a);
    // Raises every stop request and report-abort flag before the process
    // ends without waiting for its threads.
    void prepareExit();

    bool structurePresent() const { return board_.checked("structurePresent"); }
    // A run has entered the running state and not yet ended (as the window
    // has applied it).
    bool runOn() const { return board_.checked("runOn"); }
    bool resultsPresent() const { return engine_.resultsPresent(); }
    // Asks a report being built to stop (set at exit, and before results are
    // cleared).
    std::atomic<bool>& reportAbort(Algorithm a) { return reportAbort_[static_cast<std::size_t>(a)]; }
    // Where the next detailed report window opens; 0 = the start.
    int reportCascade() const { return reportCascade_; }
    void setReportCascade(int position) { reportCascade_ = position; }

    // The run that the option controls and the settings describe now; an
    // option whose buttons are all clear keeps its value of the last run.
    RunOptions runOptions() const;
    char decimalSeparator() const { return decimalSeparator_; }
    void setDecimalSeparator(char separator) { decimalSeparator_ = separator; }
    // Fills both node choices and selects the present source and destination.
    void parametri();
    // Waits for a load or save that is still writing or reading.
    void waitForArchive() { archiveThread_.join(); }

    // --- Detailed reports ---------------------------------------------------------
    // Where a new report window goes and which number it carries.
    struct ReportWindowRequest {
        Algorithm kind = Algorithm::Abraham;
        int number = 0;
        int left = 0;
        int top = 0;
    };
    // Hands a report to its window; called on the display thread, once, with
    // the finished report or with what an aborted one had built.
    using ReportDelivery = std::function<void(std::shared_ptr<ReportContent>)>;
    // Creates, places and shows a report window; returns how its report reaches it.
    using ReportWindowOpener = std::function<ReportDelivery(const ReportWindowRequest&)>;

    void reportFromMenu(Algorithm a, const ReportWindowOpener& open);       // A1, ENR4, NPR4
    void reportFromResultsBar(Algorithm a, const ReportWindowOpener& open); // rezabr, rezenr, reznpr
    void allReports(const ReportWindowOpener& open);                        // detaljni, Svihodabranih1
    // A report window closed; only the newest of its kind acts.
    void reportClosed(Algorithm a, int number);
    int newestReport(Algorithm a) const { return newestReport_[static_cast<std::size_t>(a)]; }
    int nextReportNumber() const { return nextReportNumber_; }
    // Ends every display thread through its abort flag and waits for it; no
    // report starts again until the results have been cleared. Runs before a
    // run, a load or a release clears what the reports read; the reports
    // still open take their rows over, so they keep showing them.
    void endReports();
    // Display threads that have not yet delivered their report.
    int reportsBuilding() const { return displays_.building(); }
    // The results are being cleared: no report starts until that is over.
    bool reportsBlocked() const { return displays_.blocked(); }
    // A report of the present results is open for the algorithm (the newest
    // window of its kind, opened since the results were last cleared).
    bool reportOpen(Algorithm a) const { return reportOpen_[static_cast<std::size_t>(a)]; }
    // A report window that opens now would be shown: no run is on and the
    // results are not being cleared.
    bool reportsMayOpen() const { return !reportsBlocked() && !runOn(); }
    void setReportLauncher(ThreadLauncher launcher) { displays_.setLauncher(std::move(launcher)); }

    // --- Importance of the elements, saving the results --------------------------
    // "Važnost elemenata" (Vanostelemenata1) may start: a structure is
    // present with both nodes of the pair chosen, and neither a run nor a
    // computation of the importance is on.
    bool importanceMayStart() const;
    // Rates every element of the present structure between the chosen pair,
    // in the chosen direction and under the terminal option, on a thread of
    // its own. A pair that cannot be computed or a thread that cannot be
    // made shows the error window; false when nothing started.
    bool startImportance();
    void stopImportance() { importanceJob_.stop(); }
    bool importanceRunning() const { return importanceJob_.running(); }
    int importanceDone() const { return importanceJob_.done(); }
    int importanceTotal() const { return importanceJob_.total(); }
    // The importance last computed for the present structure; a stopped
    // computation keeps the elements rated before the stop. Null before the
    // first, while one is on, and once the structure it was computed for is
    // released, replaced, edited or changed in the matrix window. Any thread.
    std::shared_ptr<const ImportanceResult> lastImportance() const { return importanceJob_.result(); }
    // The structure is about to change: the importance goes with it.
    void discardImportance() { importanceJob_.discard(); }

    // "Spremi rezultate" (Spremirezultate1) may run: no run is on, and a run
    // has left results or the importance has been computed.
    bool resultsMaySave() const;
    // What it writes: the grid as the board holds it, the bounds of each
    // row's algorithm, the last importance.
    SavedResults savedResults() const;
    // Writes them as CSV to `path`; on failure the error window, and false.
    bool saveResults(const std::string& path);

    // --- Structure editor -------------------------------------------------------
    void beginEditing(); // novadatoteka, Novastruktura1
    // "prihvati promjene": the edited structure becomes the present one.
    void acceptEdited(const StructureEditor& editor);
    void endEditing(); // the editor closed

private:
    // The rows a new report of `a` reads: those of an open report of the
    // same results, or the workspace's.
    std::shared_ptr<ReportRows> rowsForReport(Algorithm a);
    void openReport(Algorithm a, const ReportWindowOpener& open);
    // The one rule of the report controls, for the start and the end of a
    // run, a report opening and a report closing.
    void refreshReportControls();
    bool reportAvailable(Algorithm a) const;

    void absorb(); // applies queued items, keeping what changed for drain()
    void apply(const ControlChange& change);
    void change(ControlChange c) { apply(c); }
    void enable(std::initializer_list<const char*> controls, bool on);
    void checkRadio(const std::string& control);
    void react(const std::string& control, bool checked);
    void runProcedure(const std::string& name);
    void refreshAlgorithmChoice();
    void reductionMarks();
    void applyUnit(const ControlUnit& unit);
    void applyEvent(const RunEvent& event);
    // The rule of the importance and save-results menu items, which follow
    // the pair chosen, the run and the computation.
    void refreshResultControls();

    void appendClearStructure(ControlUnit& unit);
    void appendClearResults(ControlUnit& unit);
    void appendLoadFailure(ControlUnit& unit, const std::string& first, const std::string& second);
    void loadStep(const std::string& path);
    void saveStep(bool directed, const std::string& previousField, const std::string& previousName);
    bool startArchiveThread(std::function<void()> step, std::string& firstLine, std::string& secondLine);

    StructureWorkspace ws_;
    StructureFileReader reader_;
    StructureFileWriter writer_;
    ControlChannel channel_;
    ControlBoard board_;
    RunEngine engine_{ws_, channel_};
    WorkerThread archiveThread_;
    char decimalSeparator_;
    RunOptions lastRequested_; // the options of the last Start
    std::vector<ControlChange> applied_;
    std::array<std::atomic<bool>, 3> reportAbort_{};
    int reportCascade_ = 0;

    DisplayThreads displays_;
    std::array<int, 3> newestReport_{};
    std::array<bool, 3> reportOpen_{};
    // The rows the open reports of each kind read; taken over before they
    // are cleared (by the core thread at the start of a run).
    std::mutex reportRowsLock_;
    std::array<std::weak_ptr<ReportRows>, 3> reportRows_;
    int nextReportNumber_ = 1;
    ImportanceJob importanceJob_;
};

} // namespace velmor
