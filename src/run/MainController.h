#pragma once

#include "platform/Threads.h"
#include "run/ControlBoard.h"
#include "run/ControlChannel.h"
#include "run/ReportBuilder.h"
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
    bool resultsPresent() const { return engine_.resultsPresent(); }
    // Asks a report being built to stop (set at exit, and before results are
    // cleared).
    std::atomic<bool>& reportAbort(Algorithm a) { return reportAbort_[static_cast<std::size_t>(a)]; }
    // Where the next detailed report window opens; 0 = the start.
    int reportCascade() const { return reportCascade_; }
    void setReportCascade(int position) { reportCascade_ = position; }

    // The run request that the option controls describe now.
    RunRequest runRequest() const;
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
    // run, a load or a release clears what the reports read.
    void endReports();
    // Display threads that have not yet delivered their report.
    int reportsBuilding() const;
    // The results are being cleared: no report starts until that is over.
    bool reportsBlocked() const { return reportsBlocked_.load(); }
    void setReportLauncher(ThreadLauncher launcher) { reportLauncher_ = std::move(launcher); }

    // --- Structure editor -------------------------------------------------------
    void beginEditing(); // novadatoteka, Novastruktura1
    // "prihvati promjene": the edited structure becomes the present one.
    void acceptEdited(const StructureEditor& editor);
    void endEditing(); // the editor closed

private:
    void openReport(Algorithm a, const ReportWindowOpener& open);
    void reapReports();

    void absorb(); // applies queued units, keeping what changed for drain()
    void apply(const ControlChange& change);
    void change(ControlChange c) { apply(c); }
    void enable(std::initializer_list<const char*> controls, bool on);
    void checkRadio(const std::string& control);
    void react(const std::string& control, bool checked);
    void runProcedure(const std::string& name);
    void refreshAlgorithmChoice();
    void reductionMarks();
    void applyUnit(const ControlUnit& unit);

    void appendClearStructure(ControlUnit& unit);
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
    std::vector<ControlChange> applied_;
    std::array<std::atomic<bool>, 3> reportAbort_{};
    int reportCascade_ = 0;

    struct DisplayThread {
        Algorithm kind = Algorithm::Abraham;
        int number = 0;
        std::shared_ptr<std::atomic<bool>> cancel = std::make_shared<std::atomic<bool>>(false);
        std::shared_ptr<std::atomic<bool>> delivered = std::make_shared<std::atomic<bool>>(false);
        WorkerThread thread;
    };
    mutable std::mutex reportsLock_;
    std::vector<std::unique_ptr<DisplayThread>> displayThreads_;
    std::atomic<bool> reportsBlocked_{false}; // the results are being cleared
    std::array<int, 3> newestReport_{};
    int nextReportNumber_ = 1;
    ThreadLauncher reportLauncher_ = defaultThreadLauncher();
};

} // namespace velmor
