// Many runs of the headless main window with pauses, stops and limits at
// seeded random moments: every run must end, and whatever it delivered must
// be consistent. The sanitizer builds run these too (leaks, races).

#include "ControllerFixture.h"
#include "platform/Numbers.h"
#include "platform/Threads.h"
#include "run/AlgorithmTable.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

using namespace velmor;
using namespace velmor::testing;

namespace {

using Clock = std::chrono::steady_clock;

// Ends the process with a failure when the test does not move on in time:
// a hung run cannot be abandoned, and waiting for it would hang the suite.
class HangGuard {
public:
    HangGuard()
        : watcher_([this] { watch(); })
    {
    }
    HangGuard(const HangGuard&) = delete;
    HangGuard& operator=(const HangGuard&) = delete;
    ~HangGuard()
    {
        {
            std::lock_guard guard(lock_);
            finished_ = true;
        }
        wake_.notify_all();
        watcher_.join();
    }

    // The next step must be over within `limit`.
    void arm(std::chrono::seconds limit, std::string step)
    {
        std::lock_guard guard(lock_);
        deadline_ = Clock::now() + limit;
        step_ = std::move(step);
    }

private:
    void watch()
    {
        std::unique_lock guard(lock_);
        while (!finished_) {
            if (Clock::now() > deadline_) {
                std::fprintf(stderr, "HANG: %s did not end in time\n", step_.c_str());
                std::fflush(stderr);
                std::_Exit(3);
            }
            wake_.wait_for(guard, std::chrono::milliseconds(100));
        }
    }

    std::mutex lock_;
    std::condition_variable wake_;
    bool finished_ = false;
    Clock::time_point deadline_ = Clock::time_point::max();
    std::string step_;
    std::thread watcher_;
};

// The structure of the stress runs: a 3 x 4 grid, undirected, whose 17
// edges and two inner nodes are uncertain, so that its availability can be
// enumerated exactly while every algorithm needs many iterations.
StructurePlan stressStructure()
{
    StructurePlan plan = grid(3, 4, 1, 0.9L);
    plan.nodes[5].availability = 0.95L;
    plan.nodes[6].availability = 0.97L;
    return plan;
}

// A term: the event that every element of `working` works and every one of
// `failing` fails.
struct Term {
    std::vector<int> cells;
};

// The terms an algorithm delivered in its final-term matrix (the solution
// trees keep only their success rows there, without the mark column).
std::vector<Term> deliveredTerms(const TermRows& terms)
{
    std::vector<Term> out;
    for (int r = 0; r <= terms.lastRow(); ++r) {
        Term t;
        for (int c = 0; c <= terms.lastColumn(); ++c)
            t.cells.push_back(terms.get(c, r));
        out.push_back(std::move(t));
    }
    return out;
}

// True when the elements that work under the term (its 1-cells and the
// elements that always work) connect the source to the destination.
bool termContainsAPath(const Term& term, const StructureWorkspace& ws, bool idealTerminals)
{
    const int n = ws.workMatrix.rowCount();
    auto works = [&](int i) {
        return (i < static_cast<int>(term.cells.size()) && term.cells[static_cast<std::size_t>(i)] == 1)
            || ws.workElementState.get(i) == 1
            || (idealTerminals && (i == ws.workSourceIndex || i == ws.workDestinationIndex));
    };
    if (!works(ws.workSourceIndex))
        return false;
    std::vector<bool> reached(static_cast<std::size_t>(n), false);
    std::vector<int> frontier{ws.workSourceIndex};
    reached[static_cast<std::size_t>(ws.workSourceIndex)] = true;
    while (!frontier.empty()) {
        const int a = frontier.back();
        frontier.pop_back();
        if (a == ws.workDestinationIndex)
            return true;
        for (int b = 0; b < n; ++b)
            if (ws.workMatrix.get(b, a) == 1 && !reached[static_cast<std::size_t>(b)] && works(b)) {
                reached[static_cast<std::size_t>(b)] = true;
                frontier.push_back(b);
            }
    }
    return false;
}

// Two terms exclude each other when one needs working an element that the
// other needs failed.
bool exclusive(const Term& a, const Term& b)
{
    const std::size_t width = std::min(a.cells.size(), b.cells.size());
    for (std::size_t c = 0; c < width; ++c)
        if (a.cells[c] != 0 && a.cells[c] == -b.cells[c])
            return true;
    return false;
}

class RunControlStress : public ControllerTest {
protected:
    HangGuard hangGuard;
    std::mt19937 random{20240608};
    long double full = 0;

    int randomBelow(int bound) { return static_cast<int>(random() % static_cast<unsigned>(bound)); }

    void SetUp() override
    {
        const StructurePlan plan = stressStructure();
        full = exactAvailability(plan, false, true);
        load(plan, false);
        ASSERT_TRUE(controller.structurePresent());
    }

    // Waits, applying what the run changes, until the run has ended and its
    // threads are gone.
    void waitForEnd(const std::string& step)
    {
        hangGuard.arm(std::chrono::seconds(120), step);
        while (controller.engine().busy()) {
            controller.drain();
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        controller.engine().waitUntilIdle();
        controller.drain();
    }

    // Waits until the window lets the user press `control`, or the run ends.
    bool waitUntilEnabled(const char* control)
    {
        for (;;) {
            controller.drain();
            if (board().enabled(control))
                return true;
            if (!controller.engine().busy()) {
                controller.drain();
                return board().enabled(control);
            }
            std::this_thread::yield();
        }
    }

    void pauseAFewMoments()
    {
        const int micros = randomBelow(4) == 0 ? 0 : randomBelow(3000);
        if (micros > 0)
            std::this_thread::sleep_for(std::chrono::microseconds(micros));
    }

    struct Limits {
        std::int64_t memory = -1, time = -1, iterations = -1;
        bool any() const { return memory >= 0 || time >= 0 || iterations >= 0; }
    };

    Limits chooseLimits()
    {
        Limits l;
        switch (randomBelow(6)) {
        case 0: l.iterations = 1 + randomBelow(40); break;
        case 1: l.memory = randomBelow(20000); break;
        case 2: l.time = 0; break;
        default: break; // most runs end by the user's stop, or complete
        }
        return l;
    }

    // Checks everything a finished run shows and delivered.
    void checkRun(const std::array<bool, 3>& chosen, const std::array<Limits, 3>& limits, int cycle)
    {
        StructureWorkspace& ws = controller.workspace();
        const char separator = controller.decimalSeparator();
        SCOPED_TRACE("cycle " + std::to_string(cycle));
        EXPECT_TRUE(board().errors().empty()) << board().errors().back().first;
        EXPECT_EQ(board().progress(), 10000);
        EXPECT_TRUE(board().enabled("play"));
        for (const char* off : {"pause", "resume", "stop"})
            EXPECT_FALSE(board().enabled(off)) << off;
        for (Algorithm a : kAlgorithms) {
            const AlgorithmBinding& b = binding(a);
            const std::size_t i = static_cast<std::size_t>(a);
            if (!chosen[i]) {
                EXPECT_EQ(controller.engine().rowOf(a), 0);
                continue;
            }
            const AlgorithmCells& cells = ws.cells(a);
            const int row = controller.engine().rowOf(a);
            const std::int32_t anomalies = cells.anomalies.load();
            const bool stopped = controller.engine().stoppedByUser(a);
            EXPECT_FALSE(cells.failed.load()) << algorithmName(a);
            EXPECT_TRUE(cells.done.load()) << algorithmName(a);
            EXPECT_EQ(board().cell(row, 0), algorithmName(a));
            const long double value = cells.availabilityValue();
            EXPECT_EQ(board().cell(row, 1), formatGeneral(value, separator)) << algorithmName(a);
            const std::string anomalyText = board().cell(row, 4);
            if (anomalies < 0) {
                EXPECT_EQ(board().control(b.lamp).colour, kRed) << algorithmName(a);
                // A user's stop and the algorithm's own limit may both have
                // come; without a limit only the stop can have ended it.
                if (!stopped)
                    EXPECT_EQ(anomalyText, "ograničena nit") << algorithmName(a);
                else if (!limits[i].any())
                    EXPECT_EQ(anomalyText, "prekinuta nit") << algorithmName(a);
                else
                    EXPECT_TRUE(anomalyText == "prekinuta nit" || anomalyText == "ograničena nit") << anomalyText;
                EXPECT_LE(value, full * (1 + 1e-12L)) << algorithmName(a);
            } else {
                EXPECT_EQ(anomalies, 0) << algorithmName(a);
                EXPECT_EQ(anomalyText, "nisu primjećene") << algorithmName(a);
                EXPECT_EQ(board().control(b.lamp).colour, kGreen) << algorithmName(a);
                EXPECT_NEAR(static_cast<double>(value), static_cast<double>(full), 1e-12) << algorithmName(a);
            }
            const std::vector<Term> terms = deliveredTerms(controller.engine().finalTerms(a));
            for (std::size_t t = 0; t < terms.size(); ++t) {
                ASSERT_TRUE(termContainsAPath(terms[t], ws, controller.engine().lastOptions().idealTerminals)) << algorithmName(a) << " term " << t;
                for (std::size_t u = t + 1; u < terms.size(); ++u)
                    ASSERT_TRUE(exclusive(terms[t], terms[u])) << algorithmName(a) << " terms " << t << ", " << u;
            }
        }
    }
};

} // namespace

// The waiter may destroy an auto-reset event as soon as its wait returns,
// while the thread that set it may still be inside set().
TEST(AutoResetEventStress, EventMayBeDestroyedAsSoonAsTheWaitReturns)
{
    for (int round = 0; round < 2000; ++round) {
        auto event = std::make_unique<AutoResetEvent>();
        std::thread setter([&event] { event->set(); });
        event->wait();
        event.reset();
        setter.join();
    }
}

TEST_F(RunControlStress, StartPauseStopResumeAtRandomMoments)
{
    constexpr int kCycles = 1000;
    int stoppedRuns = 0;
    int limitedRuns = 0;
    int completeRuns = 0;
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        std::array<bool, 3> chosen{};
        while (!(chosen[0] || chosen[1] || chosen[2]))
            for (bool& c : chosen)
                c = randomBelow(2) == 0;
        std::array<Limits, 3> limits;
        for (Algorithm a : kAlgorithms) {
            const std::size_t i = static_cast<std::size_t>(a);
            limits[i] = chooseLimits();
            AlgorithmSettings& settings = controller.workspace().settings(a);
            settings.memoryLimit = limits[i].memory;
            settings.timeLimit = limits[i].time;
            settings.iterationLimit = limits[i].iterations;
        }
        chooseAlgorithms(chosen[0], chosen[1], chosen[2]);

        hangGuard.arm(std::chrono::seconds(120), "cycle " + std::to_string(cycle));
        controller.startRun();
        // Start, pause, stop, resume, each when the window allows it, at
        // random moments; now and then one algorithm is stopped alone.
        pauseAFewMoments();
        const bool pausing = randomBelow(3) != 0;
        if (pausing && waitUntilEnabled("pause")) {
            controller.pauseRun();
            pauseAFewMoments();
        }
        if (randomBelow(5) == 0) {
            const Algorithm one = kAlgorithms[static_cast<std::size_t>(randomBelow(3))];
            if (waitUntilEnabled(binding(one).stopMenuItem))
                controller.stopAlgorithm(one);
            pauseAFewMoments();
            if (randomBelow(2) == 0 && waitUntilEnabled("stop"))
                controller.stopRun();
        } else if (randomBelow(8) != 0 && waitUntilEnabled("stop")) {
            controller.stopRun();
        }
        pauseAFewMoments();
        controller.drain();
        controller.resumeRun();
        // A second Start right away is refused while the run winds down.
        controller.startRun();
        waitForEnd("end of cycle " + std::to_string(cycle));
        checkRun(chosen, limits, cycle);
        if (HasFatalFailure() || ::testing::Test::HasFailure())
            return;
        bool anyStopped = false;
        bool anyLimited = false;
        for (Algorithm a : kAlgorithms) {
            if (!chosen[static_cast<std::size_t>(a)] || controller.workspace().cells(a).anomalies.load() >= 0)
                continue;
            (controller.engine().stoppedByUser(a) ? anyStopped : anyLimited) = true;
        }
        stoppedRuns += anyStopped;
        limitedRuns += anyLimited && !anyStopped;
        completeRuns += !anyStopped && !anyLimited;
    }
    // The random moments must have produced every kind of ending.
    EXPECT_GT(stoppedRuns, kCycles / 10);
    EXPECT_GT(limitedRuns, kCycles / 20);
    EXPECT_GT(completeRuns, kCycles / 20);
    std::printf("runs: %d stopped, %d limited, %d complete\n", stoppedRuns, limitedRuns, completeRuns);
}

TEST_F(RunControlStress, RunStartedRightAfterAStoppedOneComputesTheFullResult)
{
    for (int cycle = 0; cycle < 15; ++cycle) {
        chooseAlgorithms(true, true, true);
        hangGuard.arm(std::chrono::seconds(120), "stopped run " + std::to_string(cycle));
        controller.startRun();
        if (waitUntilEnabled("stop"))
            controller.stopRun();
        waitForEnd("stopped run " + std::to_string(cycle));
        // Started at once: nothing of the stopped run may leak into it.
        controller.startRun();
        waitForEnd("full run " + std::to_string(cycle));
        checkRun({true, true, true}, {}, cycle);
        for (Algorithm a : kAlgorithms) {
            EXPECT_FALSE(controller.engine().stoppedByUser(a));
            EXPECT_EQ(controller.workspace().cells(a).anomalies.load(), 0);
        }
        if (::testing::Test::HasFailure())
            return;
    }
}

// Whoever sees a stop request of the user must also see that the user made
// it: otherwise a run that the user stopped can end showing "ograničena nit".
// The watcher spins on the request from another thread, so that it reads the
// mark right after the request appears.
TEST_F(RunControlStress, StopRequestIsNeverSeenBeforeItsUserMark)
{
    constexpr int kRounds = 5000;
    hangGuard.arm(std::chrono::seconds(240), "stop marks");
    AlgorithmCells& cells = controller.workspace().cells(Algorithm::Enr);
    std::atomic<int> armed{-1};
    std::atomic<int> watching{-1};
    std::atomic<int> seen{-1};
    std::atomic<int> unmarked{0};
    std::thread watcher([&] {
        for (int round = 0; round < kRounds; ++round) {
            while (armed.load() != round)
                std::this_thread::yield();
            watching = round;
            while (!cells.stopRequested()) {
            }
            if (!controller.engine().stoppedByUser(Algorithm::Enr))
                ++unmarked;
            seen = round;
        }
    });
    for (int round = 0; round < kRounds; ++round) {
        controller.engine().clearResults();
        cells.selected = 1; // as during a run: Stop applies to a chosen algorithm
        armed = round;
        while (watching.load() != round)
            std::this_thread::yield();
        controller.engine().stopAlgorithm(Algorithm::Enr);
        while (seen.load() != round)
            std::this_thread::yield();
    }
    watcher.join();
    EXPECT_EQ(unmarked.load(), 0);
}
