// velmor-cli computing: the real binary on the examples and on structures
// the tests write, checked through what it prints and its exit status.

#include "CliProcess.h"
#include "GridStructure.h"
#include "JsonReader.h"
#include "TempFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <regex>
#include <set>
#include <sstream>

using namespace velmor::testing;

namespace {

const std::string kExamples = VELMOR_EXAMPLES_DIR;

std::string example(const std::string& name)
{
    return kExamples + "/" + name;
}

// The bridge: nodes 1..4 (availability 1), edges 5..9 (0.9), pair 1 -> 4.
constexpr long double kBridgeUndirected = 0.97848L;
// Directed 1->2, 1->3, 2->3, 2->4, 3->4: conditioned on edge 2->3,
// 0.9 * (0.9 * 0.99 + 0.1 * 0.81) + 0.1 * (1 - 0.19 * 0.19).
constexpr long double kBridgeDirected = 0.97119L;

std::string directedBridge()
{
    std::string text = readBytes(example("most.dsm"));
    const std::size_t at = text.find("ne;");
    EXPECT_NE(at, std::string::npos);
    return text.replace(at, 3, "da;");
}

JsonValue json(const CliResult& r)
{
    try {
        return JsonReader::parse(r.out);
    } catch (const std::exception& e) {
        ADD_FAILURE() << e.what() << "\n" << r.out;
        return {};
    }
}

long double availabilityOf(const JsonValue& result)
{
    EXPECT_EQ(result["availability"].type, JsonValue::Type::String);
    return std::stold(result["availability"].text);
}

std::string describe(const CliResult& r)
{
    return "exit " + std::to_string(r.status) + (r.exited ? "" : " (signal " + std::to_string(r.signal) + ")")
           + "\nstdout:\n" + r.out + "\nstderr:\n" + r.err;
}

class CliCompute : public ::testing::Test {
protected:
    TempDir dir;
};

} // namespace

// --- Results -------------------------------------------------------------------------

TEST_F(CliCompute, BridgeJsonHasEveryFieldAndTheKnownAvailability)
{
    const CliResult r = runCli({"--format", "json", example("most.dsm")});
    ASSERT_TRUE(r.exited && r.status == 0) << describe(r);
    EXPECT_EQ(r.err, "") << "no progress line when stderr is not a terminal";
    const JsonValue v = json(r);
    EXPECT_EQ(v["file"].text, example("most.dsm"));
    EXPECT_EQ(v["directed"].type, JsonValue::Type::Boolean);
    EXPECT_FALSE(v["directed"].boolean);
    EXPECT_EQ(v["source"].text, "1");
    EXPECT_EQ(v["destination"].text, "4");
    EXPECT_TRUE(v["reduction"].boolean);
    EXPECT_TRUE(v["idealTerminals"].boolean);
    EXPECT_EQ(v["elements"].text, "9");
    ASSERT_TRUE(v["workElements"].isInteger());
    EXPECT_LE(v["workElements"].number(), 9);
    EXPECT_GE(v["workElements"].number(), 3);

    const JsonValue& results = v["results"];
    ASSERT_EQ(results.items.size(), 3u);
    const char* order[] = {"Abraham", "ENR", "NPR"};
    for (std::size_t i = 0; i < 3; ++i) {
        const JsonValue& result = results.items[i];
        EXPECT_EQ(result["algorithm"].text, order[i]);
        const std::string digits = result["availability"].text;
        EXPECT_NEAR(static_cast<double>(availabilityOf(result)), static_cast<double>(kBridgeUndirected), 1e-15)
            << order[i];
        ASSERT_TRUE(result["memory"].isInteger());
        EXPECT_GT(result["memory"].number(), 0);
        EXPECT_EQ(result["time"].type, JsonValue::Type::Number);
        EXPECT_GE(result["time"].number(), 0);
        ASSERT_TRUE(result["iterations"].isInteger());
        EXPECT_GE(result["iterations"].number(), 1);
        EXPECT_EQ(result["anomalies"].text, "0");
        EXPECT_EQ(result["anomalyText"].text, "nisu primjećene");
        ASSERT_TRUE(result["terms"].isInteger());
        EXPECT_GE(result["terms"].number(), 2) << "the bridge has no single-term solution";
        EXPECT_EQ(result["status"].text, "done");
        EXPECT_FALSE(result.has("termTexts"));
    }
}

TEST_F(CliCompute, AvailabilityKeepsMoreDigitsThanTheGrid)
{
    // 0.9 * (1 - (1 - 0.99 * 0.95 * 0.98) * 0.5) with real terminals: its
    // 15-digit grid text would lose what the 18 digits keep.
    const CliResult r = runCli({"--format", "json", "--real", "--algorithms", "abraham", example("primjer.dsm")});
    ASSERT_TRUE(r.exited && r.status == 0) << describe(r);
    const JsonValue v = json(r);
    const long double twoHops = 0.99L * 0.95L * 0.98L;
    const long double expected = 0.9L * (1 - (1 - twoHops) * 0.5L);
    const long double got = availabilityOf(v["results"].items.at(0));
    EXPECT_LT(std::fabs(static_cast<double>(got - expected)), 1e-17);
    EXPECT_FALSE(v["idealTerminals"].boolean);
}

TEST_F(CliCompute, OneChosenAlgorithmGivesOneResult)
{
    const CliResult r = runCli({"--format=json", "--algorithms", "enr", example("most.dsm")});
    ASSERT_TRUE(r.exited && r.status == 0) << describe(r);
    const JsonValue v = json(r);
    ASSERT_EQ(v["results"].items.size(), 1u);
    EXPECT_EQ(v["results"].items[0]["algorithm"].text, "ENR");
    EXPECT_NEAR(static_cast<double>(availabilityOf(v["results"].items[0])), 0.97848, 1e-15);
}

TEST_F(CliCompute, SourceAndDestinationOverrideTheFilesPair)
{
    // Between nodes 2 and 3 of the bridge: the edge 2-3 or one of the two
    // two-edge detours, 1 - 0.1 * 0.19 * 0.19.
    const CliResult r = runCli({"--format", "json", "--source", "2", "--destination", "3", example("most.dsm")});
    ASSERT_TRUE(r.exited && r.status == 0) << describe(r);
    const JsonValue v = json(r);
    EXPECT_EQ(v["source"].text, "2");
    EXPECT_EQ(v["destination"].text, "3");
    for (const JsonValue& result : v["results"].items)
        EXPECT_NEAR(static_cast<double>(availabilityOf(result)), 0.99639, 1e-15) << result["algorithm"].text;

    // Only one end given: the other stays the file's.
    const CliResult half = runCli({"--format", "json", "--destination", "3", example("most.dsm")});
    ASSERT_TRUE(half.exited && half.status == 0) << describe(half);
    EXPECT_EQ(json(half)["source"].text, "1");
    EXPECT_EQ(json(half)["destination"].text, "3");
}

TEST_F(CliCompute, PairGivenOnTheCommandLineForAFileWithoutOne)
{
    const CliResult r =
        runCli({"--format", "json", "--source", "1", "--destination", "5", example("bez_para.dsm")});
    ASSERT_TRUE(r.exited && r.status == 0) << describe(r);
    const JsonValue v = json(r);
    EXPECT_TRUE(v["directed"].boolean);
    const long double abraham = availabilityOf(v["results"].items.at(0));
    EXPECT_GT(abraham, 0.5L);
    EXPECT_LT(abraham, 1.0L);
    for (const JsonValue& result : v["results"].items)
        EXPECT_NEAR(static_cast<double>(availabilityOf(result)), static_cast<double>(abraham), 1e-15);
}

TEST_F(CliCompute, DirectionFromTheCommandLineOverridesTheFile)
{
    const std::string directed = dir.write("usmjeren_most.dsm", directedBridge());
    struct Case {
        std::vector<std::string> arguments;
        bool directed;
        long double availability;
    };
    const Case cases[] = {
        {{directed}, true, kBridgeDirected},
        {{"--undirected", directed}, false, kBridgeUndirected},
        {{"--directed", example("most.dsm")}, true, kBridgeDirected},
        {{"--undirected", example("most.dsm")}, false, kBridgeUndirected},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments{"--format", "json"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const CliResult r = runCli(arguments);
        ASSERT_TRUE(r.exited && r.status == 0) << describe(r);
        const JsonValue v = json(r);
        EXPECT_EQ(v["directed"].boolean, c.directed) << c.arguments.front();
        for (const JsonValue& result : v["results"].items)
            EXPECT_NEAR(static_cast<double>(availabilityOf(result)), static_cast<double>(c.availability), 1e-15)
                << c.arguments.front() << " " << result["algorithm"].text;
    }
}

TEST_F(CliCompute, WithoutReductionEveryElementIsComputedOn)
{
    const CliResult reduced = runCli({"--format", "json", example("ljestve.dsm")});
    const CliResult whole = runCli({"--format", "json", "--no-reduction", example("ljestve.dsm")});
    ASSERT_TRUE(reduced.exited && reduced.status == 0) << describe(reduced);
    ASSERT_TRUE(whole.exited && whole.status == 0) << describe(whole);
    const JsonValue r = json(reduced);
    const JsonValue w = json(whole);
    EXPECT_FALSE(w["reduction"].boolean);
    EXPECT_EQ(w["workElements"].text, w["elements"].text);
    EXPECT_LE(r["workElements"].number(), r["elements"].number());
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_NEAR(static_cast<double>(availabilityOf(w["results"].items.at(i))),
                    static_cast<double>(availabilityOf(r["results"].items.at(i))), 1e-15);
}

TEST_F(CliCompute, EveryVariantGivesTheSameAvailability)
{
    const std::string file = example("resetka3x3.dsm");
    const CliResult reference = runCli({"--format", "json", "--algorithms", "abraham", file});
    ASSERT_TRUE(reference.exited && reference.status == 0) << describe(reference);
    const long double expected = availabilityOf(json(reference)["results"].items.at(0));
    const std::vector<std::vector<std::string>> variants{
        {"--abraham-rule", "1", "--enr-variant", "0", "--npr-variant", "0"},
        {"--enr-variant", "1", "--special"},
    };
    for (const auto& variant : variants) {
        std::vector<std::string> arguments{"--format", "json"};
        arguments.insert(arguments.end(), variant.begin(), variant.end());
        arguments.push_back(file);
        const CliResult r = runCli(arguments);
        ASSERT_TRUE(r.exited && r.status == 0) << describe(r);
        const JsonValue v = json(r);
        for (const JsonValue& result : v["results"].items)
            EXPECT_NEAR(static_cast<double>(availabilityOf(result)), static_cast<double>(expected), 1e-15)
                << variant.front() << " " << result["algorithm"].text;
    }
}

// --- Limits -----------------------------------------------------------------------------

TEST_F(CliCompute, LimitsEndAlgorithmsAsLimited)
{
    // Each of the three kinds of limit, on a structure that needs many
    // iterations of every algorithm.
    const CliResult r = runCli({"--format", "json", "--memory-limit", "abraham=0", "--iteration-limit", "enr=1",
                                "--time-limit", "npr=0", example("resetka3x3.dsm")});
    ASSERT_TRUE(r.exited && r.status == 0) << describe(r);
    const JsonValue v = json(r);
    for (const JsonValue& result : v["results"].items) {
        EXPECT_EQ(result["status"].text, "limited") << result["algorithm"].text;
        EXPECT_EQ(result["anomalyText"].text, "ograničena nit");
        EXPECT_LT(result["anomalies"].number(), 0);
        EXPECT_EQ(result["iterations"].text, "1");
    }
}

TEST_F(CliCompute, LimitOnOneAlgorithmLeavesTheOthers)
{
    const CliResult r = runCli({"--format", "json", "--iteration-limit", "npr=1", example("resetka3x3.dsm")});
    ASSERT_TRUE(r.exited && r.status == 0) << describe(r);
    const JsonValue v = json(r);
    ASSERT_EQ(v["results"].items.size(), 3u);
    EXPECT_EQ(v["results"].items[0]["status"].text, "done");
    EXPECT_EQ(v["results"].items[1]["status"].text, "done");
    EXPECT_EQ(v["results"].items[2]["status"].text, "limited");
    EXPECT_EQ(v["results"].items[2]["anomalyText"].text, "ograničena nit");
    // A limited run's partial sum stays below the whole.
    EXPECT_LT(availabilityOf(v["results"].items[2]), availabilityOf(v["results"].items[0]));
}

TEST_F(CliCompute, FrontierIsChosenByNameAndAllStaysTheThree)
{
    const CliResult frontier = runCli({"--format", "json", "--algorithms", "frontier", example("most.dsm")});
    ASSERT_TRUE(frontier.exited && frontier.status == 0) << describe(frontier);
    const JsonValue one = json(frontier);
    ASSERT_EQ(one["results"].items.size(), 1u);
    EXPECT_EQ(one["results"].items[0]["algorithm"].text, "Frontier");
    EXPECT_NEAR(static_cast<double>(availabilityOf(one["results"].items[0])), 0.97848, 1e-15);
    EXPECT_EQ(one["results"].items[0]["terms"].text, "0"); // it delivers no terms

    const CliResult all = runCli({"--format", "json", "--algorithms", "all,frontier", example("most.dsm")});
    ASSERT_TRUE(all.exited && all.status == 0) << describe(all);
    const JsonValue four = json(all);
    ASSERT_EQ(four["results"].items.size(), 4u);
    EXPECT_EQ(four["results"].items[3]["algorithm"].text, "Frontier");
    const CliResult byDefault = runCli({"--format", "json", example("most.dsm")});
    EXPECT_EQ(json(byDefault)["results"].items.size(), 3u);
}

TEST_F(CliCompute, LimitedRunsPrintABracketAroundTheExactValue)
{
    const CliResult r = runCli({"--format", "json", "--iteration-limit", "all=12", "--algorithms", "all,frontier",
                                example("resetka3x3.dsm")});
    ASSERT_TRUE(r.exited && r.status == 0) << describe(r);
    const JsonValue v = json(r);
    ASSERT_EQ(v["results"].items.size(), 4u);
    const JsonValue& frontier = v["results"].items[3];
    ASSERT_EQ(frontier["status"].text, "done");
    const long double exact = availabilityOf(frontier);
    for (const JsonValue& result : v["results"].items) {
        const long double lower = std::stold(result["lowerBound"].text);
        const long double upper = std::stold(result["upperBound"].text);
        EXPECT_EQ(lower, availabilityOf(result)) << result["algorithm"].text;
        EXPECT_LE(lower, exact * (1 + 1e-15L)) << result["algorithm"].text;
        EXPECT_GE(upper, exact * (1 - 1e-15L)) << result["algorithm"].text;
        if (result["status"].text == "done") {
            EXPECT_EQ(upper, lower) << result["algorithm"].text;
        }
    }
}

// --- Ctrl+C -----------------------------------------------------------------------------

TEST_F(CliCompute, InterruptStopsTheRunAndPrintsWhatWasFound)
{
    const std::string grid = dir.write("resetka5x5.dsm", gridStructure(5, 5));
    CliRunOptions options;
    options.terminal = true;
    // Interrupt once the live progress line shows that the run is on.
    options.interrupt = [sent = false](const std::string&, const std::string& err) mutable {
        if (sent || err.find('%') == std::string::npos)
            return 0;
        sent = true;
        return 1;
    };
    const CliResult r = runCli({"--format", "json", grid}, options);
    ASSERT_EQ(r.interruptsSent, 1) << describe(r);
    ASSERT_TRUE(r.exited) << describe(r);
    EXPECT_EQ(r.status, 130) << describe(r);
    for (const char* name : {"Abraham ", "ENR ", "NPR "})
        EXPECT_NE(r.err.find(name), std::string::npos) << "progress line names " << name << "\n" << r.err;
    EXPECT_NE(r.err.find('\r'), std::string::npos);

    const JsonValue v = json(r);
    ASSERT_EQ(v["results"].items.size(), 3u);
    for (const JsonValue& result : v["results"].items) {
        EXPECT_EQ(result["status"].text, "stopped") << result["algorithm"].text;
        EXPECT_EQ(result["anomalyText"].text, "prekinuta nit");
        const long double availability = availabilityOf(result);
        EXPECT_GE(availability, 0.0L);
        EXPECT_LE(availability, 1.0L);
    }
}

// --- Refused runs and files -------------------------------------------------------------

TEST_F(CliCompute, RunRefusedByValidationPrintsTheProgramsMessage)
{
    struct Case {
        std::vector<std::string> arguments;
        const char* message;
    };
    const Case cases[] = {
        {{example("bez_para.dsm")},
         "Ili izvorišni ili odredišni čvor nisu zadani,\npravilno specificirajte karakteristiku grafa\n"},
        {{"--source", "99", example("most.dsm")},
         "Ili izvorišni ili odredišni čvor nisu zadani,\npravilno specificirajte karakteristiku grafa\n"},
        {{"--source", "4", example("most.dsm")},
         "Izvorišni i odredišni čvorovi su identični, stoga je\nsvrsishodno odrediti međusobno različite čvorove\n"},
        // An edge's label is no node.
        {{"--destination", "7", example("most.dsm")},
         "Ili izvorišni ili odredišni čvor nisu zadani,\npravilno specificirajte karakteristiku grafa\n"},
    };
    for (const Case& c : cases) {
        const CliResult r = runCli(c.arguments);
        ASSERT_TRUE(r.exited) << describe(r);
        EXPECT_EQ(r.status, 64) << describe(r);
        EXPECT_EQ(r.err, c.message);
        EXPECT_EQ(r.out, "");
    }
}

TEST_F(CliCompute, FileThatCannotBeLoaded)
{
    const std::string bad =
        dir.write("bad.dsm", "struktura:\n{\nusmjeren:\n{\nda;\n}\ncvorovi:\n{\n1 , 2.5;\n}\n}\n");
    const CliResult r = runCli({bad});
    ASSERT_TRUE(r.exited) << describe(r);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("Otvorena datoteka ne sadrži odgovarajuće podatke\n", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("Nije moguće zapisati podatke o čvorovima u listu"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");

    const CliResult missing = runCli({"--format", "json", dir.path("nema.dsm")});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("Nije moguće otvoriti zadanu datoteku"), std::string::npos) << missing.err;
}

// --- Formats ----------------------------------------------------------------------------

TEST_F(CliCompute, CsvHasAHeaderAndOneLinePerAlgorithm)
{
    const CliResult r = runCli({"--format", "csv", "--algorithms", "npr,abraham", example("most.dsm")});
    ASSERT_TRUE(r.exited && r.status == 0) << describe(r);
    std::vector<std::string> lines;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 3u) << r.out;
    auto fields = [](const std::string& line) {
        std::vector<std::string> out;
        std::istringstream s(line);
        for (std::string field; std::getline(s, field, ',');)
            out.push_back(field);
        return out;
    };
    const std::vector<std::string> header = fields(lines[0]);
    auto column = [&](const std::string& name) {
        const auto found = std::find(header.begin(), header.end(), name);
        EXPECT_NE(found, header.end()) << name;
        return static_cast<std::size_t>(found - header.begin());
    };
    for (const char* name : {"algorithm", "availability", "memory", "time", "iterations", "anomalies",
                             "anomalyText", "terms", "status", "lowerBound", "upperBound"})
        column(name);
    const char* order[] = {"Abraham", "NPR"};
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string> row = fields(lines[i]);
        ASSERT_EQ(row.size(), header.size()) << lines[i];
        EXPECT_EQ(row[column("algorithm")], order[i - 1]);
        EXPECT_NEAR(std::stod(row[column("availability")]), 0.97848, 1e-15);
        EXPECT_EQ(row[column("lowerBound")], row[column("availability")]);
        EXPECT_EQ(row[column("upperBound")], row[column("availability")]);
        EXPECT_EQ(row[column("status")], "done");
        EXPECT_EQ(row[column("anomalyText")], "nisu primjećene");
        EXPECT_GE(std::stoi(row[column("terms")]), 2);
    }
}

TEST_F(CliCompute, TableShowsTheGridsValuesWithoutItsPadding)
{
    const CliResult r = runCli({example("most.dsm")});
    ASSERT_TRUE(r.exited && r.status == 0) << describe(r);
    EXPECT_EQ(r.out.find('_'), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find(" *"), std::string::npos) << r.out;
    std::istringstream in(r.out);
    int rows = 0;
    for (std::string line; std::getline(in, line);) {
        for (const char* name : {"Abraham ", "ENR ", "NPR "}) {
            if (line.rfind(name, 0) != 0)
                continue;
            ++rows;
            EXPECT_NE(line.find(" 0.97848 "), std::string::npos) << line;
            EXPECT_NE(line.find("nisu primjećene"), std::string::npos) << line;
        }
    }
    EXPECT_EQ(rows, 3) << r.out;
}

TEST_F(CliCompute, FileNameIsEscapedInJson)
{
    const std::string name = "most \"č\\ \t.dsm";
    const std::string path = dir.write(name, readBytes(example("most.dsm")));
    const CliResult r = runCli({"--format", "json", "--algorithms", "abraham", path});
    ASSERT_TRUE(r.exited && r.status == 0) << describe(r);
    EXPECT_EQ(json(r)["file"].text, path);
}

// Every term names only elements of the structure, each at most once, and
// the terms' products add up to the availability reported beside them.
TEST_F(CliCompute, TermTextsDescribeTheTermsThatWereEvaluated)
{
    // resetka3x3.dsm: nodes 1..9 of availability 0.99, edges 10..21 of 0.95.
    auto availabilityOfElement = [](char kind, int label) -> long double {
        if (kind == 'N' && label >= 1 && label <= 9)
            return 0.99L;
        if (kind == 'e' && label >= 10 && label <= 21)
            return 0.95L;
        return -1;
    };
    const std::regex token(R"((\*?)([Ne])(\d+))");
    for (const char* terminals : {"--real", "--ideal"}) {
        const CliResult r = runCli({"--format", "json", "--terms", terminals, example("resetka3x3.dsm")});
        ASSERT_TRUE(r.exited && r.status == 0) << describe(r);
        const bool ideal = std::string(terminals) == "--ideal";
        const JsonValue v = json(r);
        for (const JsonValue& result : v["results"].items) {
            const JsonValue& texts = result["termTexts"];
            ASSERT_EQ(texts.type, JsonValue::Type::Array);
            ASSERT_EQ(std::to_string(texts.items.size()), result["terms"].text);
            long double sum = 0;
            for (const JsonValue& text : texts.items) {
                std::istringstream words(text.text);
                std::set<std::string> seen;
                long double product = 1;
                for (std::string word; words >> word;) {
                    std::smatch m;
                    ASSERT_TRUE(std::regex_match(word, m, token)) << word;
                    const int label = std::stoi(m[3]);
                    long double p = availabilityOfElement(m[2].str()[0], label);
                    ASSERT_GE(p, 0) << "no such element: " << word;
                    EXPECT_TRUE(seen.insert(m[2].str() + m[3].str()).second) << "twice in a term: " << text.text;
                    if (ideal && m[2] == "N" && (label == 1 || label == 9))
                        p = 1;
                    product *= m[1] == "*" ? 1 - p : p;
                }
                EXPECT_FALSE(seen.empty());
                sum += product;
            }
            EXPECT_NEAR(static_cast<double>(sum), static_cast<double>(availabilityOf(result)), 1e-12)
                << terminals << " " << result["algorithm"].text;
        }
    }
}

TEST_F(CliCompute, TableListsTheTermsWhenAsked)
{
    const CliResult r = runCli({"--terms", "--algorithms", "abraham", example("most.dsm")});
    ASSERT_TRUE(r.exited && r.status == 0) << describe(r);
    const std::size_t heading = r.out.find("Abraham terms (");
    ASSERT_NE(heading, std::string::npos) << r.out;
    std::istringstream in(r.out.substr(heading));
    std::string line;
    std::getline(in, line);
    const int count = std::stoi(line.substr(std::string("Abraham terms (").size()));
    int listed = 0;
    while (std::getline(in, line) && line.rfind("  ", 0) == 0)
        ++listed;
    EXPECT_GE(count, 2);
    EXPECT_EQ(listed, count);
}
