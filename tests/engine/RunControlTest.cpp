#include "ControllerFixture.h"
#include "algorithms/Abraham.h"
#include "algorithms/RunFrame.h"
#include "algorithms/WorkStructure.h"
#include "platform/Numbers.h"
#include "platform/Threads.h"
#include "run/AlgorithmTable.h"
#include "run/ResultRows.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <tuple>
#include <variant>

using namespace velmor;
using namespace velmor::testing;

namespace {

// Big enough that no algorithm finishes within the seconds a test waits.
StructurePlan slowStructure()
{
    return grid(5, 5, 0.99L, 0.9L);
}

// The availability as Abraham computes it outside any thread, with the
// window's default options.
long double directAvailability(const StructurePlan& plan, bool directed)
{
    StructureWorkspace ws;
    buildStructure(ws, plan);
    AlgorithmOptions abraham;
    abraham.variant = 2;
    EXPECT_TRUE(prepareWorkStructure(ws, workOptions(directed, true, false)));
    AlgorithmRun run(Algorithm::Abraham, ws.abraham, abraham);
    TermRows terms;
    EXPECT_TRUE(runAbraham(run, ws, terms));
    long double value = 0;
    EXPECT_TRUE(evaluateTerms(terms, ws.elementMap, ws.workSourceIndex, ws.workDestinationIndex, ws.elements, value,
                              true));
    return value;
}

std::string expectedAvailability(const StructurePlan& plan, bool directed, char separator = '.')
{
    return formatGeneral(exactAvailability(plan, directed, true), separator);
}

} // namespace

// --- Validation ---------------------------------------------------------------------

TEST_F(ControllerTest, StartWithoutStructureIsRefused)
{
    controller.startRun();
    controller.drain();
    ASSERT_EQ(board().errors().size(), 1u);
    EXPECT_EQ(board().errors()[0].first, "Nije moguce pokrenuti program koji nije ucitan");
    EXPECT_EQ(board().errors()[0].second, "");
    EXPECT_FALSE(board().enabled("play"));
    EXPECT_FALSE(board().enabled("Start1"));
    EXPECT_FALSE(controller.resultsPresent());
}

struct ValidationCase {
    const char* name;
    bool pairFromFile;
    bool sameTerminals;
    bool anyAlgorithm;
    const char* first;
    const char* second;
};

class ValidationTest : public ControllerTest, public ::testing::WithParamInterface<ValidationCase> {};

TEST_P(ValidationTest, ReportsAndChangesNothing)
{
    const ValidationCase& c = GetParam();
    StructurePlan plan = bridge();
    if (!c.pairFromFile)
        plan.source = plan.destination = 999; // no such node: the file gets no pair
    StructureWorkspace ws;
    if (c.pairFromFile) {
        load(plan, false);
    } else {
        plan.source = 1;
        plan.destination = 4;
        std::string text = readBytes(writeStructureFile(dir, "p.dsm", plan, false));
        const std::string pairSection = "   par:\n   {\n      1 , 4;\n   }\n";
        ASSERT_NE(text.find(pairSection), std::string::npos);
        text.erase(text.find(pairSection), pairSection.size());
        load(dir.write("nopair.dsm", text));
        ASSERT_TRUE(controller.structurePresent());
    }
    if (c.sameTerminals) {
        controller.userCheck("zadan1", false);
        controller.userSelect("ComboBox2", 0); // node 1, the source
    }
    chooseAlgorithms(c.anyAlgorithm, false, c.anyAlgorithm);
    controller.drain();
    const ControlBoard before = board();
    controller.startRun();
    controller.engine().waitUntilIdle();
    controller.drain();
    ASSERT_EQ(board().errors().size(), before.errors().size() + 1) << c.name;
    EXPECT_EQ(board().errors().back().first, c.first);
    EXPECT_EQ(board().errors().back().second, c.second);
    for (const char* control : {"play", "pause", "stop", "otvoridatoteku", "rezabr", "detaljni"})
        EXPECT_EQ(board().enabled(control), before.enabled(control)) << control;
    EXPECT_EQ(board().rowCount(), before.rowCount());
}

INSTANTIATE_TEST_SUITE_P(
    Messages, ValidationTest,
    ::testing::Values(
        ValidationCase{"NoPair", false, false, false, "Ili izvorišni ili odredišni čvor nisu zadani,",
                       "pravilno specificirajte karakteristiku grafa"},
        ValidationCase{"NoPairAndAlgorithms", false, false, true, "Ili izvorišni ili odredišni čvor nisu zadani,",
                       "pravilno specificirajte karakteristiku grafa"},
        ValidationCase{"SameWithAlgorithm", true, true, true, "Izvorišni i odredišni čvorovi su identični, stoga je",
                       "svrsishodno odrediti međusobno različite čvorove"},
        ValidationCase{"SameWithoutAlgorithm", true, true, false, "Izvorišni i odredišni čvorovi su identični, te",
                       "nije zadan niti jedan ponuđeni algoritam"},
        ValidationCase{"NoAlgorithm", true, false, false, "      Potrebno je izabrati barem jedan algoritam", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ControllerTest, TypedComboTextIsNoChoice)
{
    load(bridge(), false);
    controller.userCheck("zadan1", false);
    controller.userType("ComboBox1", "          1");
    chooseAlgorithms(true, false, false);
    controller.startRun();
    controller.engine().waitUntilIdle();
    controller.drain();
    ASSERT_FALSE(board().errors().empty());
    EXPECT_EQ(board().errors().back().first, "Ili izvorišni ili odredišni čvor nisu zadani,");
}

// --- Complete runs ------------------------------------------------------------------

TEST_F(ControllerTest, RowsFollowTheChosenAlgorithmsInFixedOrder)
{
    const StructurePlan plan = bridge();
    load(plan, false);
    const std::string availability = expectedAvailability(plan, false, controller.decimalSeparator());
    for (int mask = 1; mask < 8; ++mask) {
        const bool chosen[3] = {(mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0};
        chooseAlgorithms(chosen[0], chosen[1], chosen[2]);
        runToEnd();
        int row = 0;
        for (Algorithm a : kAlgorithms) {
            const AlgorithmBinding& b = binding(a);
            if (!chosen[static_cast<int>(a)]) {
                EXPECT_EQ(board().control(b.lamp).colour, kSkyBlue) << mask;
                continue;
            }
            ++row;
            EXPECT_EQ(controller.engine().rowOf(a), row);
            EXPECT_EQ(board().cell(row, 0), algorithmName(a)) << mask;
            EXPECT_EQ(board().cell(row, 1), availability) << algorithmName(a);
            EXPECT_EQ(board().cell(row, 4), "nisu primjećene");
            EXPECT_EQ(board().cell(row, 2).size(), 22u);
            EXPECT_EQ(board().cell(row, 3).size(), 21u);
            EXPECT_EQ(board().control(b.lamp).colour, kGreen) << algorithmName(a);
            EXPECT_TRUE(board().enabled(b.reportButton));
            const AlgorithmCells& cells = controller.workspace().cells(a);
            EXPECT_EQ(board().text(b.progressLabel), std::to_string(cells.progressDone.load()) + "/"
                                                         + std::to_string(cells.progressTotal.load()));
            EXPECT_GT(cells.iterations.load(), 0);
        }
        EXPECT_EQ(board().rowCount(), row + 1) << mask;
        EXPECT_EQ(board().progress(), 10000);
        EXPECT_TRUE(board().enabled("play"));
        EXPECT_FALSE(board().enabled("pause"));
        EXPECT_FALSE(board().enabled("stop"));
        EXPECT_TRUE(board().enabled("detaljni"));
        EXPECT_TRUE(board().errors().empty());
    }
}

TEST_F(ControllerTest, DirectedAndUndirectedRunsUseTheirMatrix)
{
    StructurePlan plan = bridge();
    plan.edges[2] = {7, 3, 2, 0.9L}; // against the bridge's direction
    load(plan, true);
    chooseAlgorithms(true, true, true);
    runToEnd();
    const char separator = controller.decimalSeparator();
    EXPECT_EQ(board().cell(1, 1), expectedAvailability(plan, true, separator));
    controller.directionMenu(false);
    runToEnd();
    EXPECT_EQ(board().cell(2, 1), expectedAvailability(plan, false, separator));
    EXPECT_NE(expectedAvailability(plan, true), expectedAvailability(plan, false));
}

TEST_F(ControllerTest, SecondRunClearsTheFirstOnesRows)
{
    load(bridge(), false);
    chooseAlgorithms(true, true, true);
    runToEnd();
    ASSERT_EQ(board().rowCount(), 4);
    chooseAlgorithms(false, true, false);
    runToEnd();
    EXPECT_EQ(board().rowCount(), 2);
    EXPECT_EQ(board().cell(1, 0), "ENR");
    EXPECT_EQ(board().cell(2, 0), "");
}

// The shown availability is the evaluation of the terms each algorithm
// delivered, to the last bit, whether the run ends or is stopped: the trees'
// value comes from the sum the polling kept while they ran.
TEST_F(ControllerTest, AvailabilityIsTheEvaluationOfTheDeliveredTerms)
{
    auto expectEvaluated = [this](const char* when) {
        const StructureWorkspace& ws = controller.workspace();
        for (Algorithm a : kAlgorithms) {
            long double evaluated = -1;
            ASSERT_TRUE(evaluateTerms(controller.engine().finalTerms(a), ws.elementMap, ws.workSourceIndex,
                                      ws.workDestinationIndex, ws.elements, evaluated, controller.engine().lastOptions().idealTerminals));
            EXPECT_EQ(ws.cells(a).availabilityValue(), evaluated) << algorithmName(a) << ", " << when;
        }
    };
    auto treesHaveTerms = [this] {
        const StructureWorkspace& ws = controller.workspace();
        return ws.enr.availabilityValue() > 0 && ws.npr.availabilityValue() > 0;
    };
    load(grid(3, 4, 0.95L, 0.9L), false);
    chooseAlgorithms(true, true, true);
    runToEnd();
    expectEvaluated("full run");
    EXPECT_TRUE(treesHaveTerms());

    // Stopped once both trees have terms to show.
    load(grid(4, 5, 0.99L, 0.9L), false);
    chooseAlgorithms(true, true, true);
    controller.startRun();
    ASSERT_TRUE(waitFor(treesHaveTerms));
    controller.stopRun();
    controller.engine().waitUntilIdle();
    controller.drain();
    for (Algorithm a : kAlgorithms)
        EXPECT_LT(controller.workspace().cells(a).anomalies.load(), 0) << algorithmName(a) << " ran to its end";
    expectEvaluated("stopped run");
}

TEST(ProgressBar, StepsAndFullBar)
{
    EXPECT_EQ(progressStepFor(1), 10001);
    EXPECT_EQ(progressStepFor(2), 5001);
    EXPECT_EQ(progressStepFor(3), 3334);
    EXPECT_EQ(progressBarPosition(10001, {1, 0, 0}), 10001);
    EXPECT_EQ(progressBarPosition(5001, {1, 0, 1}), 10002);
    EXPECT_EQ(progressBarPosition(3334, {1, 1, 1}), 10002);
    EXPECT_EQ(progressBarPosition(3334, {0, 0, 0}), 0);
    EXPECT_EQ(progressBarPosition(3334, {0.5f, 0, 0}), 1667);
    EXPECT_EQ(progressBarPosition(3334, {0.25f, 0, 0}), static_cast<int>(std::ceil(3334 * 0.25)));
}

// --- Stopping, pausing, limits ---------------------------------------------------------------

TEST_F(ControllerTest, StopEndsEveryAlgorithmAsInterrupted)
{
    load(slowStructure(), false);
    chooseAlgorithms(true, true, true);
    controller.startRun();
    ASSERT_TRUE(waitFor([&] { return controller.workspace().npr.iterations.load() > 0; }));
    controller.stopRun();
    controller.engine().waitUntilIdle();
    controller.drain();
    for (Algorithm a : kAlgorithms) {
        const int row = controller.engine().rowOf(a);
        EXPECT_EQ(board().cell(row, 4), "prekinuta nit") << algorithmName(a);
        EXPECT_EQ(board().control(binding(a).lamp).colour, kRed);
        EXPECT_LT(controller.workspace().cells(a).anomalies.load(), 0);
    }
    EXPECT_TRUE(board().enabled("play"));
    EXPECT_EQ(board().progress(), 10000);
}

TEST_F(ControllerTest, StoppingOneAlgorithmLeavesTheOthers)
{
    const StructurePlan plan = grid(4, 4, 0.99L, 0.9L); // Abraham and NPR finish quickly, ENR does not
    load(plan, false);
    chooseAlgorithms(true, true, false);
    controller.startRun();
    ASSERT_TRUE(waitFor([&] { return controller.workspace().enr.iterations.load() > 0; }));
    controller.stopAlgorithm(Algorithm::Enr);
    controller.engine().waitUntilIdle();
    controller.drain();
    EXPECT_EQ(board().cell(1, 4), "nisu primjećene");
    EXPECT_EQ(board().cell(1, 1), formatGeneral(directAvailability(plan, false), controller.decimalSeparator()));
    EXPECT_EQ(board().cell(2, 4), "prekinuta nit");
    EXPECT_FALSE(controller.engine().stoppedByUser(Algorithm::Abraham));
    EXPECT_TRUE(controller.engine().stoppedByUser(Algorithm::Enr));
    // A stopped run's availability never exceeds the full one.
    std::string partial = board().cell(2, 1);
    std::replace(partial.begin(), partial.end(), ',', '.');
    EXPECT_LE(std::strtold(partial.c_str(), nullptr), directAvailability(plan, false) + 1e-15L);
}

TEST_F(ControllerTest, PauseHoldsTheAlgorithmsAndStopWaitsForResume)
{
    load(slowStructure(), false);
    chooseAlgorithms(false, true, true);
    controller.startRun();
    ASSERT_TRUE(waitFor([&] { return controller.workspace().enr.iterations.load() > 0; }));
    controller.pauseRun();
    controller.drain();
    EXPECT_FALSE(board().enabled("pause"));
    EXPECT_TRUE(board().enabled("resume"));
    // An iteration under way when Pause came may still end (its length
    // depends on the machine and the build); after it each algorithm is held
    // at its check point and counts no further.
    const int enrAtPause = controller.workspace().enr.iterations.load();
    const int nprAtPause = controller.workspace().npr.iterations.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const int enrIterations = controller.workspace().enr.iterations.load();
    const int nprIterations = controller.workspace().npr.iterations.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    for (auto [atPause, before, after] :
         {std::tuple{enrAtPause, enrIterations, controller.workspace().enr.iterations.load()},
          std::tuple{nprAtPause, nprIterations, controller.workspace().npr.iterations.load()}}) {
        EXPECT_LE(after, atPause + 1);
        if (before == atPause + 1) {
            EXPECT_EQ(after, before);
        }
    }

    controller.stopRun();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(controller.engine().busy()); // held threads cannot notice the stop
    controller.drain();
    EXPECT_FALSE(board().enabled("play"));

    controller.resumeRun();
    controller.engine().waitUntilIdle();
    controller.drain();
    EXPECT_EQ(board().cell(1, 4), "prekinuta nit");
    EXPECT_EQ(board().cell(2, 4), "prekinuta nit");
    EXPECT_FALSE(board().enabled("resume"));
    EXPECT_TRUE(board().enabled("play"));
}

struct LimitCase {
    const char* name;
    std::int64_t memory;
    std::int64_t time;
    std::int64_t iterations;
};

class LimitTest : public ControllerTest, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(LimitTest, EveryAlgorithmEndsAsLimited)
{
    load(slowStructure(), false);
    for (Algorithm a : kAlgorithms) {
        AlgorithmSettings& settings = controller.workspace().settings(a);
        settings.memoryLimit = GetParam().memory;
        settings.timeLimit = GetParam().time;
        settings.iterationLimit = GetParam().iterations;
    }
    chooseAlgorithms(true, true, true);
    runToEnd();
    for (Algorithm a : kAlgorithms) {
        const int row = controller.engine().rowOf(a);
        EXPECT_EQ(board().cell(row, 4), "ograničena nit") << algorithmName(a);
        EXPECT_EQ(board().control(binding(a).lamp).colour, kRed);
        EXPECT_EQ(controller.workspace().cells(a).iterations.load(), 1) << algorithmName(a);
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, LimitTest,
                         ::testing::Values(LimitCase{"Memory", 0, -1, -1}, LimitCase{"Time", -1, 0, -1},
                                           LimitCase{"Iterations", -1, -1, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

// The time limit counts the execution slot only; ENR's standard variant
// spends all its time there, so the limit acts after about a second.
TEST_F(ControllerTest, TimeLimitReachedDuringTheRun)
{
    load(slowStructure(), false);
    controller.workspace().settings(Algorithm::Enr).timeLimit = 1;
    chooseAlgorithms(false, true, false);
    controller.userCheck("RadioButton6", true);
    runToEnd();
    EXPECT_EQ(board().cell(1, 4), "ograničena nit");
    EXPECT_GE(controller.workspace().enr.timers.total(traits(Algorithm::Enr).executionSlot), 1.0L);
}

// --- Threads that cannot be created -------------------------------------------------------

TEST_F(ControllerTest, AlgorithmThreadThatCannotStartIsFailedAndDoesNotBlock)
{
    const StructurePlan plan = bridge();
    load(plan, true);
    int launches = 0;
    controller.engine().setThreadLauncher([&launches](WorkerThread& thread, long long stack, std::function<void()> body) {
        ++launches;
        if (launches == 3) // core, Abraham, then ENR
            return false;
        return thread.start(stack, std::move(body));
    });
    chooseAlgorithms(true, true, true);
    runToEnd();
    const auto& errors = board().errors();
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].first, "Neispravno ponašanje ENR niti zbog nedostatka resursa");
    EXPECT_EQ(errors[1].first, "Neispravno izvršenje navedenih algoritama :");
    EXPECT_EQ(errors[1].second, "ENR");
    EXPECT_EQ(board().control("Shape2").colour, kBlack);
    EXPECT_EQ(board().control("Shape1").colour, kGreen);
    EXPECT_EQ(board().cell(3, 1), expectedAvailability(plan, true, controller.decimalSeparator()));
    EXPECT_TRUE(controller.resultsPresent());
    EXPECT_TRUE(board().enabled("play"));
}

TEST_F(ControllerTest, CoreThreadThatCannotStartResetsTheWindow)
{
    load(bridge(), true);
    controller.engine().setThreadLauncher([](WorkerThread&, long long, std::function<void()>) { return false; });
    chooseAlgorithms(true, false, false);
    controller.startRun();
    controller.drain();
    ASSERT_EQ(board().errors().size(), 1u);
    EXPECT_EQ(board().errors()[0].first, "Neispravno ponašanje stvorene niti zbog nedostatka resursa");
    EXPECT_FALSE(board().enabled("play"));
    EXPECT_FALSE(board().enabled("CheckBox1"));
    EXPECT_TRUE(board().enabled("CheckBox3")); // a structure is still present
    EXPECT_EQ(board().control("Shape1").colour, kBlue);
}

// A fault of the core thread once the algorithms are on ends the run only
// after every algorithm thread has ended: nothing of the run comes after its end.
TEST_F(ControllerTest, FaultAfterTheAlgorithmsStartedEndsTheRunAfterThem)
{
    load(grid(3, 5, 0.99L, 0.9L), false);
    chooseAlgorithms(true, true, true);
    controller.engine().setAfterAlgorithmsStarted([] { throw std::runtime_error("umjetna greška"); });
    controller.startRun();
    controller.engine().waitUntilIdle();

    std::vector<Algorithm> ended;
    bool runEnded = false;
    std::string failure;
    for (ChannelItem& item : controller.channel().takeAll()) {
        const RunEvent* event = std::get_if<RunEvent>(&item);
        if (!event)
            continue;
        if (const auto* one = std::get_if<events::AlgorithmEnded>(event)) {
            EXPECT_FALSE(runEnded) << "an algorithm ended after its run";
            ended.push_back(one->algorithm);
        } else if (const auto* f = std::get_if<events::Failure>(event)) {
            failure = f->first + "|" + f->second;
        } else if (std::holds_alternative<events::RunEnded>(*event)) {
            runEnded = true;
        }
    }
    EXPECT_TRUE(runEnded);
    EXPECT_EQ(ended.size(), 3u);
    EXPECT_EQ(failure, "Lokalna nestabilnost programa, pokušaj ponovo|error description : umjetna greška");
    EXPECT_FALSE(controller.engine().busy());
}

// --- Result rows -------------------------------------------------------------------------------

// An interrupt must reach the thread that waits for it, not a worker busy
// computing; the starting thread's own signals stay as they were.
TEST(WorkerThreads, StartWithTheTerminalsSignalsBlocked)
{
    sigset_t before;
    pthread_sigmask(SIG_SETMASK, nullptr, &before);
    std::atomic<int> blocked{-1};
    WorkerThread thread;
    ASSERT_TRUE(thread.start(0, [&blocked] {
        sigset_t mask;
        pthread_sigmask(SIG_SETMASK, nullptr, &mask);
        blocked = sigismember(&mask, SIGINT) + sigismember(&mask, SIGTERM);
    }));
    thread.join();
    EXPECT_EQ(blocked.load(), 2);
    sigset_t after;
    pthread_sigmask(SIG_SETMASK, nullptr, &after);
    EXPECT_EQ(sigismember(&after, SIGINT), sigismember(&before, SIGINT));
}

TEST(ResultRows, MeasuresAreUnderscorePadded)
{
    EXPECT_EQ(paddedMeasure("1234567", 20), std::string(13, '_') + "1234567 *");
    EXPECT_EQ(paddedMeasure("0", 19), std::string(18, '_') + "0 *");
    EXPECT_EQ(paddedMeasure(std::string(25, '9'), 20), std::string(25, '9') + " *");
}

TEST(ResultRows, AnomalyTextsAndColours)
{
    ResultValues v;
    v.availability = 0.5L;
    v.memory = 1234567;
    EXPECT_EQ(formatResultRow(Algorithm::Npr, v, '.').cells[4], "nisu primjećene");
    EXPECT_FALSE(formatResultRow(Algorithm::Npr, v, '.').lamp.has_value());
    v.anomalies = 3;
    EXPECT_EQ(formatResultRow(Algorithm::Enr, v, '.').cells[4], "3");
    EXPECT_EQ(formatResultRow(Algorithm::Enr, v, '.').lamp, kRed);
    v.anomalies = -1;
    EXPECT_EQ(formatResultRow(Algorithm::Abraham, v, '.').cells[4], "ograničena nit");
    v.stoppedByUser = true;
    EXPECT_EQ(formatResultRow(Algorithm::Abraham, v, '.').cells[4], "prekinuta nit");
    v.failed = true;
    const ResultRow failed = formatResultRow(Algorithm::Abraham, v, '.');
    EXPECT_EQ(failed.cells[4], "greška !");
    EXPECT_EQ(failed.lamp, kBlack);
    EXPECT_EQ(failed.cells[0], "Abraham");
    EXPECT_EQ(failed.cells[2], std::string(13, '_') + "1234567 *");
}

TEST(ResultRows, DecimalSeparatorOfTheLocale)
{
    ResultValues v;
    v.availability = 0.97848L;
    v.time = 1.5L;
    const ResultRow comma = formatResultRow(Algorithm::Enr, v, ',');
    EXPECT_EQ(comma.cells[1], "0,97848");
    EXPECT_EQ(comma.cells[3], std::string(16, '_') + "1,5 *");
    const ResultRow point = formatResultRow(Algorithm::Enr, v, '.');
    EXPECT_EQ(point.cells[1], "0.97848");
    v.availability = 1;
    EXPECT_EQ(formatResultRow(Algorithm::Enr, v, ',').cells[1], "1");
    v.availability = 0.0001L;
    EXPECT_EQ(formatResultRow(Algorithm::Enr, v, ',').cells[1], "0,0001");
    v.availability = 0.00001234L;
    EXPECT_EQ(formatResultRow(Algorithm::Enr, v, ',').cells[1], "1,234E-5");
}

TEST(ResultRows, SeparatorFromAnInstalledLocale)
{
    // Follows the environment; only checked where such locales exist.
    const char* saved = std::getenv("LC_ALL");
    const std::string restore = saved ? saved : "";
    for (const auto& [name, separator] : {std::pair{"de_DE.UTF-8", ','}, std::pair{"C.UTF-8", '.'}}) {
        try {
            std::locale probe(name);
        } catch (const std::exception&) {
            continue;
        }
        setenv("LC_ALL", name, 1);
        EXPECT_EQ(userDecimalSeparator(), separator) << name;
    }
    if (saved)
        setenv("LC_ALL", restore.c_str(), 1);
    else
        unsetenv("LC_ALL");
}
