#include "EngineOverhead.h"

#include "BenchStructures.h"

#include "algorithms/RunFrame.h"
#include "algorithms/WorkStructure.h"
#include "platform/Threads.h"
#include "run/AlgorithmTable.h"
#include "run/MainController.h"
#include "structure/StructureFileWriter.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

namespace velmor::bench {

namespace {

// velmor-cli's main loop rests this long between applying the run's changes;
// the engine side waits for the end the same way.
constexpr auto kCliLoopRest = std::chrono::milliseconds(10);

struct EngineCase {
    std::string name;
    Algorithm algorithm;
    BenchStructure structure;
    bool directed = false;
    bool quick = false; // part of --quick
};

struct RunFigures {
    bool ok = false;
    double wall = 0; // seconds
    double cpu = 0;  // process CPU seconds, every thread
    long faults = 0; // minor page faults of the process
    int terms = 0;
    int iterations = 0;
    long double availability = 0;
};

struct CaseResult {
    std::string name;
    Algorithm algorithm = Algorithm::Abraham;
    int variant = 0;
    int elements = 0;
    int workElements = 0;
    int terms = 0;
    long double availability = 0;
    double direct = 0; // median wall seconds
    double engine = 0;
    double directCpu = 0; // median process CPU seconds
    double engineCpu = 0;
    double directFaults = 0; // median minor page faults
    double engineFaults = 0;
    bool agree = true;
    int repetitions = 0;

    double overheadPercent() const { return (engine / std::max(direct, 1e-9) - 1) * 100; }
};

double wallSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double processCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

long minorFaults()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::string loadAverage()
{
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    if (!(in >> one >> five >> fifteen))
        return "unknown";
    return one + " " + five + " " + fifteen;
}

std::string lower(std::string_view text)
{
    std::string out(text);
    for (char& ch : out)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return out;
}

// Sizes chosen so that one production run takes roughly 0.3 to 3 seconds on
// the project's 2-core machine (a few tens of milliseconds with --quick).
std::vector<EngineCase> engineCases()
{
    std::vector<EngineCase> cases;
    auto add = [&](std::string name, Algorithm a, BenchStructure s, bool directed, bool quick) {
        cases.push_back({std::move(name), a, std::move(s), directed, quick});
    };
    add("grid4x5-u", Algorithm::Abraham, squareGrid(4, 5, 1.0L, 0.9L), false, false);
    add("k8-u", Algorithm::Abraham, completeGraph(8, 0.99L, 0.9L), false, false);
    add("ladder11-u", Algorithm::Abraham, ladder(11, 0.99L, 0.9L), false, false);
    add("grid4x4-u", Algorithm::Enr, squareGrid(4, 4, 1.0L, 0.9L), false, false);
    add("ladder8-u", Algorithm::Enr, ladder(8, 0.99L, 0.9L), false, false);
    add("grid3x6-u", Algorithm::Enr, squareGrid(3, 6, 1.0L, 0.9L), false, false);
    add("ladder10-u", Algorithm::Npr, ladder(10, 0.99L, 0.9L), false, false);
    add("random21-u", Algorithm::Npr, randomSparse(21, 21, 14), false, false);
    add("k8-u", Algorithm::Npr, completeGraph(8, 0.99L, 0.9L), false, false);
    // --quick: the same kinds of structure, a few milliseconds each.
    add("ladder8-u", Algorithm::Abraham, ladder(8, 0.99L, 0.9L), false, true);
    add("ladder7-u", Algorithm::Enr, ladder(7, 0.99L, 0.9L), false, true);
    add("grid3x5-u", Algorithm::Npr, squareGrid(3, 5, 1.0L, 0.9L), false, true);
    return cases;
}

bool writeCaseFile(const EngineCase& c, const std::string& path)
{
    auto ws = std::make_unique<StructureWorkspace>();
    if (!loadInto(*ws, c.structure, c.directed))
        return false;
    StructureFileWriter writer;
    std::string message;
    if (writer.writeStructureFile(path, ws->elements, ws->directedMatrix, c.directed, ws->sourceIndex,
                                  ws->destinationIndex, message))
        return true;
    std::fprintf(stderr, "velmor-bench: %s\n", message.c_str());
    return false;
}

// What a run does before and after its algorithm thread, without the
// threads: clear the previous results, take the options, copy and reduce the
// work structure, run the driver, evaluate the final terms.
RunFigures runDirect(StructureWorkspace& ws, const RunOptions& options, Algorithm a)
{
    RunFigures out;
    TermRows finalTerms;
    const double wallStart = wallSeconds();
    const long faultsStart = minorFaults();
    const double cpuStart = processCpuSeconds();
    ws.resetResults();
    AlgorithmCells& cells = ws.cells(a);
    if (prepareWorkStructure(ws, options)) {
        AlgorithmRun run(a, cells, options.of(a));
        out.ok = traits(a).driver(run, ws, finalTerms);
    }
    if (out.ok)
        out.ok = evaluateTerms(finalTerms, ws.elementMap, ws.workSourceIndex, ws.workDestinationIndex, ws.elements,
                               out.availability, options.idealTerminals);
    out.wall = wallSeconds() - wallStart;
    out.faults = minorFaults() - faultsStart;
    out.cpu = processCpuSeconds() - cpuStart;
    out.terms = finalTerms.rowCount();
    out.iterations = cells.iterations.load();
    return out;
}

// Start, then apply the run's changes as they come until Start is back on,
// as velmor-cli's main loop does.
RunFigures runThroughEngine(MainController& controller, Algorithm a)
{
    RunFigures out;
    const double wallStart = wallSeconds();
    const long faultsStart = minorFaults();
    const double cpuStart = processCpuSeconds();
    auto posted = std::make_shared<AutoResetEvent>();
    controller.channel().setWakeUp([posted] { posted->set(); });
    controller.startRun();
    bool running = false;
    for (;;) {
        controller.drain();
        running = running || !controller.board().enabled("play");
        if (!controller.engine().busy() || (running && controller.board().enabled("play")))
            break;
        posted->waitFor(kCliLoopRest);
    }
    controller.engine().waitUntilIdle();
    controller.channel().setWakeUp({});
    controller.drain();
    out.wall = wallSeconds() - wallStart;
    out.faults = minorFaults() - faultsStart;
    out.cpu = processCpuSeconds() - cpuStart;
    const AlgorithmCells& cells = controller.workspace().cells(a);
    out.ok = controller.resultsPresent() && cells.done.load() && !cells.failed.load();
    out.availability = cells.availabilityValue();
    out.terms = controller.engine().finalTerms(a).rowCount();
    out.iterations = cells.iterations.load();
    return out;
}

bool sameResult(const RunFigures& x, const RunFigures& y)
{
    return x.ok && y.ok && x.terms == y.terms && x.iterations == y.iterations && x.availability == y.availability;
}

std::optional<CaseResult> measureCase(const EngineCase& c, const std::string& path, int repetitions)
{
    if (!writeCaseFile(c, path)) {
        std::fprintf(stderr, "velmor-bench: case %s could not be written\n", c.name.c_str());
        return std::nullopt;
    }
    // The workspace holds every container of a run; keep it off the stack.
    auto controller = std::make_unique<MainController>();
    controller->openFile(path);
    controller->waitForArchive();
    controller->drain();
    if (!controller->structurePresent()) {
        std::fprintf(stderr, "velmor-bench: case %s could not be loaded\n", c.name.c_str());
        return std::nullopt;
    }
    // Only this algorithm, everything else as the window starts.
    for (Algorithm other : kAlgorithms)
        controller->userCheck(binding(other).checkBox, other == c.algorithm);
    controller->drain();
    const RunOptions request = controller->runOptions();

    CaseResult r;
    r.name = c.name;
    r.algorithm = c.algorithm;
    r.variant = request.of(c.algorithm).variant;
    r.elements = controller->workspace().elements.count();
    r.repetitions = repetitions;
    std::vector<double> direct, engine, directCpu, engineCpu, directFaults, engineFaults;
    std::optional<RunFigures> first;
    for (int k = 0; k < repetitions; ++k) {
        // Alternate which side goes first, so that neither always finds the
        // heap and the caches as the other left them.
        const bool directFirst = k % 2 == 0;
        for (bool isDirect : {directFirst, !directFirst}) {
            const RunFigures f = isDirect ? runDirect(controller->workspace(), request, c.algorithm)
                                          : runThroughEngine(*controller, c.algorithm);
            (isDirect ? direct : engine).push_back(f.wall);
            (isDirect ? directCpu : engineCpu).push_back(f.cpu);
            (isDirect ? directFaults : engineFaults).push_back(static_cast<double>(f.faults));
            if (!first)
                first = f;
            else if (!sameResult(*first, f))
                r.agree = false;
            if (!f.ok)
                r.agree = false;
        }
    }
    r.workElements = controller->workspace().workMatrix.columnCount();
    r.terms = first->terms;
    r.availability = first->availability;
    r.direct = median(direct);
    r.engine = median(engine);
    r.directCpu = median(directCpu);
    r.engineCpu = median(engineCpu);
    r.directFaults = median(directFaults);
    r.engineFaults = median(engineFaults);
    return r;
}

void printHeader(const EngineOverheadOptions& options)
{
    std::printf("velmor-bench --engine%s: one algorithm called directly on the prepared workspace against the same\n"
                "run through the headless main window as velmor-cli drives it; alternating, median of %d\n"
                "repetition(s) of wall-clock seconds (CPU: process CPU seconds of all threads; faults:\n"
                "the process's minor page faults, in thousands).\n"
                "load average at start: %s\n\n",
                options.quick ? " --quick" : "", options.repetitions, loadAverage().c_str());
    std::printf("%-11s %-8s %7s %8s %8s %9s %9s %9s %9s %9s %9s  %s\n", "case", "algo", "variant", "elements",
                "terms", "direct s", "engine s", "overhead", "direct C", "engine C", "faults", "availability");
}

void printRow(const CaseResult& r)
{
    char faults[32];
    std::snprintf(faults, sizeof faults, "%.0f/%.0f", r.directFaults / 1000, r.engineFaults / 1000);
    std::printf("%-11s %-8s %7d %4d/%-3d %8d %9.4f %9.4f %8.1f%% %9.4f %9.4f %9s  %.12Lf%s\n", r.name.c_str(),
                std::string(algorithmName(r.algorithm)).c_str(), r.variant, r.elements, r.workElements, r.terms,
                r.direct, r.engine, r.overheadPercent(), r.directCpu, r.engineCpu, faults, r.availability,
                r.agree ? "" : "  RESULTS DIFFER");
    std::fflush(stdout);
}

void printJson(const CaseResult& r)
{
    std::printf("{\"case\":\"%s\",\"algorithm\":\"%s\",\"variant\":%d,\"elements\":%d,\"workElements\":%d,"
                "\"terms\":%d,\"directSeconds\":%.6f,\"engineSeconds\":%.6f,\"overheadPercent\":%.2f,"
                "\"directCpuSeconds\":%.6f,\"engineCpuSeconds\":%.6f,\"directMinorFaults\":%.0f,"
                "\"engineMinorFaults\":%.0f,\"availability\":%.15Lg,\"repetitions\":%d,\"agree\":%s}\n",
                r.name.c_str(), std::string(algorithmName(r.algorithm)).c_str(), r.variant, r.elements,
                r.workElements, r.terms, r.direct, r.engine, r.overheadPercent(), r.directCpu, r.engineCpu,
                r.directFaults, r.engineFaults, r.availability, r.repetitions, r.agree ? "true" : "false");
    std::fflush(stdout);
}

void printSummary(const std::vector<CaseResult>& results)
{
    std::printf("\nMedian overhead per algorithm (cases in brackets):\n");
    for (Algorithm a : kAlgorithms) {
        std::vector<double> overheads;
        for (const CaseResult& r : results)
            if (r.algorithm == a)
                overheads.push_back(r.overheadPercent());
        if (overheads.empty())
            continue;
        std::printf("  %-8s %+.1f%% (%zu), largest %+.1f%%\n", std::string(algorithmName(a)).c_str(),
                    median(overheads), overheads.size(), *std::max_element(overheads.begin(), overheads.end()));
    }
    std::printf("load average at end: %s\n", loadAverage().c_str());
}

} // namespace

int runEngineOverhead(const EngineOverheadOptions& given)
{
    EngineOverheadOptions options = given;
    if (options.repetitions == 0)
        options.repetitions = options.quick ? 1 : 5;
    if (!options.json)
        printHeader(options);

    std::error_code error;
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path(error) / ("velmor-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir, error);
    if (error) {
        std::fprintf(stderr, "velmor-bench: no temporary directory: %s\n", error.message().c_str());
        return 1;
    }

    std::vector<CaseResult> results;
    int status = 0;
    for (const EngineCase& c : engineCases()) {
        if (options.quick != c.quick)
            continue;
        if (!caseChosen(c.name, true, false, options.filter))
            continue;
        if (!options.algorithm.empty() && lower(algorithmName(c.algorithm)) != options.algorithm)
            continue;
        const std::optional<CaseResult> r = measureCase(c, (dir / "structure.dsm").string(), options.repetitions);
        if (!r) {
            status = 1;
            continue;
        }
        if (!r->agree)
            status = 1;
        if (options.json)
            printJson(*r);
        else
            printRow(*r);
        results.push_back(*r);
    }
    std::filesystem::remove_all(dir, error);
    if (!options.json)
        printSummary(results);
    if (status != 0)
        std::fprintf(stderr, "velmor-bench: a case failed or the direct and engine runs differ\n");
    return status;
}

} // namespace velmor::bench
