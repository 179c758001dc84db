// A run that would outgrow the memory it may have: the algorithm that grows
// ends as if its memory limit had tripped, the others go on, and every one
// reports its result and its bounds.

#include "GridStructure.h"
#include "JsonReader.h"
#include "TempFiles.h"
#include "cli/ComputeCommand.h"
#include "platform/HeapTuning.h"
#include "platform/MemoryCeiling.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>

using namespace velmor;
using namespace velmor::testing;

namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;

// The process may grow by `budget` bytes of resident memory from where it
// stands when made, as if it ran in a control group of that size.
struct GrowthBudget {
    explicit GrowthBudget(std::uint64_t bytes) : budget(bytes)
    {
        returnFreedMemory(); // growth into kept heap pages would not show
        base = readMemoryFigures().resident;
    }

    std::uint64_t budget;
    std::uint64_t base = 0;
    std::uint64_t peakGrowth = 0; // the most seen by a reading
    MemoryCeiling ceiling{[this] {
                              MemoryFigures f;
                              f.resident = readMemoryFigures().resident;
                              f.groupLimit = budget;
                              f.groupUsage = f.resident > base ? f.resident - base : 0;
                              peakGrowth = std::max(peakGrowth, f.groupUsage);
                              return f;
                          },
                          {std::chrono::milliseconds(1), std::chrono::milliseconds(1)}};
};

CliOptions jsonRun(const std::string& file)
{
    CliOptions options;
    options.file = file;
    options.format = OutputFormat::Json;
    return options;
}

long double numberOf(const JsonValue& result, const char* field)
{
    return std::stold(result[field].text);
}

} // namespace

TEST(MemoryCeilingRun, GrowingAlgorithmEndsLimitedAndEveryOneKeepsItsBounds)
{
    // On a 4 x 4 grid ENR alone comes to about 85 MB resident, NPR to about
    // 17 MB and Abraham to a few; Frontier gives the exact value.
    TempDir dir;
    const std::string grid = dir.write("resetka4x4.dsm", gridStructure(4, 4));
    CliOptions frontierOnly = jsonRun(grid);
    for (Algorithm a : kRunAlgorithms)
        frontierOnly.algorithm(a).selected = a == Algorithm::Frontier;
    std::ostringstream exactOut, exactErr;
    ASSERT_EQ(runCompute(frontierOnly, exactOut, exactErr, {}), kExitSuccess) << exactErr.str();
    const long double exact = numberOf(JsonReader::parse(exactOut.str())["results"].items.at(0), "availability");

    GrowthBudget budget(64 * kMiB);
    auto session = std::make_unique<ComputeSession>();
    session->engine.setMemoryCeiling(budget.ceiling);
    std::ostringstream out, err;
    // Limited is not a failure: the exit status stays that of a run that
    // ended.
    EXPECT_EQ(runCompute(*session, jsonRun(grid), out, err, {}), kExitSuccess) << err.str();
    EXPECT_EQ(err.str(), "");

    EXPECT_TRUE(session->engine.endedByCeiling(Algorithm::Enr));
    // The process kept within what it was given.
    EXPECT_LT(budget.peakGrowth, budget.budget);
    const JsonValue v = JsonReader::parse(out.str());
    ASSERT_EQ(v["results"].items.size(), 3u);
    constexpr long double kRounding = 1e-12L;
    for (const JsonValue& result : v["results"].items) {
        const std::string name = result["algorithm"].text;
        const Algorithm a = name == "Abraham" ? Algorithm::Abraham : name == "ENR" ? Algorithm::Enr : Algorithm::Npr;
        const long double lower = numberOf(result, "lowerBound");
        const long double upper = numberOf(result, "upperBound");
        EXPECT_LE(lower, exact + kRounding) << name;
        EXPECT_GE(upper, exact - kRounding) << name;
        EXPECT_EQ(numberOf(result, "availability"), lower) << name;
        if (session->engine.endedByCeiling(a)) {
            // Exactly what a memory limit shows, with the terms found so far.
            EXPECT_EQ(result["status"].text, "limited") << name;
            EXPECT_EQ(result["anomalyText"].text, "ograničena nit") << name;
            EXPECT_GT(std::stoll(result["terms"].text), 0) << name;
        } else {
            EXPECT_EQ(result["status"].text, "done") << name;
            EXPECT_NEAR(static_cast<double>(lower), static_cast<double>(exact), 1e-12) << name;
            EXPECT_EQ(lower, upper) << name;
        }
    }
}
