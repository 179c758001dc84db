// The production drivers against the straightforward reference drivers: on
// the same structures, options and limits, both must leave exactly the same
// observable state behind — return value, final terms, every result
// container, counters, result code, memory samples, stopwatch slots and the
// availability to the last bit.

#include "algorithms/Abraham.h"
#include "algorithms/Enr.h"
#include "algorithms/Npr.h"
#include "algorithms/RunFrame.h"
#include "algorithms/WorkStructure.h"
#include "algorithms/reference/Abraham.h"
#include "algorithms/reference/Enr.h"
#include "algorithms/reference/Npr.h"
#include "TestStructures.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <bit>
#include <cfloat>
#include <cstdint>
#include <cstring>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace velmor;
using namespace velmor::testing;

namespace {

using Driver = bool (*)(AlgorithmRun&, StructureWorkspace&, TermRows&);
using Values = std::vector<std::int64_t>;

// --- What each algorithm leaves in the workspace ----------------------------------

Values valuesOfMatrix(const ByteMatrix& m)
{
    Values v{m.lastColumn(), m.lastRow()};
    for (int r = 0; r <= m.lastRow(); ++r)
        for (int c = 0; c <= m.lastColumn(); ++c)
            v.push_back(m.row(r)[c]);
    return v;
}

Values valuesOfMatrix(const TermRows& m)
{
    Values v{m.lastColumn(), m.lastRow()};
    for (int r = 0; r <= m.lastRow(); ++r)
        for (int c = 0; c <= m.lastColumn(); ++c)
            v.push_back(m.get(c, r));
    return v;
}

Values valuesOfMatrix(const DeltaRows& m)
{
    Values v{m.lastColumn(), m.lastRow()};
    std::vector<std::int32_t> cells(static_cast<std::size_t>(std::max(m.columnCount(), 0)));
    for (int r = 0; r <= m.lastRow(); ++r) {
        m.readRow(r, cells.data());
        v.insert(v.end(), cells.begin(), cells.end());
    }
    return v;
}

Values valuesOfArray(const LinkArray& a)
{
    Values v{a.lastIndex()};
    a.forEach([&](int, std::int32_t value) { v.push_back(value); });
    return v;
}

Values valuesOfArray(const IntArray& a)
{
    Values v{a.lastIndex()};
    for (int i = 0; i <= a.lastIndex(); ++i)
        v.push_back(a.get(i));
    return v;
}

struct ResultContainer {
    const char* name;
    std::function<Values(const StructureWorkspace&)> read;
};

struct AlgorithmUnderTest {
    Algorithm algorithm;
    Driver reference;
    Driver production;
    std::vector<int> variants;
    std::vector<ResultContainer> containers;
    int skipColumns; // how the coordinator reads its live terms
};

const AlgorithmUnderTest& underTest(Algorithm a)
{
    static const std::array<AlgorithmUnderTest, 3> table{{
        {Algorithm::Abraham,
         reference::runAbraham,
         runAbraham,
         // Rule 0 is what a run without a rule button set starts with.
         {0, 1, 2},
         {{"abrahamPaths", [](const StructureWorkspace& ws) { return valuesOfMatrix(ws.abrahamPaths); }},
          {"abrahamSortArray1", [](const StructureWorkspace& ws) { return valuesOfArray(ws.abrahamSortArray1); }},
          {"abrahamSortArray2", [](const StructureWorkspace& ws) { return valuesOfArray(ws.abrahamSortArray2); }},
          {"abrahamProducts", [](const StructureWorkspace& ws) { return valuesOfMatrix(ws.abrahamProducts); }},
          {"abraham.links", [](const StructureWorkspace& ws) { return valuesOfArray(ws.abraham.links); }}},
         0},
        {Algorithm::Enr,
         reference::runEnr,
         runEnr,
         {0, 1, 2},
         {{"enrRows", [](const StructureWorkspace& ws) { return valuesOfMatrix(ws.enrRows); }},
          {"enr.links", [](const StructureWorkspace& ws) { return valuesOfArray(ws.enr.links); }}},
         1},
        {Algorithm::Npr,
         reference::runNpr,
         runNpr,
         {0, 1},
         {{"nprRows", [](const StructureWorkspace& ws) { return valuesOfMatrix(ws.nprRows); }},
          {"nprPaths", [](const StructureWorkspace& ws) { return valuesOfMatrix(ws.nprPaths); }},
          {"npr.links", [](const StructureWorkspace& ws) { return valuesOfArray(ws.npr.links); }}},
         1},
    }};
    return table[static_cast<std::size_t>(a)];
}

// --- One run and everything it leaves observable ----------------------------------

struct Limits {
    std::int64_t memory = -1;
    std::int64_t time = -1;
    std::int64_t iterations = -1;
    bool stopBefore = false;

    std::string text() const
    {
        std::ostringstream out;
        out << "memory " << memory << ", time " << time << ", iterations " << iterations
            << (stopBefore ? ", stop before the run" : "");
        return out.str();
    }
};

struct Snapshot {
    std::vector<std::pair<std::string, Values>> fields;
    long double availability = 0;
    bool evaluated = false;

    void add(std::string name, Values values) { fields.emplace_back(std::move(name), std::move(values)); }
    std::int64_t value(const std::string& name) const
    {
        for (const auto& [n, v] : fields)
            if (n == name && !v.empty())
                return v.front();
        return 0;
    }
};

// Same value to the last bit; an 80-bit long double has padding bytes that
// hold anything, so only its significant bytes are compared.
bool sameBits(long double a, long double b)
{
    const auto x = std::bit_cast<std::array<unsigned char, sizeof(long double)>>(a);
    const auto y = std::bit_cast<std::array<unsigned char, sizeof(long double)>>(b);
    const std::size_t significant = LDBL_MANT_DIG == 64 ? 10 : sizeof(long double);
    return std::memcmp(x.data(), y.data(), significant) == 0;
}

struct Setting {
    Algorithm algorithm;
    int variant;
    bool normal;
};

Snapshot runAndRecord(StructureWorkspace& ws, const Setting& s, const Limits& limits, bool production, bool ideal)
{
    const AlgorithmUnderTest& a = underTest(s.algorithm);
    ws.resetResults();
    AlgorithmCells& cells = ws.cells(s.algorithm);
    AlgorithmOptions options;
    options.variant = s.variant;
    options.normal = s.normal;
    options.limits = RunLimits{limits.memory, limits.time, limits.iterations};
    if (limits.stopBefore)
        cells.requestStop();

    TermRows finalTerms;
    Snapshot snap;
    {
        AlgorithmRun run(s.algorithm, cells, options);
        const bool ok = (production ? a.production : a.reference)(run, ws, finalTerms);
        snap.add("return value", {ok});
        snap.add("run.nextSample", {run.nextSample});
        snap.add("run.anomalies", {run.anomalies});
    }
    snap.add("final terms", valuesOfMatrix(finalTerms));
    for (const ResultContainer& c : a.containers)
        snap.add(c.name, c.read(ws));
    snap.add("iterations", {cells.iterations.load()});
    snap.add("progress done", {cells.progressDone.load()});
    snap.add("progress total", {cells.progressTotal.load()});
    snap.add("partial count", {cells.partialCount.load()});
    snap.add("result code", {cells.anomalies.load()});
    snap.add("stop cell", {cells.stop.load()});
    snap.add("published rows", {cells.feed.publishedRows.load()});
    Values samples{cells.memoryLog.lastIndex()};
    for (int i = 0; i <= cells.memoryLog.lastIndex(); ++i)
        samples.push_back(cells.memoryLog.sample(i));
    snap.add("memory samples", samples);
    Values slots{cells.timers.lastIndex()};
    for (int i = 0; i <= cells.timers.lastIndex(); ++i)
        slots.push_back(cells.timers.running(i));
    snap.add("stopwatch slots", slots);
    snap.evaluated = evaluateTerms(finalTerms, ws.elementMap, ws.workSourceIndex, ws.workDestinationIndex,
                                   ws.elements, snap.availability, ideal);
    return snap;
}

std::string describe(const Values& v)
{
    std::ostringstream out;
    const std::size_t shown = std::min<std::size_t>(v.size(), 40);
    for (std::size_t i = 0; i < shown; ++i)
        out << (i ? " " : "") << v[i];
    if (shown < v.size())
        out << " ... (" << v.size() << " values)";
    return out.str();
}

// Empty when both runs left the same state, else what differs first.
std::string difference(const Snapshot& reference, const Snapshot& production)
{
    if (reference.fields.size() != production.fields.size())
        return "different fields recorded";
    for (std::size_t i = 0; i < reference.fields.size(); ++i) {
        const auto& [name, expected] = reference.fields[i];
        const Values& actual = production.fields[i].second;
        if (expected != actual)
            return name + ": reference [" + describe(expected) + "], production [" + describe(actual) + "]";
    }
    if (reference.evaluated != production.evaluated)
        return "evaluation refused by one side only";
    if (!sameBits(reference.availability, production.availability)) {
        std::ostringstream out;
        out.precision(LDBL_DECIMAL_DIG);
        out << "availability: reference " << reference.availability << ", production " << production.availability;
        return out.str();
    }
    return "";
}

// --- Structures ----------------------------------------------------------------------

struct Prepared {
    StructurePlan plan;
    bool directed = false;
    bool reduction = false;
    bool ideal = false;
    // Changes to the prepared work structure, the same on both sides.
    std::function<void(StructureWorkspace&)> adjust = {};
    std::string note = {};

    std::string text() const
    {
        std::ostringstream out;
        out << plan.nodes.size() << " nodes, " << plan.edges.size() << " edges, " << plan.source << " -> "
            << plan.destination << (directed ? ", directed" : ", undirected") << (reduction ? ", reduced" : "")
            << (ideal ? ", ideal terminals" : "") << note;
        return out.str();
    }
};

bool prepare(StructureWorkspace& ws, const Prepared& p)
{
    buildStructure(ws, p.plan);
    if (!prepareWorkStructure(ws, workOptions(p.directed, p.reduction, p.ideal)))
        return false;
    if (p.adjust)
        p.adjust(ws);
    return true;
}

std::vector<Prepared> seededStructures(int count, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<Prepared> all;
    for (int k = 0; k < count; ++k) {
        RandomShape shape;
        switch (k % 4) {
        case 0: break; // sparse, as the defaults give
        case 1: // dense
            shape.minNodes = 3;
            shape.maxNodes = 5;
            shape.maxExtraEdges = 8;
            break;
        case 2: // many certain elements
            shape.certainShare = 0.5;
            break;
        default: // small and connected
            shape.maxNodes = 4;
            shape.allowDisconnected = false;
            shape.maxExtraEdges = 3;
            break;
        }
        Prepared p;
        p.plan = randomStructure(random, shape);
        p.directed = random() % 2 == 0;
        p.reduction = random() % 3 == 0;
        p.ideal = random() % 4 == 0;
        all.push_back(std::move(p));
    }
    return all;
}

std::vector<Prepared> classicStructures()
{
    std::vector<Prepared> all;
    auto add = [&](StructurePlan plan) {
        for (bool directed : {false, true})
            for (bool reduction : {false, true})
                all.push_back({plan, directed, reduction, false});
    };
    add(bridge(0.9L));
    add(bridge(1.0L));
    add(grid(2, 2, 0.95L, 0.9L));
    add(grid(2, 3, 1.0L, 0.9L));
    add(grid(3, 3, 0.99L, 0.9L));
    add(seriesChain(4, 0.9L, 0.8L));
    add(seriesChain(3, 1.0L, 1.0L));
    // Terminals of availability 0 and 1 with ideal terminals on.
    StructurePlan terminals = bridge(0.9L);
    terminals.nodes[0].availability = 0;
    terminals.nodes[3].availability = 1;
    all.push_back({terminals, false, false, true});
    all.push_back({terminals, true, true, true});
    return all;
}

// Work matrices that no structure file gives: elements entered directly from
// one another, loops, candidates from which the destination is reachable only
// through another candidate, now and then a cell of 2 or -1.
std::vector<Prepared> handMadeMatrices(int count, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<Prepared> all;
    for (int k = 0; k < count; ++k) {
        const int n = 3 + static_cast<int>(random() % 6);
        Prepared p;
        for (int i = 0; i < n; ++i) {
            const unsigned roll = random() % 10;
            p.plan.nodes.push_back({10 + i, roll == 0 ? 0.0L : roll == 1 ? 1.0L : 0.5L + 0.05L * (i % 8)});
        }
        p.plan.source = 10;
        p.plan.destination = 10 + n - 1;
        const std::uint32_t cells = static_cast<std::uint32_t>(random());
        const int density = 25 + static_cast<int>(random() % 40);
        const bool stray = k % 8 == 7;
        p.note = ", hand-made work matrix " + std::to_string(k);
        p.adjust = [n, cells, density, stray](StructureWorkspace& ws) {
            std::mt19937 fill(cells);
            ws.workMatrix.allocate(n, n);
            for (int a = 0; a < n; ++a)
                for (int b = 0; b < n; ++b)
                    ws.workMatrix.set(b, a, static_cast<int>(fill() % 100) < density ? 1 : 0);
            // Mostly no direct arc from source to destination, which would be
            // the only path.
            if (fill() % 4 != 0)
                ws.workMatrix.set(n - 1, 0, 0);
            // A blocked cell, which no arc is; cells above 1 are refused
            // (MatrixCellsAboveOneAreRefused).
            if (stray)
                ws.workMatrix.set(static_cast<int>(fill() % n), static_cast<int>(fill() % n), -1);
        };
        all.push_back(std::move(p));
    }
    return all;
}

// --- Running both sides --------------------------------------------------------------

class AlgorithmEquivalence : public ::testing::TestWithParam<Algorithm> {
protected:
    // Runs both versions with `limits` on identically prepared workspaces and
    // checks that they agree; returns the reference's snapshot.
    Snapshot compare(const Prepared& p, const Setting& s, const Limits& limits)
    {
        StructureWorkspace referenceWs;
        StructureWorkspace productionWs;
        if (!prepare(referenceWs, p) || !prepare(productionWs, p)) {
            ADD_FAILURE() << "structure refused: " << p.text();
            return {};
        }
        const Snapshot expected = runAndRecord(referenceWs, s, limits, false, p.ideal);
        const Snapshot actual = runAndRecord(productionWs, s, limits, true, p.ideal);
        ++compared_;
        if (expected.value("result code") < 0)
            ++endedEarly_;
        if (expected.value("iterations") > 0)
            ++iterated_;
        const std::string diff = difference(expected, actual);
        if (!diff.empty()) {
            ++mismatches_;
            if (mismatches_ <= 5)
                ADD_FAILURE() << diff << "\n  structure: " << p.text() << "\n  variant " << s.variant
                              << (s.normal ? ", normalno" : ", posebno") << ", " << limits.text();
        }
        return expected;
    }

    std::vector<Setting> settings() const
    {
        std::vector<Setting> all;
        for (int variant : underTest(GetParam()).variants)
            for (bool normal : {true, false})
                all.push_back({GetParam(), variant, normal});
        return all;
    }

    // Unlimited, then limits that end the run early at a few points, then a
    // stop raised before the run.
    void compareWithLimits(const Prepared& p, const Setting& s, std::uint32_t pick)
    {
        const Snapshot full = compare(p, s, {});
        const std::int64_t iterations = full.value("iterations");
        // A sample from the middle of the run: a memory limit of that size
        // stops the run where the peak first reaches it.
        const std::int64_t middleSample = [&] {
            for (const auto& [name, v] : full.fields)
                if (name == "memory samples" && v.size() > 2)
                    return v[static_cast<std::size_t>(2 + v[0] / 2)];
            return std::int64_t{0};
        }();
        const std::int64_t iterationLimits[] = {0, 1, 2, iterations / 2, iterations - 1};
        compare(p, s, {-1, -1, iterationLimits[pick % 5], false});
        compare(p, s, {pick % 2 ? middleSample : 0, -1, -1, false});
        if (pick % 3 == 0)
            compare(p, s, {-1, 0, -1, false});
        compare(p, s, {-1, -1, -1, true});
    }

    void TearDown() override
    {
        EXPECT_EQ(mismatches_, 0) << "of " << compared_ << " compared runs";
    }

    int compared_ = 0;
    int endedEarly_ = 0;
    int iterated_ = 0;
    int mismatches_ = 0;
};

TEST_P(AlgorithmEquivalence, SeededRandomStructures)
{
    std::uint32_t pick = 0;
    for (const Prepared& p : seededStructures(240, 20240611u + static_cast<std::uint32_t>(GetParam())))
        for (const Setting& s : settings())
            compareWithLimits(p, s, pick++);
    // The comparisons covered runs that iterated and runs that limits ended.
    EXPECT_GT(iterated_, compared_ / 4);
    EXPECT_GT(endedEarly_, compared_ / 4);
}

TEST_P(AlgorithmEquivalence, HandMadeWorkMatrices)
{
    std::uint32_t pick = 3;
    for (const Prepared& p : handMadeMatrices(160, 4242u + static_cast<std::uint32_t>(GetParam())))
        for (const Setting& s : settings())
            compareWithLimits(p, s, pick++);
    EXPECT_GT(iterated_, compared_ / 8);
}

// Only a matrix made by hand holds a cell above 1, which is neither an arc
// nor a gap: the production drivers refuse it as an unusable work structure
// before any work, leaving no rows and no terms.
TEST_P(AlgorithmEquivalence, MatrixCellsAboveOneAreRefused)
{
    std::mt19937 random(3);
    for (int round = 0; round < 30; ++round) {
        Prepared p{randomStructure(random), round % 2 == 0, false, round % 3 == 0};
        const unsigned pick = static_cast<unsigned>(random());
        p.adjust = [pick](StructureWorkspace& ws) {
            const int n = ws.workMatrix.rowCount();
            ws.workMatrix.set(static_cast<int>(pick % static_cast<unsigned>(n)),
                              static_cast<int>((pick / 7) % static_cast<unsigned>(n)), 2);
        };
        for (const Setting& s : settings()) {
            StructureWorkspace ws;
            ASSERT_TRUE(prepare(ws, p));
            const Snapshot refused = runAndRecord(ws, s, {}, true, p.ideal);
            EXPECT_EQ(refused.value("return value"), 0) << p.text();
            EXPECT_EQ(refused.value("iterations"), 0) << p.text();
            EXPECT_TRUE(ws.liveTerms(GetParam()).empty()) << p.text();
        }
    }
}

TEST_P(AlgorithmEquivalence, GridsBridgesAndChains)
{
    std::uint32_t pick = 7;
    for (const Prepared& p : classicStructures())
        for (const Setting& s : settings())
            compareWithLimits(p, s, pick++);
    EXPECT_GT(endedEarly_, 0);
}

// Every iteration limit in turn: the runs stop at every iteration close, so
// progress, pending count, terms and samples agree at each of them.
TEST_P(AlgorithmEquivalence, EveryIterationLimit)
{
    std::vector<Prepared> shapes = {{bridge(0.9L), false, false, false},
                                    {grid(3, 3, 0.95L, 0.9L), false, false, false},
                                    {grid(2, 3, 0.95L, 0.9L), false, false, false},
                                    {grid(2, 3, 1.0L, 0.9L), true, false, false}};
    for (const Prepared& p : seededStructures(12, 99))
        shapes.push_back(p);
    for (const Prepared& p : shapes) {
        for (const Setting& s : settings()) {
            const std::int64_t iterations = compare(p, s, {}).value("iterations");
            for (std::int64_t limit = 1; limit < std::min<std::int64_t>(iterations, 150); ++limit)
                compare(p, s, {-1, -1, limit, false});
        }
    }
    EXPECT_GT(endedEarly_, 50);
}

// Structures beyond what byte cells could index.
TEST_P(AlgorithmEquivalence, StructuresOfMoreThan126Elements)
{
    const std::vector<Prepared> shapes = {{seriesChain(64, 0.99L, 0.95L), false, false, false},
                                          {seriesChain(66, 1.0L, 0.95L), true, true, false},
                                          {grid(2, 26, 0.99L, 0.9L), true, false, false}};
    for (const Prepared& p : shapes)
        for (const Setting& s : settings())
            compare(p, s, {-1, -1, 20, false});
}

TEST_P(AlgorithmEquivalence, UnusableWorkStructure)
{
    const Prepared p{bridge(0.9L), false, false, false};
    const Setting s{GetParam(), underTest(GetParam()).variants.back(), true};
    for (int variant = 0; variant < 3; ++variant) {
        StructureWorkspace referenceWs, productionWs;
        ASSERT_TRUE(prepare(referenceWs, p) && prepare(productionWs, p));
        for (StructureWorkspace* ws : {&referenceWs, &productionWs}) {
            if (variant == 0)
                ws->workDestinationIndex = ws->workMatrix.rowCount();
            else if (variant == 1)
                ws->workSourceIndex = -1;
            else
                ws->workMatrix.resize(ws->workMatrix.columnCount() + 1, ws->workMatrix.rowCount());
        }
        const Snapshot expected = runAndRecord(referenceWs, s, {}, false, p.ideal);
        const Snapshot actual = runAndRecord(productionWs, s, {}, true, p.ideal);
        EXPECT_EQ(expected.value("return value"), 0) << "case " << variant;
        EXPECT_EQ(difference(expected, actual), "") << "case " << variant;
    }
}

// The coordinator reads the live terms while the production driver extends
// them: every read sees whole published rows, and once the run is over the
// partial sums add up to the full evaluation.
TEST_P(AlgorithmEquivalence, LiveTermsReadWhileTheProductionDriverRuns)
{
    const AlgorithmUnderTest& a = underTest(GetParam());
    // Large enough that the coordinator polls many times during the run.
    const StructurePlan plan = GetParam() == Algorithm::Abraham ? grid(4, 4, 0.95L, 0.9L) : grid(3, 4, 0.95L, 0.9L);
    const Prepared p{plan, false, false, false};
    StructureWorkspace ws;
    ASSERT_TRUE(prepare(ws, p));
    ws.resetResults();
    AlgorithmOptions options;
    options.variant = a.variants.back();
    AlgorithmCells& cells = ws.cells(GetParam());
    std::atomic<bool> finished{false};
    std::atomic<int> polls{0};
    LiveSum partial;
    std::thread coordinator([&] {
        while (!finished.load()) {
            EXPECT_TRUE(addNewTerms(ws.liveTerms(GetParam()), cells.feed, cells.partialCount.load(), a.skipColumns,
                                    ws.elementMap, ws.workSourceIndex, ws.workDestinationIndex, ws.elements, false,
                                    partial));
            ++polls;
            std::this_thread::yield();
        }
    });
    while (polls.load() == 0)
        std::this_thread::yield();
    TermRows finalTerms;
    bool ok = false;
    {
        AlgorithmRun run(GetParam(), cells, options);
        ok = a.production(run, ws, finalTerms);
    }
    finished = true;
    coordinator.join();
    ASSERT_TRUE(ok);
    ASSERT_TRUE(addNewTerms(ws.liveTerms(GetParam()), cells.feed, 0, a.skipColumns, ws.elementMap,
                            ws.workSourceIndex, ws.workDestinationIndex, ws.elements, false, partial));
    long double full = -1;
    ASSERT_TRUE(evaluateTerms(finalTerms, ws.elementMap, ws.workSourceIndex, ws.workDestinationIndex, ws.elements,
                              full, false));
    EXPECT_NEAR(static_cast<double>(partial.value), static_cast<double>(full), 1e-12);
    EXPECT_EQ(partial.cursor, ws.liveTerms(GetParam()).rowCount());
}

INSTANTIATE_TEST_SUITE_P(AllAlgorithms, AlgorithmEquivalence,
                         ::testing::Values(Algorithm::Abraham, Algorithm::Enr, Algorithm::Npr),
                         [](const ::testing::TestParamInfo<Algorithm>& info) {
                             return std::string(algorithmName(info.param));
                         });

} // namespace
