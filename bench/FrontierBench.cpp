#include "FrontierBench.h"

#include "BenchMemory.h"
#include "BenchStructures.h"

#include "algorithms/Frontier.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <optional>
#include <vector>

namespace velmor::bench {

namespace {

struct FrontierCase {
    std::string name;
    BenchStructure structure;
    bool directed = false;
    bool inQuick = false;
    double targetSeconds = 0; // 0: none set
    // The availability the case must give, when known independently.
    std::optional<long double> expected = {};
};

// The two-terminal availability of ladder(rungs, 1, p) by transfer over
// its rungs: after rung i, which of its two nodes the source reaches.
long double ladderAvailability(int rungs, long double p)
{
    const long double f = 1 - p;
    long double both = p, first = f, second = 0;
    for (int i = 2; i <= rungs; ++i) {
        const long double railsBoth = both * p * p;
        const long double railsFirst = both * p * f + first * p;
        const long double railsSecond = both * f * p + second * p;
        both = railsBoth + p * (railsFirst + railsSecond);
        first = f * railsFirst;
        second = f * railsSecond;
    }
    return both + second;
}

std::vector<FrontierCase> frontierSuite()
{
    return {
        {"grid5x5-u", squareGrid(5, 5, 1, 0.9L), false, true},
        {"grid6x6-u", squareGrid(6, 6, 1, 0.9L), false, true},
        {"grid6x6-u-nodes", squareGrid(6, 6, 0.99L, 0.9L), false, true},
        {"grid6x6-d-nodes", squareGrid(6, 6, 0.99L, 0.9L), true, true},
        {"ladder2x100-u", ladder(100, 1, 0.9L), false, true, 0.05, ladderAvailability(100, 0.9L)},
        {"grid10x10-u", squareGrid(10, 10, 1, 0.9L), false, false, 0.2},
        {"grid10x10-u-nodes", squareGrid(10, 10, 0.99L, 0.9L), false, false, 1},
        {"grid10x10-d-nodes", squareGrid(10, 10, 0.99L, 0.9L), true, false, 1},
        {"grid12x12-u", squareGrid(12, 12, 1, 0.9L), false, false},
        {"grid12x12-u-nodes", squareGrid(12, 12, 0.99L, 0.9L), false, false, 5},
        {"grid12x12-d-nodes", squareGrid(12, 12, 0.99L, 0.9L), true, false},
    };
}

double wallSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Measured {
    FrontierResult result;
    double wall = 0;
    double cpu = 0;
    long long residentPeak = 0;
    bool exact = false;
};

Measured measure(const FrontierCase& c, const FrontierInput& input, int repetitions)
{
    std::vector<double> walls, cpus;
    Measured m;
    for (int r = 0; r < repetitions; ++r) {
        resetResidentPeak();
        const double wall = wallSeconds();
        const double cpu = threadCpuSeconds();
        m.result = runFrontier(input);
        cpus.push_back(threadCpuSeconds() - cpu);
        walls.push_back(wallSeconds() - wall);
        m.residentPeak = std::max(m.residentPeak, residentPeakBytes());
    }
    m.wall = median(walls);
    m.cpu = median(cpus);
    const FrontierResult& r = m.result;
    m.exact = r.status == FrontierStatus::Done && std::fabs(static_cast<double>(r.upperBound - r.lowerBound)) < 1e-12
              && (!c.expected || std::fabs(static_cast<double>(r.availability - *c.expected)) < 1e-12);
    return m;
}

const char* statusText(FrontierStatus status)
{
    switch (status) {
    case FrontierStatus::Done: return "done";
    case FrontierStatus::Stopped: return "stopped";
    case FrontierStatus::OutOfMemory: return "out of memory";
    case FrontierStatus::TooWide: return "too wide";
    case FrontierStatus::Refused: return "refused";
    }
    return "?";
}

void printRow(const FrontierCase& c, int elements, const Measured& m)
{
    const FrontierResult& r = m.result;
    char target[32] = "-";
    if (c.targetSeconds > 0)
        std::snprintf(target, sizeof target, "%.2f %s", c.targetSeconds, m.cpu < c.targetSeconds ? "met" : "MISSED");
    std::printf("%-20s %5d %5d %5d %10lld %9.3f %9.3f %10.1f %10.1f  %-12s %.15Lf %s\n", c.name.c_str(), elements,
                r.totalSteps, r.width, static_cast<long long>(r.peakStates), m.wall, m.cpu,
                static_cast<double>(r.peakWorkingSet) / 1e6, static_cast<double>(m.residentPeak) / 1e6, target,
                r.availability, m.exact ? "" : statusText(r.status));
}

void printJson(const FrontierCase& c, int elements, const Measured& m)
{
    const FrontierResult& r = m.result;
    std::printf("{\"case\":\"%s\",\"elements\":%d,\"steps\":%d,\"width\":%d,\"peakStates\":%lld,\"wallSeconds\":%.6f,"
                "\"cpuSeconds\":%.6f,\"workingSetBytes\":%lld,\"residentPeakBytes\":%lld,\"targetSeconds\":%.3f,"
                "\"status\":\"%s\",\"exact\":%s,\"availability\":%.18Lg}\n",
                c.name.c_str(), elements, r.totalSteps, r.width, static_cast<long long>(r.peakStates), m.wall, m.cpu,
                static_cast<long long>(r.peakWorkingSet), m.residentPeak, c.targetSeconds, statusText(r.status),
                m.exact ? "true" : "false", r.availability);
}

} // namespace

int runFrontierBench(const FrontierBenchOptions& options)
{
    const int repetitions = options.repetitions > 0 ? options.repetitions : options.quick ? 1 : 3;
    if (!options.json) {
        std::printf("Frontier, single thread, median of %d; seconds wall and thread CPU; memory in MB: the "
                    "method's own containers and the process's resident peak\n",
                    repetitions);
        std::printf("%-20s %5s %5s %5s %10s %9s %9s %10s %10s  %-12s %s\n", "case", "elem", "steps", "width",
                    "states", "wall", "cpu", "own MB", "rss MB", "target cpu", "availability");
    }
    bool allExact = true;
    StructureWorkspace ws;
    for (const FrontierCase& c : frontierSuite()) {
        if (!caseChosen(c.name, c.inQuick, options.quick, options.filter))
            continue;
        if (!loadCase(ws, c.structure, c.directed, c.name))
            return 1;
        const FrontierInput input = frontierInput(ws, false);
        const Measured m = measure(c, input, repetitions);
        allExact = allExact && m.exact;
        if (options.json)
            printJson(c, c.structure.elementCount(), m);
        else
            printRow(c, c.structure.elementCount(), m);
        std::fflush(stdout);
    }
    if (!allExact) {
        std::fprintf(stderr, "velmor-bench: a Frontier run did not end exact\n");
        return 1;
    }
    return 0;
}

} // namespace velmor::bench
