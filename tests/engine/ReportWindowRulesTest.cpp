// Opening and closing detailed reports through the headless main window:
// button and menu rules, numbers, cascade, display threads and their end
// before the results they read are cleared.

#include "ControllerFixture.h"

#include "run/AlgorithmTable.h"

#include <condition_variable>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

using namespace velmor;
using namespace velmor::testing;

namespace {

using Request = MainController::ReportWindowRequest;

// Stands in for the report windows: records where each would open and
// collects the reports its display thread hands over.
class Windows {
public:
    MainController::ReportWindowOpener opener()
    {
        return [this](const Request& request) {
            requests.push_back(request);
            const std::size_t slot = requests.size() - 1;
            return [this, slot](std::shared_ptr<ReportContent> report) {
                std::lock_guard guard(lock_);
                delivered_[slot] = std::move(report);
                arrived_.notify_all();
            };
        };
    }
    // The report of the n-th window opened (0 based), waiting for it.
    std::shared_ptr<ReportContent> report(std::size_t n)
    {
        std::unique_lock guard(lock_);
        arrived_.wait_for(guard, std::chrono::seconds(20), [&] { return delivered_.count(n) > 0; });
        return delivered_.count(n) ? delivered_[n] : nullptr;
    }
    bool arrived(std::size_t n)
    {
        std::lock_guard guard(lock_);
        return delivered_.count(n) > 0;
    }

    std::vector<Request> requests;

private:
    std::mutex lock_;
    std::condition_variable arrived_;
    std::map<std::size_t, std::shared_ptr<ReportContent>> delivered_;
};

// A thread that waits at its start until released; the first `free`
// threads it starts do not wait.
class Gate {
public:
    ThreadLauncher launcher(int free = 0)
    {
        return [this, started = std::make_shared<int>(0), free](WorkerThread& thread, long long stack,
                                                                std::function<void()> body) {
            if ((*started)++ < free)
                return thread.start(stack, std::move(body));
            return thread.start(stack, [this, body = std::move(body)] {
                {
                    std::unique_lock guard(lock_);
                    opened_.wait(guard, [this] { return open_; });
                }
                body();
            });
        };
    }
    void release()
    {
        std::lock_guard guard(lock_);
        open_ = true;
        opened_.notify_all();
    }

private:
    std::mutex lock_;
    std::condition_variable opened_;
    bool open_ = false;
};

class ReportWindows : public ControllerTest {
protected:
    Windows windows;

    void SetUp() override
    {
        load(std::string(VELMOR_EXAMPLES_DIR "/primjer.dsm"));
        chooseAlgorithms(true, true, true);
        runToEnd();
        ASSERT_TRUE(board().enabled("rezabr"));
        ASSERT_TRUE(board().enabled("reznpr"));
    }
    // The windows go before the controller does: its display threads must
    // not deliver into them after that.
    void TearDown() override { controller.endReports(); }
    bool on(const char* control) const { return board().enabled(control); }
};

} // namespace

TEST_F(ReportWindows, ResultsBarOpensNumberedCascadedReportsAndDisablesTheGroupLast)
{
    EXPECT_TRUE(on("detaljni"));
    EXPECT_TRUE(on("A1")); // a results button and its menu item go together
    controller.reportFromResultsBar(Algorithm::Abraham, windows.opener());
    EXPECT_FALSE(on("rezabr"));
    EXPECT_FALSE(on("A1"));
    EXPECT_TRUE(on("detaljni"));
    controller.reportFromResultsBar(Algorithm::Enr, windows.opener());
    EXPECT_TRUE(on("detaljni"));
    controller.reportFromResultsBar(Algorithm::Npr, windows.opener());
    EXPECT_FALSE(on("detaljni"));
    EXPECT_FALSE(on("Svihodabranih1"));

    ASSERT_EQ(windows.requests.size(), 3u);
    const int expected[3][3] = {{1, 0, 0}, {2, 50, 25}, {3, 100, 50}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(windows.requests[static_cast<std::size_t>(i)].kind, kAlgorithms[static_cast<std::size_t>(i)]);
        EXPECT_EQ(windows.requests[static_cast<std::size_t>(i)].number, expected[i][0]);
        EXPECT_EQ(windows.requests[static_cast<std::size_t>(i)].left, expected[i][1]);
        EXPECT_EQ(windows.requests[static_cast<std::size_t>(i)].top, expected[i][2]);
    }
    for (std::size_t i = 0; i < 3; ++i) {
        const auto report = windows.report(i);
        ASSERT_TRUE(report);
        EXPECT_TRUE(report->finished);
        EXPECT_EQ(report->kind, kAlgorithms[i]);
    }
    EXPECT_EQ(controller.newestReport(Algorithm::Enr), 2);
    EXPECT_EQ(controller.nextReportNumber(), 4);

    // A disabled button opens nothing.
    controller.reportFromResultsBar(Algorithm::Abraham, windows.opener());
    EXPECT_EQ(windows.requests.size(), 3u);
}

TEST_F(ReportWindows, OnlyTheNewestWindowOfAKindActsWhenItCloses)
{
    controller.reportFromResultsBar(Algorithm::Abraham, windows.opener());
    controller.reportFromResultsBar(Algorithm::Enr, windows.opener());
    controller.reportFromResultsBar(Algorithm::Npr, windows.opener());
    ASSERT_FALSE(on("detaljni"));

    controller.reportClosed(Algorithm::Enr, 1); // number 1 is an Abraham report
    EXPECT_FALSE(on("rezenr"));
    EXPECT_FALSE(controller.reportAbort(Algorithm::Enr).load());

    controller.reportClosed(Algorithm::Abraham, 1);
    for (const char* enabled : {"rezabr", "A1", "detaljni", "Svihodabranih1", "Pregledrezultata1"})
        EXPECT_TRUE(on(enabled)) << enabled;
    EXPECT_TRUE(controller.reportAbort(Algorithm::Abraham).load());

    // Now the menu item opens one, further down the cascade, with a fresh abort flag.
    controller.reportFromMenu(Algorithm::Abraham, windows.opener());
    ASSERT_EQ(windows.requests.size(), 4u);
    EXPECT_EQ(windows.requests[3].number, 4);
    EXPECT_EQ(windows.requests[3].left, 150);
    EXPECT_EQ(windows.requests[3].top, 75);
    EXPECT_FALSE(controller.reportAbort(Algorithm::Abraham).load());
    EXPECT_FALSE(on("A1"));
    EXPECT_TRUE(windows.report(3)->finished);
    // The menu item of a kind whose report is open opens nothing.
    controller.reportFromMenu(Algorithm::Enr, windows.opener());
    EXPECT_EQ(windows.requests.size(), 4u);
}

TEST_F(ReportWindows, AllReportsOpensEveryDoneAlgorithmWithItsButtonStillOn)
{
    controller.reportFromResultsBar(Algorithm::Enr, windows.opener());
    controller.setReportCascade(0); // as "redim" does
    controller.allReports(windows.opener());
    ASSERT_EQ(windows.requests.size(), 3u);
    EXPECT_EQ(windows.requests[1].kind, Algorithm::Abraham);
    EXPECT_EQ(windows.requests[2].kind, Algorithm::Npr);
    EXPECT_EQ(windows.requests[1].left, 0);
    EXPECT_EQ(windows.requests[2].left, 50);
    EXPECT_FALSE(on("detaljni"));
    EXPECT_FALSE(on("Svihodabranih1"));
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_TRUE(windows.report(i));
}

TEST_F(ReportWindows, AThreadThatCannotStartIsReportedAndTheWindowShowsEmpty)
{
    controller.setReportLauncher([](WorkerThread&, long long, std::function<void()>) { return false; });
    controller.reportFromResultsBar(Algorithm::Abraham, windows.opener());
    ASSERT_EQ(board().errors().size(), 1u);
    EXPECT_EQ(board().errors()[0].first, "Neispravno ponašanje stvorene niti zbog nedostatka resursa");
    EXPECT_EQ(board().errors()[0].second, "");
    EXPECT_TRUE(board().errorShowing());
    EXPECT_EQ(windows.requests.size(), 1u);
    EXPECT_FALSE(on("rezabr"));

    controller.setReportLauncher(
        [](WorkerThread&, long long, std::function<void()>) -> bool { throw std::runtime_error("nema niti"); });
    controller.reportFromResultsBar(Algorithm::Enr, windows.opener());
    ASSERT_EQ(board().errors().size(), 2u);
    EXPECT_EQ(board().errors()[1].first, "Neispravno izvođenje programa u stvorenoj niti");
    EXPECT_EQ(board().errors()[1].second, "error description : nema niti");
    // The cascade moves on after a failure too.
    EXPECT_EQ(windows.requests[1].left, 50);
    EXPECT_FALSE(windows.arrived(0));
}

TEST_F(ReportWindows, ClosingWhileBuildingAbortsAndANewReportCanOpen)
{
    Gate gate;
    controller.setReportLauncher(gate.launcher());
    controller.reportFromResultsBar(Algorithm::Enr, windows.opener());
    EXPECT_EQ(controller.reportsBuilding(), 1);
    controller.reportClosed(Algorithm::Enr, 1);
    EXPECT_TRUE(on("rezenr"));
    gate.release();
    const auto aborted = windows.report(0);
    ASSERT_TRUE(aborted);
    EXPECT_FALSE(aborted->finished);
    EXPECT_EQ(aborted->status, kReportBuilding);
    EXPECT_EQ(aborted->tree.indentedLines(), std::vector<std::string>{"N1"}); // the root only

    controller.setReportLauncher(defaultThreadLauncher());
    controller.reportFromResultsBar(Algorithm::Enr, windows.opener());
    const auto fresh = windows.report(1);
    ASSERT_TRUE(fresh);
    EXPECT_TRUE(fresh->finished);
}

TEST_F(ReportWindows, ReleasingTheStructureEndsReportsBeforeItClearsThem)
{
    Gate gate;
    controller.setReportLauncher(gate.launcher());
    controller.reportFromResultsBar(Algorithm::Npr, windows.opener());
    // The release waits for the display thread, released only once the
    // release has begun; it ends at its first abort check, while the
    // structure is still there.
    std::thread opener([this, &gate] {
        while (!controller.reportsBlocked())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        gate.release();
    });
    controller.freeStructure();
    opener.join();
    EXPECT_EQ(controller.reportsBuilding(), 0);
    ASSERT_TRUE(windows.arrived(0));
    const auto report = windows.report(0);
    EXPECT_FALSE(report->finished);
    // Read before the elements were released, and kept by the report after
    // its rows were cleared from the workspace.
    EXPECT_EQ(report->tree.indentedLines(), std::vector<std::string>{"N1"});
    EXPECT_EQ(controller.workspace().elements.count(), 0);
}

TEST_F(ReportWindows, ANewRunEndsReportsBeforeItClearsTheResults)
{
    Gate gate;
    controller.setReportLauncher(gate.launcher());
    controller.reportFromResultsBar(Algorithm::Abraham, windows.opener());
    std::thread opener([this, &gate] {
        while (!controller.reportsBlocked())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        gate.release();
    });
    controller.startRun();
    controller.engine().waitUntilIdle();
    opener.join();
    controller.drain();
    const auto report = windows.report(0);
    ASSERT_TRUE(report);
    EXPECT_FALSE(report->finished); // ended at its first check, before the clear

    // After the run, reports open again and see the new results.
    controller.setReportLauncher(defaultThreadLauncher());
    ASSERT_TRUE(on("rezabr"));
    controller.reportFromResultsBar(Algorithm::Abraham, windows.opener());
    const auto fresh = windows.report(1);
    ASSERT_TRUE(fresh);
    EXPECT_TRUE(fresh->finished);
    EXPECT_EQ(fresh->tree.indentedLines().size(), 4u);
    // The first report took its rows over before the run cleared them.
    EXPECT_EQ(report->tree.indentedLines(), fresh->tree.indentedLines());
}

TEST_F(ReportWindows, AnOpenReportKeepsShowingItsRunAfterTheNextRun)
{
    controller.reportFromResultsBar(Algorithm::Enr, windows.opener());
    const auto first = windows.report(0);
    ASSERT_TRUE(first);
    ASSERT_TRUE(first->finished);
    const std::vector<std::string> shown = first->tree.indentedLines();

    // A run stopped early leaves other rows in the workspace.
    controller.workspace().settings(Algorithm::Enr).iterationLimit = 2;
    controller.startRun();
    controller.engine().waitUntilIdle();
    controller.drain();
    controller.reportClosed(Algorithm::Enr, 1);
    controller.reportFromResultsBar(Algorithm::Enr, windows.opener());
    const auto second = windows.report(1);
    ASSERT_TRUE(second);
    ASSERT_TRUE(second->finished);
    EXPECT_NE(second->tree.indentedLines(), shown);
    EXPECT_EQ(first->tree.indentedLines(), shown);
    const ReportNode root = first->tree.child(kReportTop, 0);
    ASSERT_GT(first->tree.childCount(root), 0);
    EXPECT_EQ(first->tree.parent(first->tree.child(root, 0)), root);
}

TEST_F(ReportWindows, AReportKeepsTheFileNameAndBehaviourItOpenedWith)
{
    Gate gate;
    controller.setReportLauncher(gate.launcher());
    controller.reportFromResultsBar(Algorithm::Enr, windows.opener());
    // A save under another name and a change in the settings window while
    // the report waits to be built.
    const std::string renamed = dir.path("kopija.dsm");
    controller.saveFile(renamed);
    controller.waitForArchive();
    controller.drain();
    ASSERT_EQ(controller.workspace().fileName, renamed);
    controller.workspace().settings(Algorithm::Enr).normal = 0;
    gate.release();
    const auto report = windows.report(0);
    ASSERT_TRUE(report);
    EXPECT_EQ(report->status.rfind(std::string(VELMOR_EXAMPLES_DIR "/primjer.dsm, "), 0), 0u) << report->status;
    EXPECT_EQ(report->tree.indentedLines().back(), "  *e4 *e6 (neuspjeh)"); // no source failure under "normalno"
}

// The report controls of every state, decided by one rule: a results button
// and its menu item together, the group button with its menu item, nothing
// at all while a run is on, whatever window closes meanwhile.
TEST_F(ReportWindows, NoReportOpensWhileARunIsOnWhateverWindowCloses)
{
    auto expectReportControls = [this](bool enr, const char* when) {
        for (const char* control : {"rezenr", "ENR4", "detaljni", "Svihodabranih1"})
            EXPECT_EQ(on(control), enr) << control << " " << when;
        for (const char* control : {"rezabr", "A1", "reznpr", "NPR4"}) // not chosen
            EXPECT_FALSE(on(control)) << control << " " << when;
    };
    chooseAlgorithms(false, true, false);
    runToEnd();
    expectReportControls(true, "after the run");

    controller.reportFromResultsBar(Algorithm::Enr, windows.opener());
    ASSERT_TRUE(windows.report(0));
    expectReportControls(false, "with its report open");

    // Another run, held with its ENR thread not yet started.
    Gate algorithms;
    controller.engine().setThreadLauncher(algorithms.launcher(1));
    controller.startRun();
    EXPECT_TRUE(waitFor([this] { return controller.runOn(); }));
    expectReportControls(false, "when the run starts");

    // The report window of the earlier results closes while the run is on.
    controller.reportClosed(Algorithm::Enr, 1);
    expectReportControls(false, "after the report closed");
    controller.reportFromResultsBar(Algorithm::Enr, windows.opener());
    controller.reportFromMenu(Algorithm::Enr, windows.opener());
    controller.allReports(windows.opener());
    EXPECT_EQ(windows.requests.size(), 1u);
    EXPECT_EQ(controller.reportsBuilding(), 0);

    algorithms.release();
    controller.engine().waitUntilIdle();
    controller.drain();
    EXPECT_FALSE(controller.runOn());
    expectReportControls(true, "after the second run");

    // The menu item opens the report of the new results.
    controller.reportFromMenu(Algorithm::Enr, windows.opener());
    ASSERT_EQ(windows.requests.size(), 2u);
    const auto fresh = windows.report(1);
    ASSERT_TRUE(fresh);
    EXPECT_TRUE(fresh->finished);
    expectReportControls(false, "with the new report open");
    controller.reportClosed(Algorithm::Enr, 2);
    expectReportControls(true, "after the new report closed");
}

TEST_F(ReportWindows, AWindowOfEarlierResultsClosingAfterTheRunLeavesTheNewReportsAlone)
{
    controller.reportFromResultsBar(Algorithm::Npr, windows.opener());
    ASSERT_TRUE(windows.report(0));
    runToEnd();
    ASSERT_TRUE(on("reznpr"));
    controller.reportFromResultsBar(Algorithm::Npr, windows.opener());
    ASSERT_FALSE(on("reznpr"));
    ASSERT_FALSE(on("NPR4"));
    controller.reportClosed(Algorithm::Npr, 1); // the window of the earlier results
    EXPECT_FALSE(on("reznpr"));
    EXPECT_FALSE(on("NPR4"));
    controller.reportClosed(Algorithm::Npr, 2);
    EXPECT_TRUE(on("reznpr"));
    EXPECT_TRUE(on("NPR4"));
}

TEST_F(ReportWindows, ReleasingTheStructureTakesEveryReportControlAway)
{
    controller.freeStructure();
    controller.drain();
    for (const char* control : {"rezabr", "A1", "rezenr", "ENR4", "reznpr", "NPR4", "detaljni", "Svihodabranih1"})
        EXPECT_FALSE(on(control)) << control;
    controller.allReports(windows.opener());
    EXPECT_TRUE(windows.requests.empty());
}
