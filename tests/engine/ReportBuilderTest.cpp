// The detailed reports built from real runs of the example structure and
// from hand-made workspaces: tree texts, counts, times, chart and options.
// The expected trees were worked out by hand from the algorithms' rules.

#include "ControllerFixture.h"

#include "platform/Numbers.h"
#include "platform/Threads.h"
#include "run/ReportBuilder.h"

#include <atomic>

using namespace velmor;
using namespace velmor::testing;

namespace {

using Lines = std::vector<std::string>;

const std::string kExample = VELMOR_EXAMPLES_DIR "/primjer.dsm";

struct ReportRun {
    bool ideal = true;
    bool normal = true;
    int abrahamRule = 2;
};

class ExampleReport : public ControllerTest {
protected:
    // Runs one algorithm on the example (directed, pair 1 -> 3, reduction on)
    // and builds its report.
    ReportContent run(Algorithm a, const ReportRun& options = {})
    {
        load(kExample);
        chooseAlgorithms(a == Algorithm::Abraham, a == Algorithm::Enr, a == Algorithm::Npr);
        controller.userCheck("CheckBox2", options.ideal);
        if (a == Algorithm::Abraham) // its rule buttons are enabled with its choice
            controller.userCheck(options.abrahamRule == 1 ? "RadioButton4" : "RadioButton5", true);
        controller.workspace().settings(a).normal = options.normal ? 1 : 0;
        runToEnd();
        EXPECT_TRUE(controller.workspace().cells(a).done.load());
        return buildReport(controller.workspace(), controller.engine().lastOptions(), a, nullptr, '.');
    }

    std::string options(const char* terminals, int level) const
    {
        return kExample + ", redukcija" + terminals + ", razina opt. : " + std::to_string(level);
    }
};

std::string general(long double value)
{
    return formatGeneral(value, '.');
}

} // namespace

TEST_F(ExampleReport, AbrahamUnderBothRulesShowsPathsWithTheirProducts)
{
    const ReportContent report = run(Algorithm::Abraham);
    EXPECT_TRUE(report.finished);
    EXPECT_EQ(report.caption, "Detaljni prikaz rezulatata algoritma Abraham");
    EXPECT_EQ(report.algorithm, "Algoritam : Abraham");
    // The path through N3 leaves N3 out: its availability is 1.
    EXPECT_EQ(report.tree.indentedLines(), (Lines{
                                               "PD(1,x) nastali iz S1(N1 e6 ), Z:2, N:2",
                                               "  N1 e6 ",
                                               "PD(2,x) nastali iz S2(N1 N2 e4 e5 ), Z:4, N:1",
                                               "  N1 N2 e4 e5 *e6 ",
                                           }));
    EXPECT_EQ(report.detailLabels,
              (std::array<std::string, 4>{"raspoloživost :", "ukupno iteracija :", "uspješnih putova :",
                                          "uspješnih rješenja :"}));
    EXPECT_EQ(report.detailValues, (std::array<std::string, 4>{"0.960845", "1", "2", "2"}));
    EXPECT_TRUE(report.boundsShown);
    EXPECT_EQ(report.boundValues, (std::array<std::string, 2>{"0.960845", "0.960845"}));
    EXPECT_EQ(report.status, options(", rub idealan", 2));
}

TEST_F(ExampleReport, AbrahamRule1ShowsLengthsButNoOverlaps)
{
    const ReportContent report = run(Algorithm::Abraham, {.ideal = false, .normal = true, .abrahamRule = 1});
    EXPECT_EQ(report.tree.indentedLines(), (Lines{
                                               "PD(1,x) nastali iz S1(N1 e6 ), Z:2",
                                               "  N1 e6 ",
                                               "PD(2,x) nastali iz S2(N1 N2 e4 e5 ), Z:4",
                                               "  N1 N2 e4 e5 *e6 ",
                                           }));
    // Real terminals: the source counts with 0.9.
    EXPECT_EQ(report.detailValues[0], "0.8647605");
    EXPECT_EQ(report.status, options(", rub realan", 1));
}

TEST_F(ExampleReport, AbrahamTimesAndChartComeFromTheRun)
{
    const ReportContent report = run(Algorithm::Abraham);
    const AlgorithmCells& cells = controller.workspace().abraham;
    ASSERT_TRUE(report.timesShown);
    EXPECT_EQ(report.timeLabels, (std::array<std::string, 4>{"sustav :", "traženje elementarnih putova:",
                                                              "sortiranje nađenih putova :", "izvršavanje algoritma :"}));
    for (int slot = 0; slot < 4; ++slot)
        EXPECT_EQ(report.timeValues[static_cast<std::size_t>(slot)], general(cells.timers.total(slot))) << slot;
    EXPECT_TRUE(report.lastTimeShown);

    // The origin in the default colour, then every sample but the peak, in red.
    ASSERT_EQ(cells.memoryLog.lastIndex(), 1); // two paths: one iteration
    ASSERT_TRUE(report.chartShown);
    EXPECT_EQ(report.chart, (std::vector<ChartPoint>{{0, 0, "", false}, {1, cells.memoryLog.sample(1), "1", true}}));
    EXPECT_GT(report.chart[1].y, 0);
}

TEST_F(ExampleReport, EnrIdealNormalLeavesOutTheFailuresOfTheDestination)
{
    const ReportContent report = run(Algorithm::Enr);
    EXPECT_EQ(report.caption, "Detaljni prikaz rezulatata algoritma ENR");
    EXPECT_EQ(report.tree.indentedLines(), (Lines{
                                               "N1",
                                               "  e4 ",
                                               "    N2 ",
                                               "      e5 ",
                                               "        N3 (uspjeh)",
                                               "      *e5 e6 ",
                                               "        N3 (uspjeh)",
                                               "      *e5 *e6 (neuspjeh)",
                                               "    *N2 e6 ",
                                               "      N3 (uspjeh)",
                                               "    *N2 *e6 (neuspjeh)",
                                               "  *e4 e6 ",
                                               "    N3 (uspjeh)",
                                               "  *e4 *e6 (neuspjeh)",
                                           }));
    EXPECT_EQ(report.detailLabels, (std::array<std::string, 4>{"raspoloživost :", "ukupno iteracija :",
                                                                "uspješnih rješenja :", "neuspješnih rješ. :"}));
    EXPECT_EQ(report.detailValues[0], "0.960845");
    EXPECT_EQ(report.detailValues[2], "4");
    EXPECT_EQ(report.detailValues[3], "3");
    EXPECT_EQ(report.status, options(", rub idealan", 2));

    // ENR has three phases: the fourth pair is hidden.
    const AlgorithmCells& cells = controller.workspace().enr;
    EXPECT_EQ(report.timeLabels[0], "sustav :");
    EXPECT_EQ(report.timeLabels[1], "ispitivanje susjednih cvorova:");
    EXPECT_EQ(report.timeLabels[2], "izvršavanje algoritma :");
    for (int slot = 0; slot < 3; ++slot)
        EXPECT_EQ(report.timeValues[static_cast<std::size_t>(slot)], general(cells.timers.total(slot)));
    EXPECT_FALSE(report.lastTimeShown);
    ASSERT_EQ(report.chart.size(), static_cast<std::size_t>(cells.memoryLog.lastIndex() + 1));
    for (int j = 1; j <= cells.memoryLog.lastIndex(); ++j)
        EXPECT_EQ(report.chart[static_cast<std::size_t>(j)],
                  (ChartPoint{j, cells.memoryLog.sample(j), std::to_string(j), true}));
}

TEST_F(ExampleReport, EnrSpecialBehaviourShowsTheSourceFailureAndEveryFailure)
{
    const ReportContent report = run(Algorithm::Enr, {.ideal = true, .normal = false});
    EXPECT_EQ(report.tree.indentedLines(), (Lines{
                                               "N1",
                                               "  e4 ",
                                               "    N2 ",
                                               "      e5 ",
                                               "        N3 (uspjeh)",
                                               "        *N3 (neuspjeh)",
                                               "      *e5 e6 ",
                                               "        N3 (uspjeh)",
                                               "        *N3 (neuspjeh)",
                                               "      *e5 *e6 (neuspjeh)",
                                               "    *N2 e6 ",
                                               "      N3 (uspjeh)",
                                               "      *N3 (neuspjeh)",
                                               "    *N2 *e6 (neuspjeh)",
                                               "  *e4 e6 ",
                                               "    N3 (uspjeh)",
                                               "    *N3 (neuspjeh)",
                                               "  *e4 *e6 (neuspjeh)",
                                               "*N1 (neuspjeh)",
                                           }));
    EXPECT_EQ(report.detailValues[2], "4");
    EXPECT_EQ(report.detailValues[3], "8"); // seven failed rows and the source
}

TEST_F(ExampleReport, EnrRealTerminalsShowTheSourceFailureButNotTheCertainDestination)
{
    const ReportContent report = run(Algorithm::Enr, {.ideal = false, .normal = true});
    const Lines lines = report.tree.indentedLines();
    ASSERT_EQ(lines.size(), 15u);
    EXPECT_EQ(lines.front(), "N1");
    EXPECT_EQ(lines.back(), "*N1 (neuspjeh)");
    // N3 has availability 1: its failures stay out of the tree and the counts.
    for (const std::string& line : lines)
        EXPECT_EQ(line.find("*N3"), std::string::npos) << line;
    EXPECT_EQ(report.detailValues[2], "4");
    EXPECT_EQ(report.detailValues[3], "4");
    EXPECT_EQ(report.detailValues[0], "0.8647605");
    EXPECT_EQ(report.status, options(", rub realan", 2));
}

TEST_F(ExampleReport, NprListsElementsInDecisionOrder)
{
    const ReportContent report = run(Algorithm::Npr);
    EXPECT_EQ(report.caption, "Detaljni prikaz rezulatata algoritma NPR");
    // The path N1 e4 N2 e5 N3 is decided in path order, not in index order.
    EXPECT_EQ(report.tree.indentedLines(), (Lines{
                                               "N1",
                                               "  *e6 ",
                                               "    *e4 (neuspjeh)",
                                               "    e4 *N2 (neuspjeh)",
                                               "    e4 N2 *e5 (neuspjeh)",
                                               "    e4 N2 e5 N3 (uspjeh)",
                                               "  e6 N3 (uspjeh)",
                                           }));
    EXPECT_EQ(report.detailValues[0], "0.960845");
    EXPECT_EQ(report.detailValues[2], "2");
    EXPECT_EQ(report.detailValues[3], "3");
    EXPECT_EQ(report.status, options(", rub idealan", 1));

    const AlgorithmCells& cells = controller.workspace().npr;
    EXPECT_EQ(report.timeLabels, (std::array<std::string, 4>{"sustav :", "traženje najkraćih putova:",
                                                              "ispitivanje nađenih putova :", "izvršavanje algoritma :"}));
    const int slots[4] = {0, 2, 3, 1};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(report.timeValues[static_cast<std::size_t>(i)], general(cells.timers.total(slots[i]))) << i;
    EXPECT_TRUE(report.lastTimeShown);
}

TEST_F(ExampleReport, NprSpecialBehaviourBranchesOnTheDestination)
{
    const ReportContent report = run(Algorithm::Npr, {.ideal = true, .normal = false});
    EXPECT_EQ(report.tree.indentedLines(), (Lines{
                                               "N1",
                                               "  *e6 ",
                                               "    *e4 (neuspjeh)",
                                               "    e4 *N2 (neuspjeh)",
                                               "    e4 N2 *e5 (neuspjeh)",
                                               "    e4 N2 e5 *N3 (neuspjeh)",
                                               "    e4 N2 e5 N3 (uspjeh)",
                                               "  e6 *N3 (neuspjeh)",
                                               "  e6 N3 (uspjeh)",
                                               "*N1 (neuspjeh)",
                                           }));
    EXPECT_EQ(report.detailValues[2], "2");
    EXPECT_EQ(report.detailValues[3], "6");
}

TEST_F(ExampleReport, NprRealTerminalsCountTheSourceFailure)
{
    const ReportContent report = run(Algorithm::Npr, {.ideal = false, .normal = true});
    EXPECT_EQ(report.tree.indentedLines().back(), "*N1 (neuspjeh)");
    EXPECT_EQ(report.detailValues[3], "4");
    EXPECT_EQ(report.detailValues[0], "0.8647605");
}

// --- Hand-made workspaces -----------------------------------------------------------

namespace {

// Elements N1, e2, N3 as work elements 0, 1, 2 (identity map); the source is
// 0 and the destination 2.
void threeElements(StructureWorkspace& ws, long double destinationAvailability)
{
    ws.elements.append(1, 0.9L, NodeKind);
    ws.elements.append(3, destinationAvailability, NodeKind);
    ws.elements.append(2, 0.5L, EdgeKind);
    // Work order N1, e2, N3: the map reorders the list.
    ws.elementMap.allocate(3);
    ws.elementMap.set(0, 0);
    ws.elementMap.set(1, 2);
    ws.elementMap.set(2, 1);
    ws.workElementState.allocate(3);
    ws.workElementState.set(2, destinationAvailability == 1 ? 1 : 0);
    ws.workSourceIndex = 0;
    ws.workDestinationIndex = 2;
}

// Rows of a tree over three elements and the state column.
void setRows(TermRows& rows, LinkArray& links, const std::vector<std::array<int, 4>>& cells,
             const std::vector<int>& parents)
{
    rows.allocate(4, static_cast<int>(cells.size()));
    links.allocate(static_cast<int>(cells.size()));
    for (int r = 0; r < static_cast<int>(cells.size()); ++r) {
        for (int c = 0; c < 4; ++c)
            rows.set(c, r, static_cast<std::int8_t>(cells[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]));
        links.set(r, parents[static_cast<std::size_t>(r)]);
    }
}

// Every node's children name it as their parent and know their place: what
// a tree view asks when it scrolls and expands.
void expectConsistentNavigation(const ReportTree& tree)
{
    std::vector<ReportNode> pending{kReportTop};
    while (!pending.empty()) {
        const ReportNode node = pending.back();
        pending.pop_back();
        for (int i = 0; i < tree.childCount(node); ++i) {
            const ReportNode child = tree.child(node, i);
            ASSERT_EQ(tree.parent(child), node);
            ASSERT_EQ(tree.row(child), i);
            pending.push_back(child);
        }
    }
}

} // namespace

TEST(ReportRules, EnrAndNprSkipDestinationFailuresByTheirOwnRules)
{
    // Real terminals, normal behaviour, a destination of availability 1: ENR
    // leaves its failure out of the tree, NPR shows it; both leave it out of
    // the counts.
    StructureWorkspace ws;
    RunOptions run;
    threeElements(ws, 1.0L);
    run.idealTerminals = false;
    const std::vector<std::array<int, 4>> cells{
        {1, 0, 0, -2}, {1, 1, 0, -2}, {1, -1, 0, -1}, {1, 1, 1, 1}, {1, 1, -1, -1}};
    const std::vector<int> parents{0, 0, 0, 1, 1};
    setRows(ws.enrRows, ws.enr.links, cells, parents);
    setRows(ws.nprRows, ws.npr.links, cells, parents);
    ws.nprPaths.allocate(4, 1);
    const std::vector<std::array<std::int32_t, 4>> numbers{
        {1, 0, 0, 2}, {1, 2, 0, 3}, {1, 2, 0, 3}, {1, 2, 3, 4}, {1, 2, 3, 4}};
    for (int c = 0; c < 4; ++c)
        ws.nprPaths.set(c, 0, numbers[0][static_cast<std::size_t>(c)]);
    for (int r = 1; r < 5; ++r)
        ws.nprPaths.appendRow(parents[static_cast<std::size_t>(r)], numbers[static_cast<std::size_t>(r)].data());

    const ReportContent enr = buildReport(ws, run, Algorithm::Enr, nullptr);
    const Lines enrLines{"N1", "  e2 ", "    N3 (uspjeh)", "  *e2 (neuspjeh)", "*N1 (neuspjeh)"};
    EXPECT_EQ(enr.tree.indentedLines(), enrLines);
    expectConsistentNavigation(enr.tree);
    EXPECT_EQ(enr.detailValues[2], "1");
    EXPECT_EQ(enr.detailValues[3], "2");
    {
        // The same tree with the rows in another order, so that the links go
        // back: the same lines, children still in row order.
        StructureWorkspace reordered;
        threeElements(reordered, 1.0L);
        setRows(reordered.enrRows, reordered.enr.links,
                {{1, 0, 0, -2}, {1, 1, 0, -2}, {1, 1, 1, 1}, {1, -1, 0, -1}, {1, 1, -1, -1}}, {0, 0, 1, 0, 1});
        const ReportContent again = buildReport(reordered, run, Algorithm::Enr, nullptr);
        EXPECT_EQ(again.tree.indentedLines(), enrLines);
        expectConsistentNavigation(again.tree);
    }

    const ReportContent npr = buildReport(ws, run, Algorithm::Npr, nullptr);
    EXPECT_EQ(npr.tree.indentedLines(), (Lines{"N1", "  e2 ", "    N3 (uspjeh)", "    *N3 (neuspjeh)",
                                                "  *e2 (neuspjeh)", "*N1 (neuspjeh)"}));
    expectConsistentNavigation(npr.tree);
    EXPECT_EQ(npr.detailValues[2], "1");
    EXPECT_EQ(npr.detailValues[3], "2");

    // Ideal terminals: NPR leaves it out of the tree as well, and no source failure shows.
    run.idealTerminals = true;
    const ReportContent ideal = buildReport(ws, run, Algorithm::Npr, nullptr);
    EXPECT_EQ(ideal.tree.indentedLines(), (Lines{"N1", "  e2 ", "    N3 (uspjeh)", "  *e2 (neuspjeh)"}));
    expectConsistentNavigation(ideal.tree);
    EXPECT_EQ(ideal.detailValues[3], "1");
    EXPECT_EQ(ideal.status, ", ber redukcije, rub idealan, razina opt. : 0");
}

TEST(ReportRules, NprTakesTheHighestColumnWhenADecisionNumberRepeats)
{
    StructureWorkspace ws;
    RunOptions run;
    threeElements(ws, 0.7L);
    run.idealTerminals = true;
    setRows(ws.nprRows, ws.npr.links, {{1, 0, 0, -2}, {1, 1, 1, 1}}, {0, 0});
    ws.nprPaths.allocate(4, 1);
    for (int c = 0; c < 4; ++c)
        ws.nprPaths.set(c, 0, c == 0 ? 1 : c == 3 ? 2 : 0);
    // e2 and N3 both carry number 2: only N3 (the higher column) is listed.
    ws.nprPaths.appendChild(0);
    ws.nprPaths.set(0, 1, 1);
    ws.nprPaths.set(1, 1, 2);
    ws.nprPaths.set(2, 1, 2);
    ws.nprPaths.set(3, 1, 3);
    const ReportContent npr = buildReport(ws, run, Algorithm::Npr, nullptr);
    EXPECT_EQ(npr.tree.indentedLines(), (Lines{"N1", "  N3 (uspjeh)"}));
}

TEST(ReportRules, AnAbortKeepsWhatWasBuiltAndTheBuildingNotice)
{
    StructureWorkspace ws;
    RunOptions run;
    threeElements(ws, 0.7L);
    // Two paths of one product each.
    ws.abrahamPaths.allocate(3, 2);
    ws.abrahamProducts.allocate(3, 2);
    ws.abraham.links.allocate(2);
    for (int r = 0; r < 2; ++r) {
        ws.abrahamPaths.set(0, r, 1);
        ws.abrahamProducts.set(0, r, 1);
        ws.abraham.links.set(r, r);
    }
    ws.abrahamPaths.set(1, 1, 1);
    ws.abrahamProducts.set(1, 1, 1);
    run.of(Algorithm::Abraham).variant = 0; // no rule: neither Z nor N
    ws.abraham.memoryLog.record(1, 77);

    int checks = 0;
    const ReportContent aborted = buildReport(ws, run, Algorithm::Abraham, [&checks] { return ++checks >= 1; });
    EXPECT_FALSE(aborted.finished);
    EXPECT_EQ(aborted.status, kReportBuilding);
    // The paths and products are read as they are shown, so the tree is
    // there at once; what the abort leaves out is everything after it.
    EXPECT_EQ(aborted.tree.indentedLines(),
              (Lines{"PD(1,x) nastali iz S1(N1 )", "  N1 ", "PD(2,x) nastali iz S2(N1 e2 )", "  N1 e2 "}));
    EXPECT_FALSE(aborted.timesShown);
    EXPECT_FALSE(aborted.detailsShown);
    EXPECT_FALSE(aborted.chartShown);

    const ReportContent whole = buildReport(ws, run, Algorithm::Abraham, nullptr);
    EXPECT_TRUE(whole.finished);
    EXPECT_EQ(whole.tree.indentedLines(),
              (Lines{"PD(1,x) nastali iz S1(N1 )", "  N1 ", "PD(2,x) nastali iz S2(N1 e2 )", "  N1 e2 "}));
    EXPECT_EQ(whole.chart, (std::vector<ChartPoint>{{0, 0, "", false}, {1, 77, "1", true}}));

    // A solution tree aborted before its fill still has its counts and chart.
    setRows(ws.enrRows, ws.enr.links, {{1, 0, 0, -2}, {1, 1, 1, 1}}, {0, 0});
    run.idealTerminals = true;
    const ReportContent tree = buildReport(ws, run, Algorithm::Enr, [] { return true; });
    EXPECT_FALSE(tree.finished);
    EXPECT_EQ(tree.tree.indentedLines(), (Lines{"N1"}));
    EXPECT_TRUE(tree.detailsShown);
    EXPECT_EQ(tree.detailValues[2], "1");
    EXPECT_TRUE(tree.chartShown);
    EXPECT_EQ(tree.status, kReportBuilding);
}

TEST(ReportRules, AChartOfManySamplesKeepsTheirPeaksAndTheLastOne)
{
    StructureWorkspace ws;
    RunOptions run;
    threeElements(ws, 0.7L);
    setRows(ws.enrRows, ws.enr.links, {{1, 0, 0, -2}, {1, 1, 1, 1}}, {0, 0});
    constexpr int kSamples = 100000;
    for (int j = 1; j <= kSamples; ++j)
        ws.enr.memoryLog.record(j, j == 31415 ? 1000000 : j % 41);
    const ReportContent report = buildReport(ws, run, Algorithm::Enr, nullptr);
    const std::vector<ChartPoint>& chart = report.chart;
    ASSERT_LE(chart.size(), static_cast<std::size_t>(kReportChartPoints) + 2);
    EXPECT_EQ(chart.front(), (ChartPoint{0, 0, "", false}));
    EXPECT_EQ(chart.back().x, kSamples);
    EXPECT_TRUE(std::is_sorted(chart.begin(), chart.end(), [](auto& a, auto& b) { return a.x < b.x; }));
    EXPECT_NE(std::find(chart.begin(), chart.end(), ChartPoint{31415, 1000000, "31415", true}), chart.end());
    // Every stretch of 41 or more samples holds a 40: each point but the
    // first and the added last one is the peak of its stretch.
    for (std::size_t i = 1; i + 1 < chart.size(); ++i) {
        if (chart[i].x != 31415) {
            ASSERT_EQ(chart[i].y, 40) << chart[i].x;
        }
    }
}

TEST(ReportRules, ADeepTreeFillsOnTheSmallestDisplayStack)
{
    // Every row a child of the one before: a recursive fill would need one
    // frame per level and overflow a small stack long before the end.
    constexpr int kDepth = 200000;
    StructureWorkspace ws;
    RunOptions run;
    threeElements(ws, 0.7L);
    run.idealTerminals = true;
    ws.enrRows.allocate(4, kDepth);
    ws.enr.links.allocate(kDepth);
    for (int r = 0; r < kDepth; ++r) {
        ws.enrRows.set(0, r, 1);
        ws.enr.links.set(r, r > 0 ? r - 1 : 0);
    }
    ws.enrRows.set(2, kDepth - 1, 1);
    ws.enrRows.set(3, kDepth - 1, 1);

    ReportContent report;
    WorkerThread display;
    ASSERT_TRUE(display.start(0, [&] { report = buildReport(ws, run, Algorithm::Enr, nullptr); }));
    display.join();
    ASSERT_TRUE(report.finished);
    EXPECT_EQ(report.tree.childCount(kReportTop), 1);
    ReportNode node = report.tree.child(kReportTop, 0);
    for (int depth = 1; depth < kDepth; ++depth) {
        ASSERT_EQ(report.tree.childCount(node), 1);
        const ReportNode next = report.tree.child(node, 0);
        ASSERT_EQ(report.tree.parent(next), node);
        ASSERT_EQ(report.tree.row(next), 0);
        node = next;
    }
    EXPECT_EQ(report.tree.childCount(node), 0);
    EXPECT_EQ(report.tree.text(node), "N3 (uspjeh)");
}

