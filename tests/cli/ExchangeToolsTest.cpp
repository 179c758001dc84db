// The exported graphs as other programs read them: the DOT through
// Graphviz's own parser (dot -Tjson), the GraphML through networkx. Nodes,
// edges, labels, availabilities, direction and pair must all arrive.

#include "platform/Numbers.h"
#include "structure/ExchangeWriter.h"

#include "ExchangeFiles.h"
#include "JsonReader.h"
#include "StructureFiles.h"
#include "TempFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <sys/wait.h>

using namespace velmor;
using namespace velmor::testing;

namespace {

struct ToolRun {
    int status = -1;
    std::string out;
};

ToolRun runTool(const std::string& command)
{
    ToolRun run;
    std::FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe)
        return run;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.out.append(buffer, got);
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

bool haveDot()
{
    return runTool("dot -V").status == 0;
}

// Debian's python3 first, where apt installs python3-networkx.
std::string pythonWithNetworkx()
{
    for (const char* python : {"/usr/bin/python3", "python3"})
        if (runTool(std::string(python) + " -c 'import networkx'").status == 0)
            return python;
    return {};
}

// The structures to check: every example, and structures with what the
// examples lack (negative labels, tiny and full-precision availabilities,
// no pair, parallel edges, undirected).
std::vector<std::pair<std::string, ExchangeStructure>> structures()
{
    std::vector<std::pair<std::string, ExchangeStructure>> all;
    for (const auto& entry : std::filesystem::directory_iterator(VELMOR_EXAMPLES_DIR)) {
        if (entry.path().extension() != ".dsm")
            continue;
        ReadOutcome in;
        readText(readBytes(entry.path().string()), in);
        EXPECT_TRUE(in.ok) << in.message;
        all.emplace_back(entry.path().filename().string(), exchangeOf(in));
    }
    std::mt19937_64 random(99);
    for (int round = 0; round < 4; ++round) {
        ExchangeStructure s;
        s.directed = round % 2 == 0;
        const int nodes = 3 + round * 3;
        for (int i = 0; i < nodes; ++i) {
            const long double availability = i == 0 ? 1 : i == 1 ? 2.5E-9L
                                                               : static_cast<long double>(random()) / 18446744073709551616.0L;
            s.nodes.push_back(ExchangeNode{i * 7 - 10, availability, 0});
        }
        for (int e = 0; e < nodes * 2; ++e)
            s.edges.push_back(ExchangeEdge{-1000 - e, s.nodes[random() % nodes].label, s.nodes[random() % nodes].label,
                                           e == 0 ? 0 : static_cast<long double>(random()) / 18446744073709551616.0L, 0});
        if (round != 1)
            s.pair = ExchangePair{s.nodes[0].label, s.nodes.back().label, 0};
        all.emplace_back("random " + std::to_string(round), s);
    }
    return all;
}

void expectAvailabilityText(const std::string& text, long double availability)
{
    EXPECT_EQ(cLongDouble(text.c_str()), availability) << text;
}

// A double as the file's text reads, the way Python's float() reads it.
double asDouble(long double availability)
{
    return std::strtod(formatExact(availability).c_str(), nullptr);
}

void checkGraphvizReading(const ExchangeStructure& s, const JsonValue& graph)
{
    EXPECT_EQ(graph["directed"].boolean, s.directed);
    EXPECT_FALSE(graph["strict"].boolean);
    const std::vector<JsonValue> noItems;
    const std::vector<JsonValue>& objects = graph.has("objects") ? graph["objects"].items : noItems;
    const std::vector<JsonValue>& edges = graph.has("edges") ? graph["edges"].items : noItems;
    ASSERT_EQ(objects.size(), s.nodes.size());
    ASSERT_EQ(edges.size(), s.edges.size());
    std::map<std::string, std::string> nameOfId;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        const JsonValue& node = objects[i];
        const std::string label = std::to_string(s.nodes[i].label);
        EXPECT_EQ(node["name"].text, label);
        EXPECT_EQ(node["label"].text, label);
        expectAvailabilityText(node["availability"].text, s.nodes[i].availability);
        nameOfId[node["_gvid"].text] = node["name"].text;
    }
    // Graphviz numbers the edges in an order of its own; match them by label.
    std::map<std::string, const JsonValue*> byLabel;
    for (const JsonValue& edge : edges)
        byLabel[edge["label"].text] = &edge;
    ASSERT_EQ(byLabel.size(), s.edges.size());
    for (const ExchangeEdge& expected : s.edges) {
        const JsonValue& edge = *byLabel.at(std::to_string(expected.label));
        EXPECT_EQ(nameOfId[edge["tail"].text], std::to_string(expected.from));
        EXPECT_EQ(nameOfId[edge["head"].text], std::to_string(expected.to));
        expectAvailabilityText(edge["availability"].text, expected.availability);
    }
    EXPECT_EQ(graph.has("source"), s.pair.has_value());
    if (s.pair) {
        EXPECT_EQ(graph["source"].text, std::to_string(s.pair->source));
        EXPECT_EQ(graph["destination"].text, std::to_string(s.pair->destination));
    }
}

// networkx's reading, printed as JSON. Parallel edges make a multigraph,
// which keeps an edge's id as its key rather than among its data.
constexpr const char* kNetworkxScript = R"(import json, sys
import networkx as nx
g = nx.read_graphml(sys.argv[1])
if g.is_multigraph():
    edges = [[u, v, d, k] for u, v, k, d in g.edges(keys=True, data=True)]
else:
    edges = [[u, v, d, d.pop("id", None)] for u, v, d in g.edges(data=True)]
print(json.dumps({
    "directed": g.is_directed(),
    "graph": {k: v for k, v in g.graph.items() if k in ("source", "destination")},
    "nodes": [[n, d] for n, d in g.nodes(data=True)],
    "edges": edges,
}))
)";

void checkNetworkxReading(const ExchangeStructure& s, const JsonValue& graph)
{
    EXPECT_EQ(graph["directed"].boolean, s.directed);
    const std::vector<JsonValue>& nodes = graph["nodes"].items;
    ASSERT_EQ(nodes.size(), s.nodes.size());
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const std::string label = std::to_string(s.nodes[i].label);
        EXPECT_EQ(nodes[i].items[0].text, "n" + label);
        EXPECT_EQ(nodes[i].items[1]["label"].text, label);
        EXPECT_EQ(std::strtod(nodes[i].items[1]["availability"].text.c_str(), nullptr),
                  asDouble(s.nodes[i].availability));
    }
    // networkx keeps edges by their end nodes; match them up by label.
    const std::vector<JsonValue>& edges = graph["edges"].items;
    ASSERT_EQ(edges.size(), s.edges.size());
    std::map<std::string, const JsonValue*> byLabel;
    for (const JsonValue& edge : edges)
        byLabel[edge.items[2]["label"].text] = &edge;
    ASSERT_EQ(byLabel.size(), s.edges.size());
    for (const ExchangeEdge& expected : s.edges) {
        const JsonValue& edge = *byLabel.at(std::to_string(expected.label));
        std::string from = edge.items[0].text;
        std::string to = edge.items[1].text;
        if (!s.directed && from != "n" + std::to_string(expected.from))
            std::swap(from, to); // an undirected graph may give the ends either way round
        EXPECT_EQ(from, "n" + std::to_string(expected.from));
        EXPECT_EQ(to, "n" + std::to_string(expected.to));
        EXPECT_EQ(edge.items[3].text, "e" + std::to_string(expected.label));
        EXPECT_EQ(std::strtod(edge.items[2]["availability"].text.c_str(), nullptr), asDouble(expected.availability));
    }
    const JsonValue& attributes = graph["graph"];
    EXPECT_EQ(attributes.has("source"), s.pair.has_value());
    if (s.pair) {
        EXPECT_EQ(attributes["source"].text, std::to_string(s.pair->source));
        EXPECT_EQ(attributes["destination"].text, std::to_string(s.pair->destination));
    }
}

} // namespace

TEST(ExchangeTools, GraphvizReadsTheDot)
{
    if (!haveDot())
        GTEST_SKIP() << "Graphviz (dot) is not installed; scripts/install-deps.sh installs it";
    TempDir dir;
    for (const auto& [name, s] : structures()) {
        SCOPED_TRACE(name);
        const std::string path = dir.write("graph.dot", exchangeText(ExchangeFormat::Dot, s));
        const ToolRun run = runTool("dot -Tjson '" + path + "'");
        ASSERT_EQ(run.status, 0) << run.out;
        checkGraphvizReading(s, JsonReader::parse(run.out));
    }
}

TEST(ExchangeTools, NetworkxReadsTheGraphMl)
{
    const std::string python = pythonWithNetworkx();
    if (python.empty())
        GTEST_SKIP() << "no python3 with networkx; scripts/install-deps.sh installs python3-networkx";
    TempDir dir;
    const std::string script = dir.write("read.py", kNetworkxScript);
    for (const auto& [name, s] : structures()) {
        SCOPED_TRACE(name);
        const std::string path = dir.write("graph.graphml", exchangeText(ExchangeFormat::GraphMl, s));
        const ToolRun run = runTool(python + " '" + script + "' '" + path + "'");
        ASSERT_EQ(run.status, 0) << run.out;
        checkNetworkxReading(s, JsonReader::parse(run.out));
    }
}
