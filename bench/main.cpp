// velmor-bench: the production algorithms against the straightforward
// reference versions, side by side on a fixed suite of structures.
//
// Every case is prepared once; then reference and production runs alternate
// on that same workspace and the median of a few repetitions is reported.
// Where a case would make the reference run for minutes, both runs get the
// same iteration limit, so they do exactly the same work and stop at the
// same point; such rows say "capped". Each pair of runs is also checked for
// the same outcome (rows, iterations, result code, availability).
//
// --engine measures something else: the run engine's cost on top of the
// algorithm it runs (EngineOverhead.h); --reduction the structure reduction
// and the whole way from a file to the result on long chains
// (ReductionBench.h); --frontier the Frontier method on structures beyond
// the other three (FrontierBench.h).

#include "BenchMemory.h"
#include "BenchStructures.h"
#include "EngineOverhead.h"
#include "FrontierBench.h"
#include "ReductionBench.h"

#include "algorithms/Abraham.h"
#include "algorithms/Enr.h"
#include "algorithms/Npr.h"
#include "algorithms/RunFrame.h"
#include "algorithms/reference/Abraham.h"
#include "algorithms/reference/Enr.h"
#include "algorithms/reference/Npr.h"
#include "platform/HeapTuning.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <optional>
#include <string>
#include <vector>

using namespace velmor;
using namespace velmor::bench;

namespace {

using Driver = bool (*)(AlgorithmRun&, StructureWorkspace&, TermRows&);

constexpr long long kNoCap = -1;

struct BenchCase {
    std::string group; // shape family, for the summary
    std::string name;
    BenchStructure structure;
    bool directed = false;
    bool inQuick = false;      // part of --quick
    bool withReference = true; // false: production only
    // Iteration limit per algorithm (Abraham, ENR, NPR) for both versions.
    std::array<long long, 3> cap{kNoCap, kNoCap, kNoCap};
};

struct Setting {
    Algorithm algorithm;
    int variant; // Abraham: rule 1 or 2; ENR 0..2; NPR 0..1
    bool normal;
};

struct Outcome {
    bool ok = false;
    double seconds = 0;
    int rows = 0;
    int iterations = 0;
    int anomalies = 0;
    long double availability = 0;
    long long memoryFigure = 0; // the run's peak memory sample
    long long residentGrowth = 0; // resident peak above what was resident before
};

struct Result {
    std::string group;
    std::string caseName;
    Setting setting;
    int elements = 0;
    int rows = 0;
    std::optional<double> referenceSeconds;
    std::optional<double> fastSeconds;
    long long cap = kNoCap;
    bool capped = false;
    bool agree = true;
    int repetitions = 0;
    // Of the untimed production run: the memory figure and the resident
    // growth.
    long long memoryFigure = 0;
    long long residentGrowth = 0;

    // Resident growth as a share of the memory figure.
    std::optional<double> residentShare() const
    {
        if (memoryFigure <= 0)
            return std::nullopt;
        return static_cast<double>(residentGrowth) / static_cast<double>(memoryFigure);
    }

    std::optional<double> ratio() const
    {
        if (!referenceSeconds || !fastSeconds)
            return std::nullopt;
        return *referenceSeconds / std::max(*fastSeconds, 1e-9);
    }
};

struct Options {
    bool quick = false;
    bool json = false;
    bool cpuTime = false; // thread CPU time instead of wall time
    bool engine = false;    // the run engine's overhead instead (EngineOverhead.h)
    bool reduction = false; // the reduction and long chains instead (ReductionBench.h)
    bool frontier = false;  // the Frontier method on its own suite (FrontierBench.h)
    int repetitions = 0;    // 0: 3, or 1 with --quick
    std::string filter;
    std::string algorithm;
    std::string only; // "production" or "reference": run one side, for profiling
};

Driver referenceDriver(Algorithm a)
{
    switch (a) {
    case Algorithm::Abraham: return reference::runAbraham;
    case Algorithm::Enr: return reference::runEnr;
    case Algorithm::Npr:
    case Algorithm::Frontier: break; // no reference of its own; not in this suite
    }
    return reference::runNpr;
}

Driver productionDriver(Algorithm a)
{
    return traits(a).driver;
}

const char* variantName(const Setting& s)
{
    switch (s.algorithm) {
    case Algorithm::Abraham: return s.variant == 1 ? "1a" : "1a+2a";
    case Algorithm::Enr: return s.variant == 0 ? "Standardno" : s.variant == 1 ? "Opt. I razine" : "Opt. II razine";
    case Algorithm::Npr:
    case Algorithm::Frontier: break;
    }
    return s.variant == 0 ? "Standardno" : "Optimizirano";
}

const char* behaviourName(const Setting& s) { return s.normal ? "normalno" : "posebno"; }

std::vector<Setting> allSettings()
{
    std::vector<Setting> settings;
    for (Algorithm a : kAlgorithms) {
        const std::vector<int> variants = a == Algorithm::Abraham ? std::vector<int>{1, 2}
                                        : a == Algorithm::Enr     ? std::vector<int>{0, 1, 2}
                                                                  : std::vector<int>{0, 1};
        for (int variant : variants)
            for (bool normal : {true, false})
                settings.push_back({a, variant, normal});
    }
    return settings;
}

int resultRows(const StructureWorkspace& ws, Algorithm a)
{
    return ws.liveTerms(a).rowCount();
}

AlgorithmOptions optionsFor(const Setting& s, long long cap)
{
    AlgorithmOptions options;
    options.normal = s.normal;
    options.variant = s.variant;
    options.limits.iterations = cap;
    return options;
}

double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double wallSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// With `measureMemory` the heap first gives its free pages back, so that
// the resident growth is the run's own; that costs page faults, so timed
// runs leave it out.
Outcome runOnce(StructureWorkspace& ws, const Setting& s, const AlgorithmOptions& options, Driver driver,
                bool cpuTime, bool measureMemory = false)
{
    ws.resetResults();
    AlgorithmCells& cells = ws.cells(s.algorithm);
    TermRows finalTerms;
    Outcome out;
    {
        AlgorithmRun run(s.algorithm, cells, options);
        if (measureMemory)
            resetResidentPeak();
        const long long residentBefore = measureMemory ? residentBytes() : 0;
        const double start = cpuTime ? threadCpuSeconds() : wallSeconds();
        out.ok = driver(run, ws, finalTerms);
        out.seconds = (cpuTime ? threadCpuSeconds() : wallSeconds()) - start;
        if (measureMemory)
            out.residentGrowth = std::max(0LL, residentPeakBytes() - residentBefore);
    }
    out.memoryFigure = cells.memoryLog.sample(0);
    out.rows = resultRows(ws, s.algorithm);
    out.iterations = cells.iterations.load();
    out.anomalies = cells.anomalies.load();
    if (out.ok)
        out.ok = evaluateTerms(finalTerms, ws.elementMap, ws.workSourceIndex, ws.workDestinationIndex, ws.elements,
                               out.availability, false);
    return out;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

bool sameOutcome(const Outcome& a, const Outcome& b)
{
    return a.ok == b.ok && a.rows == b.rows && a.iterations == b.iterations && a.anomalies == b.anomalies
        && a.availability == b.availability;
}

Result measure(StructureWorkspace& ws, const BenchCase& c, const Setting& s, const Options& options)
{
    Result r;
    r.group = c.group;
    r.caseName = c.name;
    r.setting = s;
    r.elements = ws.workMatrix.columnCount();
    r.cap = c.cap[static_cast<std::size_t>(s.algorithm)];
    r.repetitions = options.repetitions;
    const AlgorithmOptions algorithmOptions = optionsFor(s, r.cap);
    const bool runReference = c.withReference && options.only != "production";
    const bool runProduction = options.only != "reference";
    std::vector<double> reference, fast;
    std::optional<Outcome> first;
    for (int k = 0; k < options.repetitions; ++k) {
        // Alternate which version goes first, so that neither always finds
        // the caches and the heap as the other left them.
        const bool referenceFirst = k % 2 == 0;
        for (bool isReference : {referenceFirst, !referenceFirst}) {
            if (isReference ? !runReference : !runProduction)
                continue;
            const Outcome o = runOnce(ws, s, algorithmOptions, isReference ? referenceDriver(s.algorithm) : productionDriver(s.algorithm),
                                      options.cpuTime);
            (isReference ? reference : fast).push_back(o.seconds);
            if (!first) {
                first = o;
                r.rows = o.rows;
                r.capped = r.cap != kNoCap && o.anomalies < 0;
            } else if (!sameOutcome(*first, o)) {
                r.agree = false;
            }
        }
    }
    if (runProduction) {
        // One more production run, untimed, for its memory.
        const Outcome o = runOnce(ws, s, algorithmOptions, productionDriver(s.algorithm), options.cpuTime, true);
        r.memoryFigure = o.memoryFigure;
        r.residentGrowth = o.residentGrowth;
        if (first && !sameOutcome(*first, o))
            r.agree = false;
    }
    if (!reference.empty())
        r.referenceSeconds = median(reference);
    if (!fast.empty())
        r.fastSeconds = median(fast);
    return r;
}

std::vector<BenchCase> suite()
{
    std::vector<BenchCase> cases;
    // Iteration limits that keep every reference run within a second or so
    // of CPU time on this machine: expanded rows for the trees, merged pairs
    // of paths for Abraham (whose terms explode first).
    constexpr long long kTreeCap = 20000;
    auto add = [&](std::string group, std::string name, BenchStructure s, bool directed, bool quick,
                   std::array<long long, 3> cap) {
        cases.push_back({std::move(group), std::move(name), std::move(s), directed, quick, true, cap});
    };
    const std::array<long long, 3> none{kNoCap, kNoCap, kNoCap};
    const std::array<long long, 3> trees{kNoCap, kTreeCap, kTreeCap};
    add("grid", "grid3x3-u", squareGrid(3, 3, 0.99L, 0.9L), false, true, none);
    add("grid", "grid3x3-d", squareGrid(3, 3, 0.99L, 0.9L), true, false, none);
    add("grid", "grid4x4-u", squareGrid(4, 4, 1.0L, 0.9L), false, false, trees);
    add("grid", "grid4x4-d", squareGrid(4, 4, 0.99L, 0.9L), true, false, trees);
    add("grid", "grid5x5-u", squareGrid(5, 5, 1.0L, 0.9L), false, false, {1000, kTreeCap, 2000});
    add("grid", "grid5x5-d", squareGrid(5, 5, 0.99L, 0.9L), true, false, {800, kTreeCap, 5000});
    add("ladder", "ladder5-u", ladder(5, 0.99L, 0.9L), false, true, none);
    add("ladder", "ladder9-u", ladder(9, 1.0L, 0.9L), false, false, trees);
    add("ladder", "ladder12-d", ladder(12, 0.99L, 0.9L), true, false, trees);
    add("complete", "k5-u", completeGraph(5, 0.99L, 0.9L), false, true, none);
    add("complete", "k6-u", completeGraph(6, 0.99L, 0.9L), false, false, trees);
    add("complete", "k7-u", completeGraph(7, 0.99L, 0.9L), false, false, {20000, kTreeCap, kTreeCap});
    add("complete", "k7-d", completeGraph(7, 0.99L, 0.9L), true, false, trees);
    add("random", "random12-u", randomSparse(12, 12, 6), false, true, {kNoCap, 5000, 5000});
    add("random", "random16-u", randomSparse(16, 16, 10), false, false, trees);
    add("random", "random16-d", randomSparse(16, 16, 24), true, false, trees);
    add("random", "random20-u", randomSparse(20, 20, 12), false, false, {20000, kTreeCap, 10000});
    add("random", "random24-d", randomSparse(24, 24, 36), true, false, trees);
    // Long series chains; the reference on 2,001 elements would take minutes,
    // so that one runs the production versions only.
    cases.push_back({"chain", "chain101", seriesChain(101, 0.99L, 0.9L), false, true, true, none});
    cases.push_back({"chain", "chain1001", seriesChain(1001, 0.99L, 0.9L), false, false, false, none});
    return cases;
}

std::string lower(std::string text)
{
    for (char& ch : text)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return text;
}

void printSeconds(const char* key, const std::optional<double>& value)
{
    if (value)
        std::printf("\"%s\":%.9f,", key, *value);
    else
        std::printf("\"%s\":null,", key);
}

void printJson(const Result& r)
{
    std::printf("{\"case\":\"%s\",\"algorithm\":\"%s\",\"variant\":%d,\"behaviour\":\"%s\",\"elements\":%d,"
                "\"rows\":%d,",
                r.caseName.c_str(), std::string(algorithmName(r.setting.algorithm)).c_str(), r.setting.variant,
                behaviourName(r.setting), r.elements, r.rows);
    printSeconds("referenceSeconds", r.referenceSeconds);
    printSeconds("fastSeconds", r.fastSeconds);
    if (const auto ratio = r.ratio())
        std::printf("\"ratio\":%.3f,", *ratio);
    else
        std::printf("\"ratio\":null,");
    std::printf("\"memoryFigureBytes\":%lld,\"residentPeakBytes\":%lld,", r.memoryFigure, r.residentGrowth);
    std::printf("\"group\":\"%s\",\"iterationCap\":%lld,\"capped\":%s,\"repetitions\":%d,\"agree\":%s}\n",
                r.group.c_str(), r.cap, r.capped ? "true" : "false", r.repetitions, r.agree ? "true" : "false");
    std::fflush(stdout);
}

void printHeader(const Options& options)
{
    std::printf("velmor-bench%s: reference and production drivers on the same prepared workspace, alternating;\n"
                "median of %d repetition(s) of %s seconds per driver call.\n"
                "\"capped N\": both versions ran with the iteration limit N and stopped at the same point.\n"
                "figure MB: the production run's memory figure; rss MB: its resident peak above what was\n"
                "resident before it; rss %%: the one as a share of the other.\n\n",
                options.quick ? " --quick" : "", options.repetitions,
                options.cpuTime ? "thread CPU" : "wall-clock");
    std::printf("%-11s %-8s %-15s %-9s %8s %9s %12s %12s %8s %10s %8s %6s  %s\n", "case", "algo", "variant",
                "behaviour", "elements", "rows", "reference s", "production s", "ratio", "figure MB", "rss MB", "rss %",
                "note");
}

std::string formatted(const char* format, const std::optional<double>& value)
{
    if (!value)
        return "-";
    char text[32];
    std::snprintf(text, sizeof text, format, *value);
    return text;
}

void printRow(const Result& r)
{
    std::vector<std::string> notes;
    if (r.capped)
        notes.push_back("capped " + std::to_string(r.cap));
    if (!r.referenceSeconds)
        notes.emplace_back("production only");
    if (!r.agree)
        notes.emplace_back("RESULTS DIFFER");
    std::string note;
    for (const std::string& n : notes)
        note += (note.empty() ? "" : ", ") + n;
    const auto share = r.residentShare();
    std::printf("%-11s %-8s %-15s %-9s %8d %9d %12s %12s %8s %10.2f %8.2f %6s  %s\n", r.caseName.c_str(),
                std::string(algorithmName(r.setting.algorithm)).c_str(), variantName(r.setting),
                behaviourName(r.setting), r.elements, r.rows, formatted("%.6f", r.referenceSeconds).c_str(),
                formatted("%.6f", r.fastSeconds).c_str(), formatted("%.1f", r.ratio()).c_str(),
                static_cast<double>(r.memoryFigure) / 1e6, static_cast<double>(r.residentGrowth) / 1e6,
                formatted("%.0f", share ? std::optional<double>(*share * 100) : std::nullopt).c_str(), note.c_str());
    std::fflush(stdout);
}

constexpr long long kShareFloor = 1'000'000;

void printSummary(const std::vector<Result>& results)
{
    std::printf("\nMedian ratio reference/production (number of measured rows in brackets):\n");
    for (Algorithm a : kAlgorithms) {
        std::vector<double> all, large;
        std::map<std::string, std::vector<double>> byGroup;
        std::vector<std::string> groups;
        double slowestChain = -1;
        // The highest resident share on the grids and ladders of 40 or more
        // elements, among figures large enough for page-sized growth not to
        // dominate.
        double highestShare = -1;
        std::string highestCase;
        for (const Result& r : results) {
            if (r.setting.algorithm != a)
                continue;
            if ((r.group == "grid" || r.group == "ladder") && r.elements >= 40 && r.memoryFigure >= kShareFloor)
                if (const auto share = r.residentShare(); share && *share > highestShare) {
                    highestShare = *share;
                    highestCase = r.caseName;
                }
            if (r.group == "chain" && r.elements > 1000 && r.fastSeconds)
                slowestChain = std::max(slowestChain, *r.fastSeconds);
            const auto ratio = r.ratio();
            if (!ratio)
                continue;
            all.push_back(*ratio);
            if (r.elements >= 40)
                large.push_back(*ratio);
            if (byGroup[r.group].empty())
                groups.push_back(r.group);
            byGroup[r.group].push_back(*ratio);
        }
        if (all.empty() && slowestChain < 0)
            continue;
        const std::string name(algorithmName(a));
        std::printf("  %-8s", name.c_str());
        if (!all.empty())
            std::printf(" all %.1f (%zu)", median(all), all.size());
        if (!large.empty())
            std::printf(", 40+ elements %.1f (%zu)", median(large), large.size());
        for (const std::string& g : groups)
            std::printf(", %s %.1f", g.c_str(), median(byGroup[g]));
        if (slowestChain >= 0)
            std::printf("; 2001-element chain, slowest production run %.3f s", slowestChain);
        if (highestShare >= 0)
            std::printf("; resident peak at most %.0f %% of the memory figure (%s)", highestShare * 100,
                        highestCase.c_str());
        std::printf("\n");
    }
}

bool parse(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--quick") {
            options.quick = true;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "--cpu-time") {
            options.cpuTime = true;
        } else if (arg == "--engine") {
            options.engine = true;
        } else if (arg == "--reduction") {
            options.reduction = true;
        } else if (arg == "--frontier") {
            options.frontier = true;
        } else if (arg == "--repetitions" && i + 1 < argc) {
            options.repetitions = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--filter" && i + 1 < argc) {
            options.filter = argv[++i];
        } else if (arg == "--algorithm" && i + 1 < argc) {
            options.algorithm = lower(argv[++i]);
        } else if (arg == "--only" && i + 1 < argc) {
            options.only = argv[++i];
        } else {
            std::fprintf(stderr,
                         "usage: velmor-bench [--quick] [--json] [--cpu-time] [--repetitions N] [--filter TEXT]\n"
                         "                    [--algorithm abraham|enr|npr] [--only production|reference]\n"
                         "       velmor-bench --engine [--quick] [--json] [--repetitions N] [--filter TEXT]\n"
                         "                    [--algorithm abraham|enr|npr]\n"
                         "       velmor-bench --reduction [--quick] [--json] [--repetitions N] [--filter TEXT]\n"
                         "       velmor-bench --frontier [--quick] [--json] [--repetitions N] [--filter TEXT]\n");
            return false;
        }
    }
    if (options.frontier && (options.engine || options.reduction || options.cpuTime || !options.only.empty() || !options.algorithm.empty())) {
        std::fprintf(stderr, "velmor-bench: --frontier measures wall and CPU time of Frontier alone\n");
        return false;
    }
    if (options.engine && (options.cpuTime || !options.only.empty())) {
        std::fprintf(stderr, "velmor-bench: --engine measures wall time of both sides; no --cpu-time or --only\n");
        return false;
    }
    if (options.reduction && (options.engine || options.cpuTime || !options.only.empty() || !options.algorithm.empty())) {
        std::fprintf(stderr, "velmor-bench: --reduction runs every algorithm and both sides; no --engine, --cpu-time,\n"
                             "--only or --algorithm\n");
        return false;
    }
    if (options.repetitions == 0 && !options.engine && !options.reduction && !options.frontier)
        options.repetitions = options.quick ? 1 : 3;
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!parse(argc, argv, options))
        return 2;
    // The allocator as the run engine sets it up, so that both drivers are
    // measured as the programs run them.
    keepFreedMemoryInProcess();
    if (options.reduction)
        return runReductionBench({options.quick, options.json, options.repetitions, options.filter});
    if (options.engine)
        return runEngineOverhead({options.quick, options.json, options.repetitions, options.filter, options.algorithm});
    if (options.frontier)
        return runFrontierBench({options.quick, options.json, options.repetitions, options.filter});
    if (!options.json)
        printHeader(options);

    std::vector<Result> results;
    bool agree = true;
    StructureWorkspace ws;
    for (const BenchCase& c : suite()) {
        if (!caseChosen(c.name, c.inQuick, options.quick, options.filter))
            continue;
        if (!loadCase(ws, c.structure, c.directed, c.name))
            return 1;
        for (const Setting& s : allSettings()) {
            if (!options.algorithm.empty() && lower(std::string(algorithmName(s.algorithm))) != options.algorithm)
                continue;
            Result r = measure(ws, c, s, options);
            agree = agree && r.agree;
            if (options.json)
                printJson(r);
            else
                printRow(r);
            results.push_back(std::move(r));
        }
    }
    if (!options.json)
        printSummary(results);
    if (!agree) {
        std::fprintf(stderr, "velmor-bench: reference and production results differ\n");
        return 1;
    }
    return 0;
}
