// The compute command in-process, where the run's threads can be made to
// fail, and the text helpers of its output.

#include "GridStructure.h"
#include "JsonReader.h"
#include "TempFiles.h"
#include "cli/ComputeCommand.h"
#include "cli/Interrupt.h"
#include "cli/ResultOutput.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <memory>
#include <sstream>

using namespace velmor;
using namespace velmor::testing;

namespace {

CliOptions optionsFor(const std::string& file, OutputFormat format)
{
    CliOptions options;
    options.file = file.find('/') == std::string::npos ? std::string(VELMOR_EXAMPLES_DIR) + "/" + file : file;
    options.format = format;
    return options;
}

} // namespace

TEST(ComputeCommand, AlgorithmThatCannotRunFailsTheRun)
{
    auto session = std::make_unique<ComputeSession>();
    int launches = 0;
    session->engine.setThreadLauncher(
        [&launches](WorkerThread& thread, long long stack, std::function<void()> body) {
            ++launches;
            if (launches == 3) // the core thread, Abraham's, then ENR's
                return false;
            return thread.start(stack, std::move(body));
        });
    std::ostringstream out, err;
    const int status = runCompute(*session, optionsFor("most.dsm", OutputFormat::Json), out, err, {});
    EXPECT_EQ(status, kExitRunFailed);
    EXPECT_NE(err.str().find("Neispravno ponašanje ENR niti zbog nedostatka resursa\n"), std::string::npos)
        << err.str();
    EXPECT_NE(err.str().find("Neispravno izvršavanje algoritma :\nENR\n"), std::string::npos) << err.str();

    const JsonValue v = JsonReader::parse(out.str());
    ASSERT_EQ(v["results"].items.size(), 3u);
    EXPECT_EQ(v["results"].items[0]["status"].text, "done");
    EXPECT_EQ(v["results"].items[1]["status"].text, "failed");
    EXPECT_EQ(v["results"].items[1]["anomalyText"].text, "greška !");
    EXPECT_EQ(v["results"].items[2]["status"].text, "done");
    EXPECT_NEAR(std::stod(v["results"].items[2]["availability"].text), 0.97848, 1e-15);
}

TEST(ComputeCommand, RunThatCannotStartIsAFailureNotAUsageError)
{
    auto session = std::make_unique<ComputeSession>();
    session->engine.setThreadLauncher([](WorkerThread&, long long, std::function<void()>) { return false; });
    std::ostringstream out, err;
    const int status = runCompute(*session, optionsFor("most.dsm", OutputFormat::Table), out, err, {});
    EXPECT_EQ(status, kExitRunFailed);
    EXPECT_EQ(err.str(), "Neispravno ponašanje stvorene niti zbog nedostatka resursa\n");
    EXPECT_EQ(out.str(), "");
}

TEST(ComputeCommand, InterruptBeforeTheRunIsOnStillStopsIt)
{
    // Ctrl+C pressed while the file loads: the stop waits for the run, which
    // then ends at once with every algorithm stopped.
    TempDir dir;
    const std::string grid = dir.write("resetka5x5.dsm", gridStructure(5, 5));
    auto session = std::make_unique<ComputeSession>();
    ComputeEnvironment environment;
    environment.interrupted = [] { return true; };
    std::ostringstream out, err;
    const int status = runCompute(*session, optionsFor(grid, OutputFormat::Json), out, err, environment);
    EXPECT_EQ(status, kExitInterrupted) << err.str();
    const JsonValue v = JsonReader::parse(out.str());
    for (const JsonValue& result : v["results"].items) {
        EXPECT_EQ(result["status"].text, "stopped") << result["algorithm"].text;
        EXPECT_EQ(result["anomalyText"].text, "prekinuta nit");
    }
}

TEST(Interrupt, FirstSigintRaisesTheFlagSecondEndsTheProcess)
{
    // raise() delivers before it returns, so the order is certain here,
    // which two signals sent to a running process cannot promise.
    EXPECT_EXIT(
        {
            installInterruptHandler();
            if (interruptRequested())
                std::_Exit(1);
            std::raise(SIGINT);
            if (!interruptRequested())
                std::_Exit(2);
            std::raise(SIGINT);
            std::_Exit(3);
        },
        ::testing::ExitedWithCode(kExitInterrupted), "");
}

TEST(ResultOutput, JsonStringsEscapeWhatJsonForbids)
{
    const std::string raw = std::string("a\"b\\c\n\t\x01 č ") + "\xff" + "\xc4" + "z";
    const std::string literal = jsonString(raw);
    EXPECT_EQ(literal.find('\n'), std::string::npos);
    EXPECT_EQ(literal.find('\x01'), std::string::npos);
    const JsonValue back = JsonReader::parse(literal);
    // Valid UTF-8 survives; a stray byte becomes U+FFFD.
    EXPECT_EQ(back.text, "a\"b\\c\n\t\x01 č \xef\xbf\xbd\xef\xbf\xbdz");
}

TEST(ResultOutput, CsvFieldsAreQuotedOnlyWhenNeeded)
{
    EXPECT_EQ(csvField("nisu primjećene"), "nisu primjećene");
    EXPECT_EQ(csvField("a,b"), "\"a,b\"");
    EXPECT_EQ(csvField("say \"x\""), "\"say \"\"x\"\"\"");
    EXPECT_EQ(csvField("two\nlines"), "\"two\nlines\"");
}

TEST(ResultOutput, PreciseNumbersKeepEighteenDigits)
{
    // Two values that the grid's 15 digits show alike.
    EXPECT_NE(preciseNumber(0.1L + 1e-17L), preciseNumber(0.1L));
    EXPECT_NEAR(static_cast<double>(std::stold(preciseNumber(0.97848L)) - 0.97848L), 0.0, 1e-18);
    EXPECT_EQ(preciseNumber(1), "1");
    EXPECT_EQ(preciseNumber(0), "0");
}
