// The importance of every element against independent answers: the
// difference of two availabilities by exhaustive enumeration on seeded
// structures of both kinds, the bridge network in closed form, the
// refusals, a stop and a failure, and the job that computes it on a thread.

#include "TestStructures.h"

#include "algorithms/Importance.h"
#include "run/ImportanceJob.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using namespace velmor;
using namespace velmor::testing;

namespace {

constexpr long double kExact = 1e-12L;

RunOptions optionsFor(const StructurePlan& plan, bool directed, bool ideal)
{
    RunOptions options = workOptions(directed, true, ideal); // the reduction is not for importance
    options.sourceLabel = plan.source;
    options.destinationLabel = plan.destination;
    return options;
}

ImportanceResult importanceOf(const StructurePlan& plan, bool directed, bool ideal,
                              const ImportanceControl& control = {})
{
    auto ws = std::make_unique<StructureWorkspace>();
    buildStructure(*ws, plan);
    return computeImportance(importanceInput(*ws, optionsFor(plan, directed, ideal)), control);
}

// The plan with one element's availability set to `p`.
StructurePlan withAvailability(StructurePlan plan, const RatedElement& element, long double p)
{
    if (element.kind == NodeKind) {
        for (NodePlan& node : plan.nodes)
            if (node.label == element.label)
                node.availability = p;
    } else {
        for (EdgePlan& edge : plan.edges)
            if (edge.label == element.label)
                edge.availability = p;
    }
    return plan;
}

const ElementImportance* find(const ImportanceResult& result, const std::string& text)
{
    for (const ElementImportance& e : result.elements)
        if (e.text() == text)
            return &e;
    return nullptr;
}

std::string describe(const StructurePlan& plan, bool directed, bool ideal)
{
    std::ostringstream out;
    out << plan.nodes.size() << " nodes, " << plan.edges.size() << " edges, " << plan.source << " -> "
        << plan.destination << (directed ? ", directed" : ", undirected") << (ideal ? ", ideal" : ", real");
    return out.str();
}

TEST(ImportanceTest, EqualsTheDifferenceOfTwoEnumeratedAvailabilities)
{
    std::mt19937 random(20240611);
    RandomShape shape;
    shape.maxNodes = 6;
    shape.maxExtraEdges = 4;
    shape.certainShare = 0.2;
    int rated = 0;
    for (int round = 0; round < 40; ++round) {
        const StructurePlan plan = randomStructure(random, shape);
        if (plan.source == plan.destination)
            continue;
        const bool directed = round % 2 == 0;
        const bool ideal = round % 3 != 0;
        const std::string text = describe(plan, directed, ideal);
        const ImportanceResult result = importanceOf(plan, directed, ideal);
        ASSERT_EQ(result.status, ImportanceStatus::Done) << text;
        const long double a = exactAvailability(plan, directed, ideal);
        EXPECT_NEAR(static_cast<double>(result.availability), static_cast<double>(a), kExact) << text;

        // Every element but the ideal terminals, each once.
        const std::size_t elements = plan.nodes.size() + plan.edges.size();
        ASSERT_EQ(result.elements.size(), ideal ? elements - 2 : elements) << text;
        EXPECT_EQ(result.done, result.total) << text;
        int certain = 0;
        for (const ElementImportance& e : result.elements) {
            const long double p = e.element.availability;
            certain += p == 0 || p == 1;
            const bool terminal = e.element.kind == NodeKind
                                  && (e.element.label == plan.source || e.element.label == plan.destination);
            EXPECT_FALSE(ideal && terminal) << text << " " << e.text();
            const long double working = exactAvailability(withAvailability(plan, e.element, 1), directed, ideal);
            const long double failed = exactAvailability(withAvailability(plan, e.element, 0), directed, ideal);
            EXPECT_NEAR(static_cast<double>(e.birnbaum), static_cast<double>(working - failed), kExact)
                << text << " " << e.text();
            const long double criticality = a < 1 ? (working - failed) * (1 - p) / (1 - a) : 0;
            EXPECT_NEAR(static_cast<double>(e.criticality), static_cast<double>(criticality), 1e-9)
                << text << " " << e.text();
            // The pivot on the element gives back the availability itself.
            EXPECT_NEAR(static_cast<double>(p * e.whenWorking + (1 - p) * e.whenFailed), static_cast<double>(a),
                        kExact)
                << text << " " << e.text();
            ++rated;
        }
        EXPECT_EQ(result.evaluations, 1 + 2 * (result.total - certain) + certain) << text;
        EXPECT_TRUE(std::is_sorted(result.elements.begin(), result.elements.end(),
                                   [](const ElementImportance& x, const ElementImportance& y) {
                                       return x.birnbaum > y.birnbaum;
                                   }))
            << text;
    }
    EXPECT_GT(rated, 200); // the seeds gave structures worth the name
}

// Bridge: edges 5 (1-2), 6 (1-3), 7 (2-3, the bridge), 8 (2-4), 9 (3-4),
// perfect nodes, each edge of an availability of its own. Pivoting on the
// bridge: A = p7 X + (1 - p7) Y, with X the availability when it works and
// Y when it fails; A is linear in every p, so each Birnbaum value is the
// derivative of A by that p.
struct Bridge {
    long double p5 = 0.9L, p6 = 0.8L, p7 = 0.7L, p8 = 0.6L, p9 = 0.75L;

    StructurePlan plan() const
    {
        StructurePlan plan = bridge();
        const long double p[] = {p5, p6, p7, p8, p9};
        for (std::size_t i = 0; i < plan.edges.size(); ++i)
            plan.edges[i].availability = p[i];
        return plan;
    }
    static long double either(long double x, long double y) { return 1 - (1 - x) * (1 - y); }
    long double y() const { return either(p5 * p8, p6 * p9); } // the bridge failed: two disjoint routes
};

TEST(ImportanceTest, UndirectedBridgeInClosedForm)
{
    const Bridge b;
    const ImportanceResult result = importanceOf(b.plan(), false, true);
    ASSERT_EQ(result.status, ImportanceStatus::Done);
    // The bridge working joins 2 and 3: both sides in series, each parallel.
    const long double left = Bridge::either(b.p5, b.p6);
    const long double right = Bridge::either(b.p8, b.p9);
    const long double x = left * right;
    const long double a = b.p7 * x + (1 - b.p7) * b.y();
    EXPECT_NEAR(static_cast<double>(result.availability), static_cast<double>(a), kExact);

    const struct {
        const char* element;
        long double birnbaum;
        long double p;
    } expected[] = {
        {"e5", b.p7 * (1 - b.p6) * right + (1 - b.p7) * b.p8 * (1 - b.p6 * b.p9), b.p5},
        {"e6", b.p7 * (1 - b.p5) * right + (1 - b.p7) * b.p9 * (1 - b.p5 * b.p8), b.p6},
        {"e7", x - b.y(), b.p7},
        {"e8", b.p7 * (1 - b.p9) * left + (1 - b.p7) * b.p5 * (1 - b.p6 * b.p9), b.p8},
        {"e9", b.p7 * (1 - b.p8) * left + (1 - b.p7) * b.p6 * (1 - b.p5 * b.p8), b.p9},
        // Perfect nodes still matter: without node 2 only 1-3-4 is left.
        {"N2", a - b.p6 * b.p9, 1},
        {"N3", a - b.p5 * b.p8, 1},
    };
    ASSERT_EQ(result.elements.size(), std::size(expected)); // N1 and N4 are ideal terminals
    for (const auto& e : expected) {
        const ElementImportance* got = find(result, e.element);
        ASSERT_NE(got, nullptr) << e.element;
        EXPECT_NEAR(static_cast<double>(got->birnbaum), static_cast<double>(e.birnbaum), kExact) << e.element;
        EXPECT_NEAR(static_cast<double>(got->criticality), static_cast<double>(e.birnbaum * (1 - e.p) / (1 - a)),
                    kExact)
            << e.element;
    }
    // A node that never fails is never the failed, critical element.
    EXPECT_EQ(find(result, "N2")->criticality, 0);
}

TEST(ImportanceTest, DirectedBridgeInClosedForm)
{
    const Bridge b;
    const ImportanceResult result = importanceOf(b.plan(), true, true);
    ASSERT_EQ(result.status, ImportanceStatus::Done);
    // The bridge only leads from 2 to 3: with it working, 1-2 reaches both
    // 2 and 3, and without 1-2 only 1-3-4 is left.
    const long double right = Bridge::either(b.p8, b.p9);
    const long double x = b.p5 * right + (1 - b.p5) * b.p6 * b.p9;
    const long double a = b.p7 * x + (1 - b.p7) * b.y();
    EXPECT_NEAR(static_cast<double>(result.availability), static_cast<double>(a), kExact);
    const struct {
        const char* element;
        long double birnbaum;
    } expected[] = {
        {"e5", b.p7 * (right - b.p6 * b.p9) + (1 - b.p7) * b.p8 * (1 - b.p6 * b.p9)},
        {"e7", x - b.y()},
        {"e9", b.p7 * (b.p5 * (1 - b.p8) + (1 - b.p5) * b.p6) + (1 - b.p7) * b.p6 * (1 - b.p5 * b.p8)},
    };
    for (const auto& e : expected) {
        const ElementImportance* got = find(result, e.element);
        ASSERT_NE(got, nullptr) << e.element;
        EXPECT_NEAR(static_cast<double>(got->birnbaum), static_cast<double>(e.birnbaum), kExact) << e.element;
    }
    // Undirected, the bridge also leads from 3 to 2, so it matters more.
    EXPECT_LT(find(result, "e7")->birnbaum, find(importanceOf(b.plan(), false, true), "e7")->birnbaum);
}

TEST(ImportanceTest, CertainElementsAndCertainAvailability)
{
    // A series chain of perfect elements: A = 1, every element critical,
    // none of them ever the failed one.
    const StructurePlan chain = seriesChain(3, 1, 1);
    const ImportanceResult perfect = importanceOf(chain, false, false);
    ASSERT_EQ(perfect.status, ImportanceStatus::Done);
    EXPECT_EQ(perfect.availability, 1);
    ASSERT_EQ(perfect.elements.size(), chain.nodes.size() + chain.edges.size()); // real terminals are rated
    for (const ElementImportance& e : perfect.elements) {
        EXPECT_EQ(e.birnbaum, 1) << e.text();
        EXPECT_EQ(e.criticality, 0) << e.text();
    }
    // One evaluation of A, one more per element: the other value is A.
    EXPECT_EQ(perfect.evaluations, 1 + perfect.total);

    // A failed edge cuts the chain: A = 0, and only that edge matters.
    StructurePlan cut = seriesChain(3, 0.9L, 0.8L);
    cut.edges[0].availability = 0;
    const ImportanceResult broken = importanceOf(cut, true, true);
    ASSERT_EQ(broken.status, ImportanceStatus::Done);
    EXPECT_EQ(broken.availability, 0);
    ASSERT_FALSE(broken.elements.empty());
    const ElementImportance& first = broken.elements.front();
    EXPECT_EQ(first.element.label, cut.edges[0].label);
    EXPECT_EQ(first.element.kind, EdgeKind);
    EXPECT_NEAR(static_cast<double>(first.birnbaum), static_cast<double>(exactAvailability(
                    withAvailability(cut, first.element, 1), true, true)), kExact);
    EXPECT_NEAR(static_cast<double>(first.criticality), static_cast<double>(first.birnbaum), kExact); // 1 - p = 1 - A = 1
    for (std::size_t i = 1; i < broken.elements.size(); ++i)
        EXPECT_EQ(broken.elements[i].birnbaum, 0) << broken.elements[i].text();
    // Equal values keep the element order: nodes before edges.
    EXPECT_EQ(broken.elements[1].text(), "N" + std::to_string(cut.nodes[1].label));
}

TEST(ImportanceTest, RefusesWhatCannotBeComputed)
{
    const StructurePlan plan = bridge();
    auto ws = std::make_unique<StructureWorkspace>();
    buildStructure(*ws, plan);
    RunOptions options = optionsFor(plan, true, true);

    RunOptions noPair = options;
    noPair.destinationLabel.reset();
    RunOptions unknownNode = options;
    unknownNode.sourceLabel = 77;
    RunOptions edgeLabel = options; // an edge is no terminal
    edgeLabel.sourceLabel = 5;
    RunOptions samePair = options;
    samePair.destinationLabel = plan.source;
    RunOptions noDirection = options;
    noDirection.direction = Direction::None;
    const struct {
        const char* name;
        RunOptions options;
        ImportanceRefusal refusal;
    } cases[] = {
        {"no destination", noPair, ImportanceRefusal::NoPair},
        {"unknown node", unknownNode, ImportanceRefusal::NoPair},
        {"edge label", edgeLabel, ImportanceRefusal::NoPair},
        {"same node", samePair, ImportanceRefusal::SamePair},
        {"no direction", noDirection, ImportanceRefusal::NoDirection},
    };
    for (const auto& c : cases) {
        const ImportanceInput input = importanceInput(*ws, c.options);
        EXPECT_EQ(input.refusal, c.refusal) << c.name;
        const ImportanceResult result = computeImportance(input);
        EXPECT_EQ(result.status, ImportanceStatus::Failed) << c.name;
        EXPECT_EQ(result.refusal, c.refusal) << c.name;
        EXPECT_EQ(result.evaluations, 0) << c.name;
    }
    // A matrix cell that is neither an arc nor a gap is Frontier's to refuse.
    ws->directedMatrix.set(5, 0, 2);
    const ImportanceInput odd = importanceInput(*ws, options);
    EXPECT_EQ(odd.refusal, ImportanceRefusal::Unusable);
    EXPECT_EQ(odd.frontier.refusal, FrontierRefusal::CellAboveOne);
}

TEST(ImportanceTest, StopKeepsTheElementsRatedBefore)
{
    const StructurePlan plan = grid(3, 3, 0.9L, 0.8L);
    std::atomic<bool> stop{false};
    ImportanceControl control;
    control.stop = [&stop] { return stop.load(); };
    control.progress = [&stop](int done, int) {
        if (done == 2)
            stop = true;
    };
    const ImportanceResult stopped = importanceOf(plan, false, true, control);
    EXPECT_EQ(stopped.status, ImportanceStatus::Stopped);
    EXPECT_EQ(stopped.done, 2);
    ASSERT_EQ(stopped.elements.size(), 2u);
    EXPECT_GT(stopped.total, 2);
    // What it did rate is rated exactly.
    const ImportanceResult full = importanceOf(plan, false, true);
    for (const ElementImportance& e : stopped.elements)
        EXPECT_EQ(e.birnbaum, find(full, e.text())->birnbaum) << e.text();

    // Stopped before A itself was known.
    control.stop = [] { return true; };
    const ImportanceResult early = importanceOf(plan, false, true, control);
    EXPECT_EQ(early.status, ImportanceStatus::Stopped);
    EXPECT_EQ(early.frontierStatus, FrontierStatus::Stopped);
    EXPECT_TRUE(early.elements.empty());
}

TEST(ImportanceTest, AnEvaluationOutOfMemoryFailsTheComputation)
{
    ImportanceControl control;
    control.memoryCeiling = 0; // no container fits
    // Wide enough that the simplification leaves Frontier states to keep.
    const ImportanceResult result = importanceOf(grid(7, 7, 0.99L, 0.9L), false, true, control);
    EXPECT_EQ(result.status, ImportanceStatus::Failed);
    EXPECT_EQ(result.frontierStatus, FrontierStatus::OutOfMemory);
    EXPECT_TRUE(result.elements.empty());
}

// --- The job ---------------------------------------------------------------------

ImportanceInput inputOf(const StructurePlan& plan, bool directed)
{
    auto ws = std::make_unique<StructureWorkspace>();
    buildStructure(*ws, plan);
    return importanceInput(*ws, optionsFor(plan, directed, true));
}

TEST(ImportanceJobTest, ComputesOnItsThreadAndKeepsTheResult)
{
    const StructurePlan plan = grid(2, 3, 0.95L, 0.85L);
    ImportanceJob job;
    EXPECT_EQ(job.result(), nullptr);
    std::atomic<bool> resultWhenEnded{false};
    ASSERT_FALSE(job.start(inputOf(plan, false), kDefaultStackSize,
                           [&] { resultWhenEnded = job.result() != nullptr && !job.running(); }));
    job.wait();
    EXPECT_TRUE(resultWhenEnded);
    EXPECT_FALSE(job.running());
    const auto result = job.result();
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->status, ImportanceStatus::Done);
    EXPECT_EQ(job.done(), job.total());
    EXPECT_EQ(job.total(), static_cast<int>(plan.nodes.size() + plan.edges.size()) - 2);
    const ImportanceResult direct = computeImportance(inputOf(plan, false));
    ASSERT_EQ(result->elements.size(), direct.elements.size());
    for (std::size_t i = 0; i < direct.elements.size(); ++i) {
        EXPECT_EQ(result->elements[i].text(), direct.elements[i].text());
        EXPECT_EQ(result->elements[i].birnbaum, direct.elements[i].birnbaum);
    }
}

TEST(ImportanceJobTest, StopsWhenAsked)
{
    // The job's body waits until the stop has been asked for.
    auto gate = std::make_shared<AutoResetEvent>();
    const ThreadLauncher held = [gate](WorkerThread& thread, long long stack, std::function<void()> body) {
        return defaultThreadLauncher()(thread, stack, [gate, body = std::move(body)] {
            gate->wait();
            body();
        });
    };
    ImportanceJob job;
    ASSERT_FALSE(job.start(inputOf(grid(3, 3, 0.9L, 0.8L), false), kDefaultStackSize, {}, held));
    EXPECT_TRUE(job.running());
    EXPECT_EQ(job.result(), nullptr);
    job.stop();
    gate->set();
    job.wait();
    ASSERT_NE(job.result(), nullptr);
    EXPECT_EQ(job.result()->status, ImportanceStatus::Stopped);
    EXPECT_EQ(job.done(), 0);

    // A new start forgets the stop and the old result.
    ASSERT_FALSE(job.start(inputOf(bridge(), true), kDefaultStackSize));
    job.wait();
    ASSERT_NE(job.result(), nullptr);
    EXPECT_EQ(job.result()->status, ImportanceStatus::Done);
}

TEST(ImportanceJobTest, ThreadThatCannotBeCreated)
{
    ImportanceJob job;
    const auto failure = job.start(inputOf(bridge(), true), kDefaultStackSize, {},
                                   [](WorkerThread&, long long, std::function<void()>) { return false; });
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->first, kImportanceThreadShortage);
    EXPECT_FALSE(job.running());
    EXPECT_EQ(job.result(), nullptr);
}

} // namespace
