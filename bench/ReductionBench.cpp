#include "ReductionBench.h"

#include "BenchStructures.h"

#include "algorithms/ElementArcs.h"
#include "algorithms/Reduction.h"
#include "algorithms/RunFrame.h"
#include "algorithms/WorkStructure.h"
#include "algorithms/reference/Reduction.h"
#include "cli/CliOptions.h"
#include "cli/ComputeCommand.h"
#include "run/AlgorithmTable.h"
#include "structure/LoadStructure.h"
#include "structure/StructureFileWriter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include <unistd.h>

namespace velmor::bench {

namespace {

using Reducer = bool (*)(int&, int&, ByteMatrix&, IntArray&);

struct ReduceCase {
    std::string name;
    BenchStructure structure;
    bool directed = false;
    bool quick = false;         // part of --quick
    bool withReference = true;  // false: the reference would take minutes
};

struct ChainCase {
    std::string name;
    int nodes = 0; // 2 * nodes - 1 elements
    bool quick = false;
};

// Wall-clock and CPU seconds of one measured step.
struct Seconds {
    double wall = 0;
    double cpu = 0;
};

double wallNow()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double cpuNow(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Times `step` on this thread, or over the whole process when it starts
// threads of its own.
template <typename Step>
Seconds timed(Step&& step, clockid_t clock = CLOCK_THREAD_CPUTIME_ID)
{
    const double wall = wallNow();
    const double cpu = cpuNow(clock);
    step();
    return {wallNow() - wall, cpuNow(clock) - cpu};
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::string loadAverage()
{
    std::FILE* file = std::fopen("/proc/loadavg", "r");
    if (!file)
        return "unknown";
    char text[64] = {};
    const bool read = std::fgets(text, sizeof text, file) != nullptr;
    std::fclose(file);
    std::string line = read ? text : "unknown";
    const auto third = line.find(' ', line.find(' ', line.find(' ') + 1) + 1);
    return third == std::string::npos ? line : line.substr(0, third);
}

// --- Production against reference ------------------------------------------------

std::vector<ReduceCase> reduceCases()
{
    std::vector<ReduceCase> cases;
    auto add = [&](std::string name, BenchStructure s, bool directed, bool quick, bool withReference) {
        cases.push_back({std::move(name), std::move(s), directed, quick, withReference});
    };
    // Chains: everything stays, and each cut step of the reference walks the
    // whole chain in as many passes as it is long.
    add("chain101", seriesChain(51, 0.99L, 0.9L), false, true, true);
    add("chain401", seriesChain(201, 0.99L, 0.9L), false, false, true);
    add("chain801-d", seriesChain(401, 0.99L, 0.9L), true, false, true);
    add("chain2001", seriesChain(1001, 0.99L, 0.9L), false, false, false);
    add("chain20001", seriesChain(10001, 0.99L, 0.9L), false, false, false);
    // Grids: many ways, nothing to remove.
    add("grid5x5-u", squareGrid(5, 5, 0.99L, 0.9L), false, true, true);
    add("grid10x10-u", squareGrid(10, 10, 0.99L, 0.9L), false, false, true);
    add("grid15x15-d", squareGrid(15, 15, 0.99L, 0.9L), true, false, true);
    add("grid40x40-u", squareGrid(40, 40, 0.99L, 0.9L), false, false, false);
    // Random trees with a few further edges: many dangling branches go.
    add("random60-u", randomSparse(60, 60, 8), false, true, true);
    add("random300-u", randomSparse(300, 300, 40), false, false, true);
    add("random300-d", randomSparse(301, 300, 60), true, false, true);
    add("random3000-u", randomSparse(3000, 3000, 400), false, false, false);
    return cases;
}

struct ReduceOutcome {
    bool ok = false;
    int source = 0;
    int destination = 0;
    ByteMatrix matrix;
    IntArray map;
    Seconds time;
};

ReduceOutcome reduceOnce(const StructureWorkspace& ws, Reducer reducer)
{
    ReduceOutcome out;
    ws.workMatrix.copyTo(out.matrix);
    out.source = ws.workSourceIndex;
    out.destination = ws.workDestinationIndex;
    out.time = timed([&] { out.ok = reducer(out.source, out.destination, out.matrix, out.map); });
    return out;
}

bool sameReduction(const ReduceOutcome& a, const ReduceOutcome& b)
{
    if (a.ok != b.ok || a.source != b.source || a.destination != b.destination || a.map.count() != b.map.count()
        || a.matrix.lastRow() != b.matrix.lastRow() || a.matrix.lastColumn() != b.matrix.lastColumn())
        return false;
    for (int i = 0; i < a.map.count(); ++i)
        if (a.map.get(i) != b.map.get(i))
            return false;
    for (int r = 0; r < a.matrix.rowCount(); ++r)
        if (!std::equal(a.matrix.row(r), a.matrix.row(r) + a.matrix.columnCount(), b.matrix.row(r)))
            return false;
    return true;
}

bool measureReduceCase(StructureWorkspace& ws, const ReduceCase& c, const ReductionBenchOptions& options)
{
    if (!loadCase(ws, c.structure, c.directed, c.name))
        return false;
    std::vector<double> production, reference;
    std::optional<ReduceOutcome> first;
    bool agree = true;
    int kept = 0;
    for (int k = 0; k < options.repetitions; ++k) {
        const bool referenceFirst = k % 2 == 0;
        for (bool isReference : {referenceFirst, !referenceFirst}) {
            if (isReference && !c.withReference)
                continue;
            ReduceOutcome o = reduceOnce(ws, isReference ? Reducer{reference::reduceStructure} : Reducer{reduceStructure});
            (isReference ? reference : production).push_back(o.time.cpu);
            kept = o.map.count();
            if (!first)
                first = std::move(o);
            else if (!sameReduction(*first, o))
                agree = false;
        }
    }
    const int elements = ws.workMatrix.columnCount();
    const double fast = median(production);
    const std::optional<double> slow = reference.empty() ? std::nullopt : std::optional<double>(median(reference));
    if (options.json) {
        std::printf("{\"section\":\"reduce\",\"case\":\"%s\",\"elements\":%d,\"kept\":%d,\"productionSeconds\":%.9f,",
                    c.name.c_str(), elements, kept, fast);
        if (slow)
            std::printf("\"referenceSeconds\":%.9f,\"ratio\":%.3f,", *slow, *slow / std::max(fast, 1e-9));
        else
            std::printf("\"referenceSeconds\":null,\"ratio\":null,");
        std::printf("\"repetitions\":%d,\"agree\":%s}\n", options.repetitions, agree ? "true" : "false");
    } else {
        char referenceText[32] = "-", ratioText[32] = "-";
        if (slow) {
            std::snprintf(referenceText, sizeof referenceText, "%.6f", *slow);
            std::snprintf(ratioText, sizeof ratioText, "%.1f", *slow / std::max(fast, 1e-9));
        }
        std::printf("%-13s %8d %8d %12s %12.6f %10s  %s\n", c.name.c_str(), elements, kept, referenceText, fast,
                    ratioText, !agree ? "RESULTS DIFFER" : slow ? "" : "production only");
    }
    std::fflush(stdout);
    return agree;
}

// --- From the file to the result -------------------------------------------------

std::vector<ChainCase> chainCases()
{
    return {{"chain201", 101, true}, {"chain2001", 1001, false}, {"chain4001", 2001, false},
            {"chain20001", 10001, false}};
}

bool writeChainFile(const ChainCase& c, const std::string& path)
{
    auto ws = std::make_unique<StructureWorkspace>();
    if (!loadInto(*ws, seriesChain(c.nodes, 0.99L, 0.9L), false))
        return false;
    StructureFileWriter writer;
    std::string message;
    if (writer.writeStructureFile(path, ws->elements, ws->directedMatrix, false, ws->sourceIndex,
                                  ws->destinationIndex, message))
        return true;
    std::fprintf(stderr, "velmor-bench: %s\n", message.c_str());
    return false;
}

struct Step {
    std::string name;
    Seconds time;
};

// The steps of a run one after the other on this thread, with velmor-cli's
// default options (every algorithm, reduction on, ideal terminals): what
// the load, the core thread and the algorithm threads do between them.
bool runSteps(const std::string& path, std::vector<Step>& steps)
{
    auto ws = std::make_unique<StructureWorkspace>();
    StructureFileReader reader;
    std::string message;
    bool ok = true;
    steps.push_back({"read file", timed([&] { ok = loadStructureFile(*ws, reader, path, message); })});
    if (!ok) {
        std::fprintf(stderr, "velmor-bench: %s\n", message.c_str());
        return false;
    }
    RunOptions options;
    options.direction = Direction::Undirected;
    options.reduction = true;
    options.idealTerminals = true;
    options.of(Algorithm::Abraham).variant = 2;
    options.of(Algorithm::Enr).variant = 2;
    options.of(Algorithm::Npr).variant = 1;
    steps.push_back({"copy work matrix", timed([&] { ok = ws->undirectedMatrix.copyTo(ws->workMatrix); })});
    steps.push_back({"reduce and map", timed([&] { ok = ok && mapWorkStructure(*ws, options, ws->sourceIndex, ws->destinationIndex); })});
    // A chain lies whole on the way from its first node to its last.
    if (ok && ws->elementMap.count() != ws->elements.count()) {
        std::fprintf(stderr, "velmor-bench: the reduction took elements off a chain\n");
        return false;
    }
    ElementArcs arcs;
    steps.push_back({"arc lists (once)", timed([&] { ok = ok && arcs.build(ws->workMatrix); })});
    for (Algorithm a : kAlgorithms) {
        TermRows finalTerms;
        AlgorithmCells& cells = ws->cells(a);
        steps.push_back({std::string(algorithmName(a)), timed([&] {
                             AlgorithmRun run(a, cells, options.of(a));
                             ok = ok && traits(a).driver(run, *ws, finalTerms);
                         })});
        long double availability = 0;
        steps.push_back({std::string(algorithmName(a)) + " evaluation", timed([&] {
                             ok = ok && evaluateTerms(finalTerms, ws->elementMap, ws->workSourceIndex,
                                                      ws->workDestinationIndex, ws->elements, availability, true);
                         })});
    }
    steps.push_back({"release", timed([&] { ws.reset(); })});
    return ok;
}

// The whole of velmor-cli's computation in this process: load, options,
// run, result table, and the main window's release at the end.
bool runCli(const std::string& path, Seconds& time)
{
    const CliParseResult parsed = parseCliOptions({path});
    if (!parsed.ok)
        return false;
    std::ostringstream out, err;
    int status = 0;
    time = timed([&] { status = runCompute(parsed.options, out, err, ComputeEnvironment{}); },
                 CLOCK_PROCESS_CPUTIME_ID);
    if (status != kExitSuccess)
        std::fprintf(stderr, "velmor-bench: velmor-cli ended with %d: %s\n", status, err.str().c_str());
    return status == kExitSuccess;
}

bool measureChainCase(const ChainCase& c, const std::string& path, const ReductionBenchOptions& options)
{
    if (!writeChainFile(c, path)) {
        std::fprintf(stderr, "velmor-bench: case %s could not be written\n", c.name.c_str());
        return false;
    }
    std::vector<std::vector<Step>> runs;
    std::vector<double> cliWall, cliCpu;
    for (int k = 0; k < options.repetitions; ++k) {
        std::vector<Step> steps;
        if (!runSteps(path, steps))
            return false;
        runs.push_back(std::move(steps));
        Seconds cli;
        if (!runCli(path, cli))
            return false;
        cliWall.push_back(cli.wall);
        cliCpu.push_back(cli.cpu);
    }
    const std::size_t stepCount = runs.front().size();
    double totalWall = 0, totalCpu = 0;
    for (std::size_t i = 0; i < stepCount; ++i) {
        std::vector<double> wall, cpu;
        for (const auto& steps : runs) {
            wall.push_back(steps[i].time.wall);
            cpu.push_back(steps[i].time.cpu);
        }
        const std::string& name = runs.front()[i].name;
        // The arc lists are built again inside every algorithm; counted there.
        if (name != "arc lists (once)") {
            totalWall += median(wall);
            totalCpu += median(cpu);
        }
        if (options.json)
            std::printf("{\"section\":\"chain\",\"case\":\"%s\",\"step\":\"%s\",\"wallSeconds\":%.6f,"
                        "\"cpuSeconds\":%.6f,\"repetitions\":%d}\n",
                        c.name.c_str(), name.c_str(), median(wall), median(cpu), options.repetitions);
        else
            std::printf("  %-11s %-22s %10.5f %10.5f\n", c.name.c_str(), name.c_str(), median(wall), median(cpu));
    }
    if (options.json) {
        std::printf("{\"section\":\"chain\",\"case\":\"%s\",\"step\":\"steps in all\",\"wallSeconds\":%.6f,"
                    "\"cpuSeconds\":%.6f,\"repetitions\":%d}\n",
                    c.name.c_str(), totalWall, totalCpu, options.repetitions);
        std::printf("{\"section\":\"chain\",\"case\":\"%s\",\"step\":\"velmor-cli\",\"wallSeconds\":%.6f,"
                    "\"cpuSeconds\":%.6f,\"repetitions\":%d}\n",
                    c.name.c_str(), median(cliWall), median(cliCpu), options.repetitions);
    } else {
        std::printf("  %-11s %-22s %10.5f %10.5f\n", c.name.c_str(), "steps in all", totalWall, totalCpu);
        std::printf("  %-11s %-22s %10.5f %10.5f  (threads in parallel; CPU of the process)\n", c.name.c_str(),
                    "velmor-cli", median(cliWall), median(cliCpu));
    }
    std::fflush(stdout);
    return true;
}

} // namespace

int runReductionBench(const ReductionBenchOptions& given)
{
    ReductionBenchOptions options = given;
    if (options.repetitions == 0)
        options.repetitions = options.quick ? 1 : 3;
    auto wanted = [&](const std::string& name, bool quick) { return caseChosen(name, quick, options.quick, options.filter); };
    int status = 0;
    if (!options.json)
        std::printf("velmor-bench --reduction%s: median of %d repetition(s); load average at start: %s\n\n"
                    "Reduction, production against the cut-step reference (thread CPU seconds):\n"
                    "%-13s %8s %8s %12s %12s %10s\n",
                    options.quick ? " --quick" : "", options.repetitions, loadAverage().c_str(), "case", "elements",
                    "kept", "reference s", "production s", "ratio");
    auto ws = std::make_unique<StructureWorkspace>();
    for (const ReduceCase& c : reduceCases())
        if (wanted(c.name, c.quick) && !measureReduceCase(*ws, c, options))
            status = 1;
    ws.reset();

    std::error_code error;
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path(error) / ("velmor-bench-reduction-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir, error);
    if (error) {
        std::fprintf(stderr, "velmor-bench: no temporary directory: %s\n", error.message().c_str());
        return 1;
    }
    if (!options.json)
        std::printf("\nFrom the structure file to the result, every algorithm, reduction on (seconds):\n"
                    "  %-11s %-22s %10s %10s\n",
                    "case", "step", "wall", "CPU");
    for (const ChainCase& c : chainCases())
        if (wanted(c.name, c.quick) && !measureChainCase(c, (dir / (c.name + ".dsm")).string(), options))
            status = 1;
    std::filesystem::remove_all(dir, error);
    if (!options.json)
        std::printf("load average at end: %s\n", loadAverage().c_str());
    if (status != 0)
        std::fprintf(stderr, "velmor-bench: a case failed or the production and reference reductions differ\n");
    return status;
}

} // namespace velmor::bench
