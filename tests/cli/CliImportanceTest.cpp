// velmor-cli --importance: the importance of every element of the bridge
// in each output format against its closed form, real terminals rated,
// and Ctrl+C while the elements are being rated.

#include "CliProcess.h"
#include "GridStructure.h"
#include "JsonReader.h"
#include "TempFiles.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

using namespace velmor::testing;

namespace {

const std::string kBridge = std::string(VELMOR_EXAMPLES_DIR) + "/most.dsm";

std::string describe(const CliResult& r)
{
    return "exit " + std::to_string(r.status) + "\nstdout:\n" + r.out + "\nstderr:\n" + r.err;
}

// The bridge of the examples: perfect nodes 1..4, edges 5 (1-2), 6 (1-3),
// 7 (2-3), 8 (2-4), 9 (3-4) of availability p, pair 1 -> 4, undirected.
// Pivoting on the bridge 7: A = p X + (1 - p) Y.
struct BridgeImportance {
    long double p = 0.9L;
    long double side = 1 - (1 - p) * (1 - p);     // either of two parallel edges
    long double x = side * side;                  // 7 working
    long double y = 1 - (1 - p * p) * (1 - p * p); // 7 failed: two disjoint routes
    long double a = p * x + (1 - p) * y;

    // Birnbaum importance of each element by hand (every outer edge alike).
    std::map<std::string, long double> birnbaum() const
    {
        const long double outer = p * (1 - p) * side + (1 - p) * p * (1 - p * p);
        return {{"e5", outer}, {"e6", outer}, {"e8", outer}, {"e9", outer}, {"e7", x - y},
                // Without node 2 (or 3) only the route through the other is left.
                {"N2", a - p * p}, {"N3", a - p * p}};
    }
    long double criticality(const std::string& element) const
    {
        return element[0] == 'N' ? 0 : birnbaum().at(element) * (1 - p) / (1 - a);
    }
};

JsonValue json(const CliResult& r)
{
    try {
        return JsonReader::parse(r.out);
    } catch (const std::exception& e) {
        ADD_FAILURE() << e.what() << "\n" << r.out;
        return {};
    }
}

std::vector<std::string> fields(const std::string& line)
{
    std::vector<std::string> out;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, ',');)
        out.push_back(field);
    return out;
}

} // namespace

TEST(CliImportance, JsonListsEveryElementByBirnbaumImportance)
{
    const CliResult r = runCli({"--format", "json", "--importance", "--algorithms", "frontier", kBridge});
    ASSERT_TRUE(r.exited && r.status == 0) << describe(r);
    const JsonValue v = json(r);
    EXPECT_EQ(v["importanceStatus"].text, "done");
    const JsonValue& list = v["importance"];
    const BridgeImportance bridge;
    const auto expected = bridge.birnbaum();
    ASSERT_EQ(list.items.size(), expected.size()) << "the ideal terminals N1 and N4 are not rated";
    long double previous = 2;
    for (const JsonValue& item : list.items) {
        const std::string element = item["element"].text;
        ASSERT_TRUE(expected.count(element)) << element;
        ASSERT_EQ(item["birnbaum"].type, JsonValue::Type::String) << element;
        const long double birnbaum = std::stold(item["birnbaum"].text);
        EXPECT_NEAR(static_cast<double>(birnbaum), static_cast<double>(expected.at(element)), 1e-15) << element;
        EXPECT_NEAR(static_cast<double>(std::stold(item["criticality"].text)),
                    static_cast<double>(bridge.criticality(element)), 1e-15)
            << element;
        EXPECT_LE(birnbaum, previous) << element << ": most important first";
        previous = birnbaum;
    }
    // The nodes come first: each is worth more than any edge.
    EXPECT_EQ(list.items[0]["element"].text, "N2");
    EXPECT_EQ(list.items.back()["element"].text, "e7");

    const CliResult plain = runCli({"--format", "json", "--algorithms", "frontier", kBridge});
    ASSERT_TRUE(plain.exited && plain.status == 0) << describe(plain);
    EXPECT_FALSE(json(plain).has("importance"));
    EXPECT_FALSE(json(plain).has("importanceStatus"));
}

TEST(CliImportance, RealTerminalsAreRatedToo)
{
    const CliResult r = runCli({"--format", "json", "--real", "--importance", "--algorithms", "frontier", kBridge});
    ASSERT_TRUE(r.exited && r.status == 0) << describe(r);
    const JsonValue v = json(r);
    ASSERT_EQ(v["importance"].items.size(), 9u);
    // A terminal that fails cuts every route: its importance is A itself.
    const BridgeImportance bridge;
    for (const JsonValue& item : v["importance"].items) {
        const std::string element = item["element"].text;
        if (element == "N1" || element == "N4") {
            EXPECT_NEAR(static_cast<double>(std::stold(item["birnbaum"].text)), static_cast<double>(bridge.a), 1e-15);
            EXPECT_EQ(item["criticality"].text, "0") << "a perfect node is never the failed one";
        }
    }
}

TEST(CliImportance, CsvHasASecondTableAfterABlankLine)
{
    const CliResult r = runCli({"--format", "csv", "--importance", "--algorithms", "abraham,frontier", kBridge});
    ASSERT_TRUE(r.exited && r.status == 0) << describe(r);
    const std::vector<std::string> all = lines(r.out);
    const BridgeImportance bridge;
    const auto expected = bridge.birnbaum();
    ASSERT_EQ(all.size(), 3 + 1 + 1 + expected.size()) << r.out;
    EXPECT_EQ(all[3], "");
    EXPECT_EQ(all[4], "element,birnbaum,criticality");
    for (std::size_t i = 5; i < all.size(); ++i) {
        const std::vector<std::string> f = fields(all[i]);
        ASSERT_EQ(f.size(), 3u) << all[i];
        ASSERT_TRUE(expected.count(f[0])) << all[i];
        EXPECT_NEAR(static_cast<double>(std::stold(f[1])), static_cast<double>(expected.at(f[0])), 1e-15) << all[i];
        EXPECT_NEAR(static_cast<double>(std::stold(f[2])), static_cast<double>(bridge.criticality(f[0])), 1e-15)
            << all[i];
    }
    // The same order as JSON gives.
    const CliResult j = runCli({"--format", "json", "--importance", "--algorithms", "frontier", kBridge});
    const JsonValue v = json(j);
    const JsonValue& list = v["importance"];
    ASSERT_EQ(list.items.size(), all.size() - 5);
    for (std::size_t i = 0; i < list.items.size(); ++i)
        EXPECT_EQ(fields(all[5 + i])[0], list.items[i]["element"].text);
}

TEST(CliImportance, TableListsTheElementsUnderTheRun)
{
    const CliResult r = runCli({"--importance", "--algorithms", "frontier", kBridge});
    ASSERT_TRUE(r.exited && r.status == 0) << describe(r);
    const std::vector<std::string> all = lines(r.out);
    std::size_t heading = 0;
    while (heading < all.size() && all[heading].rfind("Importance (", 0) != 0)
        ++heading;
    ASSERT_LT(heading + 2, all.size()) << r.out;
    EXPECT_EQ(all[heading], "Importance (done, 7 elements):");
    EXPECT_EQ(all[heading - 1], "");
    EXPECT_EQ(all[heading + 1], "Element  Birnbaum  Kritičnost");
    EXPECT_EQ(all[heading + 2].rfind("N2 ", 0), 0u) << all[heading + 2];
    EXPECT_EQ(all.size(), heading + 2 + 7);
}

TEST(CliImportance, InterruptStopsTheRating)
{
    TempDir dir;
    // Rating every element of it takes seconds.
    const std::string grid = dir.write("resetka7x7.dsm", gridStructure(7, 7));
    CliRunOptions options;
    options.terminal = true;
    options.interrupt = [sent = false](const std::string&, const std::string& err) mutable {
        if (sent || err.find("importance ") == std::string::npos)
            return 0;
        sent = true;
        return 1;
    };
    const CliResult r = runCli({"--format", "json", "--importance", "--algorithms", "frontier", grid}, options);
    ASSERT_EQ(r.interruptsSent, 1) << describe(r);
    ASSERT_TRUE(r.exited) << describe(r);
    EXPECT_EQ(r.status, 130) << describe(r);
    const JsonValue v = json(r);
    EXPECT_EQ(v["results"].items.at(0)["status"].text, "done");
    EXPECT_EQ(v["importanceStatus"].text, "stopped");
    EXPECT_LT(v["importance"].items.size(), 7u * 7 + 2 * 7 * 6 - 2);
}
