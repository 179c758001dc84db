// Importing the exchange formats: what the export writes comes back as the
// same structure, hand-written variants are read alike, and every bad input
// gets the reader's kind of message.

#include "structure/ExchangeReader.h"

#include "ExchangeFiles.h"
#include "StructureFiles.h"
#include "TempFiles.h"
#include "TestStructures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>

using namespace velmor;
using namespace velmor::testing;

namespace {

ReadOutcome readDsm(const std::string& text)
{
    ReadOutcome in;
    readText(text, in);
    EXPECT_TRUE(in.ok) << in.message;
    return in;
}

ReadOutcome imported(const std::string& text, ExchangeFormat format)
{
    ReadOutcome out;
    importText(text, format, out);
    return out;
}

// A random structure with availabilities that use every bit of a long
// double, which 15 digits could not carry.
StructurePlan preciseStructure(std::mt19937& random)
{
    RandomShape shape;
    shape.maxNodes = 9;
    shape.maxExtraEdges = 10;
    StructurePlan plan = randomStructure(random, shape);
    std::mt19937_64 bits(random());
    auto precise = [&bits](long double& availability) {
        if (availability == 0 || availability == 1)
            return;
        availability = static_cast<long double>(bits()) / 18446744073709551616.0L;
    };
    for (NodePlan& node : plan.nodes)
        precise(node.availability);
    for (EdgePlan& edge : plan.edges)
        precise(edge.availability);
    return plan;
}

// The structure of a workspace as the reader would hand it over.
ReadOutcome outcomeOf(const StructureWorkspace& ws, bool directed, bool withPair)
{
    ReadOutcome out;
    out.ok = ws.elements.copyTo(out.elements) && ws.directedMatrix.copyTo(out.directedMatrix)
        && ws.undirectedMatrix.copyTo(out.undirectedMatrix);
    out.elementState.allocate(ws.elementState.count());
    for (int i = 0; i < ws.elementState.count(); ++i)
        out.elementState.set(i, ws.elementState.get(i));
    out.directedValue = directed ? 1 : 0;
    out.pairGiven = withPair;
    out.sourceIndex = ws.sourceIndex;
    out.destinationIndex = ws.destinationIndex;
    return out;
}

constexpr ExchangeFormat kImportable[] = {ExchangeFormat::Csv, ExchangeFormat::Dot};

} // namespace

TEST(ExchangeRoundTrip, EveryExampleComesBackTheSame)
{
    for (const auto& entry : std::filesystem::directory_iterator(VELMOR_EXAMPLES_DIR)) {
        if (entry.path().extension() != ".dsm")
            continue;
        const ReadOutcome original = readDsm(readBytes(entry.path().string()));
        for (ExchangeFormat format : kImportable) {
            SCOPED_TRACE(entry.path().filename().string() + " " + std::string(exchangeFormatName(format)));
            expectSameStructure(imported(exchangeText(format, exchangeOf(original)), format), original);
        }
    }
}

TEST(ExchangeRoundTrip, RandomStructuresWithFullPrecisionComeBackExactly)
{
    std::mt19937 random(2718);
    for (int round = 0; round < 60; ++round) {
        StructureWorkspace ws;
        buildStructure(ws, preciseStructure(random));
        const bool directed = round % 2 == 0;
        const bool withPair = round % 3 != 0;
        const ReadOutcome original = outcomeOf(ws, directed, withPair);
        for (ExchangeFormat format : kImportable) {
            SCOPED_TRACE("round " + std::to_string(round) + " " + std::string(exchangeFormatName(format)));
            const ReadOutcome back = imported(exchangeText(format, exchangeOf(ws, directed, withPair)), format);
            expectSameStructure(back, original);
            if (!withPair) { // the cells keep what they held
                EXPECT_EQ(back.sourceIndex, -7);
                EXPECT_EQ(back.destinationIndex, -9);
            }
        }
    }
}

TEST(ExchangeRoundTrip, FormatIsTakenFromTheNameOrTheText)
{
    TempDir dir;
    const ReadOutcome original = readDsm(kExampleFile);
    const std::string dot = exchangeText(ExchangeFormat::Dot, exchangeOf(original));
    const std::string csv = exchangeText(ExchangeFormat::Csv, exchangeOf(original));
    for (const auto& [name, text] : {std::pair{"a.dot", dot}, {"a.GV", dot}, {"a.csv", csv}, {"bez-nastavka", dot},
                                     {"popis.txt", csv}, {"graf.txt", "// izvezeno\n/* graf */ " + dot},
                                     {"bom.csv", "\xEF\xBB\xBF" + csv}, {"bom.dot", "\xEF\xBB\xBF" + dot}}) {
        SCOPED_TRACE(name);
        ReadOutcome back;
        importFile(dir.write(name, text), back);
        expectSameStructure(back, original);
    }
    ReadOutcome missing;
    importFile(dir.path("nema.csv"), missing);
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.message, "Nije moguće otvoriti zadanu datoteku");
    ReadOutcome graphMl;
    importFile(dir.write("a.graphml", exchangeText(ExchangeFormat::GraphMl, exchangeOf(original))), graphMl);
    EXPECT_FALSE(graphMl.ok);
    EXPECT_EQ(graphMl.message, "GraphML datoteku nije moguće uvesti: uvozi se CSV popis grana ili DOT graf");
}

// DOT as people write it, every variant the same example structure.
TEST(ExchangeImport, HandWrittenDotVariants)
{
    const ReadOutcome expected = readDsm(kExampleFile);
    const char* variants[] = {
        // bare values, no semicolons, edges before the nodes, pair as statements
        "digraph G { source=1 destination=3\n 1->2 [label=4 availability=.99]\n 2 -> 3 [label=5, availability=0.98]\n"
        " 1 -> 3 [label = 6; availability = 0.5]\n 1 [availability=0.9] 2 [availability=0.95] 3 [availability=1] }",
        // comments of all three kinds, quoted names, concatenation, CRLF
        "# made by hand\r\n/* the example */ digraph \"primjer\" {\r\n  // nodes\r\n"
        "  \"1\" [label=\"1\", availability=\"0.\" + \"9\"];\r\n  \"2\" [availability=\"0.95\"];\r\n"
        "  3 [label=\"\\N\"] [availability=\"1\"];\r\n  \"1\" -> \"2\" [label=\"4\", availability=\"0.99\"];\r\n"
        "  2 -> 3 [label=\"5\", availability=\"98E-2\"];\r\n  1 -> 3 [label=\"6\", availability=\"0.5\"];\r\n"
        "  graph [source=\"1\"]; graph [destination=\"3\"];\r\n}\r\n",
        // names that are not labels, node defaults, ports, STRICT and DiGraph in any case
        "STRICT DiGraph { node [availability=\"0.95\"]\n a [label=1, availability=0.9] b [label=2]\n"
        " c [label=3 availability=1]\n a:e -> b:w:n [label=4 availability=0.99]\n b -> c [label=5 availability=0.98]\n"
        " a -> c [label=6 availability=0.5]\n source=a; destination=c }",
        // an edge chain shares its attributes; defaults for edges
        "digraph { 1 [availability=0.9]; 2 [availability=0.95]; 3 [availability=1];\n"
        " edge [availability=0.99] 1 -> 2 [label=4]; edge [availability=0.98] 2 -> 3 [label=5]\n"
        " 1 -> 3 [label=6 availability=0.5] graph [source=1 destination=3] }",
    };
    for (const char* text : variants) {
        SCOPED_TRACE(text);
        expectSameStructure(imported(text, ExchangeFormat::Dot), expected);
    }
    // An undirected graph with -- and an HTML label.
    std::string undirected = kExampleFile;
    undirected.replace(undirected.find("      da;"), 9, "      ne;");
    expectSameStructure(imported("graph{1[availability=0.9]2[availability=0.95]3[label=<3>,availability=1]"
                                 "1--2[label=4,availability=0.99]2--3[label=5,availability=0.98]"
                                 "1--3[label=6,availability=0.5]source=1 destination=3}",
                                 ExchangeFormat::Dot),
                        readDsm(undirected));
}

TEST(ExchangeImport, HandWrittenCsvVariants)
{
    const ReadOutcome expected = readDsm(kExampleFile);
    const char* variants[] = {
        // tables in another order, comments, spaces, no blank lines
        "# primjer\nlabel,from,to,availability\n4, 1, 2, 0.99\n5,2,3,0.98\n6 ,1 ,3 ,0.5\n"
        "  # nodes next\nlabel,availability\n1,0.9\n2,0.95\n3,1\nsource,destination\n1,3\ndirected\ntrue\n",
        // as a spreadsheet saves it: quoted, padded to four fields, CRLF, headers in capitals
        "\"Directed\",,,\r\n\"DA\",,,\r\n,,,\r\nLabel,Availability,,\r\n\"1\",\"0.9\",,\r\n\"2\",\"0.95\",,\r\n"
        "\"3\",\"1\",,\r\nLABEL,FROM,TO,AVAILABILITY\r\n4,1,2,0.99\r\n5,2,3,0.98\r\n6,1,3,\"0.5\"\r\n"
        "source,destination,,\r\n1,3,,\r\n",
        // the node table split in two, the last line without a line feed
        "directed\nyes\nlabel,availability\n1,0.9\nlabel,from,to,availability\n4,1,2,0.99\n5,2,3,0.98\n"
        "label,availability\n2,0.95\n3,1\nlabel,from,to,availability\n6,1,3,0.5\nsource,destination\n1,3",
    };
    for (const char* text : variants) {
        SCOPED_TRACE(text);
        expectSameStructure(imported(text, ExchangeFormat::Csv), expected);
    }
}

// Every way an import can refuse its input, with the message it gives; the
// line is the one the fault stands on.
struct BadImport {
    const char* name;
    ExchangeFormat format;
    const char* text;
    const char* message;
};

class ImportError : public ::testing::TestWithParam<BadImport> {};

TEST_P(ImportError, GivesTheReadersKindOfMessage)
{
    const BadImport& bad = GetParam();
    const ReadOutcome out = imported(bad.text, bad.format);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.message, bad.message);
}

constexpr const char* kCsvHead = "directed\nyes\nlabel,availability\n1,0.9\n2,0.5\n";

const BadImport kBadImports[] = {
    // CSV
    {"CsvEmpty", ExchangeFormat::Csv, "", "Neispravna struktura pri zadavanju usmjerenosti"},
    {"CsvNoDirection", ExchangeFormat::Csv, "label,availability\n1,0.9\nlabel,from,to,availability\n3,1,1,0.5\n",
     "Neispravna struktura pri zadavanju usmjerenosti"},
    {"CsvBadDirection", ExchangeFormat::Csv, "directed\nmaybe\n",
     "Neispravna struktura pri zadavanju usmjerenosti (redak 2)"},
    {"CsvTwoDirections", ExchangeFormat::Csv, "directed\nyes\nno\n",
     "Neispravna struktura pri zadavanju usmjerenosti (redak 3)"},
    {"CsvNoNodes", ExchangeFormat::Csv, "directed\nyes\nlabel,from,to,availability\n3,1,2,0.5\n",
     "Neispravna struktura, potrebno je zadati cvorove"},
    {"CsvNoEdges", ExchangeFormat::Csv, "directed\nyes\nlabel,availability\n1,0.9\n",
     "Neispravna struktura, potrebno je zadati grane"},
    {"CsvRowOutsideTable", ExchangeFormat::Csv, "\n\n1,0.9\n", "Redak CSV datoteke ne pripada nijednoj tablici (redak 3)"},
    {"CsvNodeWithThreeFields", ExchangeFormat::Csv, "directed\nyes\nlabel,availability\n1,0.9,7\n",
     "Neispravna struktura podataka pri zadavanju cvorova (redak 4)"},
    {"CsvNodeLabelNotWhole", ExchangeFormat::Csv, "directed\nyes\nlabel,availability\n1.5,0.9\n",
     "Neispravna struktura podataka pri zadavanju cvorova (redak 4)"},
    {"CsvNodeLabelBeyond32Bits", ExchangeFormat::Csv, "directed\nyes\nlabel,availability\n4294967297,0.9\n",
     "Neispravna struktura podataka pri zadavanju cvorova (redak 4)"},
    {"CsvNodeAvailabilityNotANumber", ExchangeFormat::Csv, "directed\nyes\nlabel,availability\n1,0.9x\n",
     "Neispravna struktura podataka pri zadavanju cvorova (redak 4)"},
    {"CsvNodeAvailabilityWithComma", ExchangeFormat::Csv, "directed\nyes\nlabel,availability\n1,\"0,9\"\n",
     "Neispravna struktura podataka pri zadavanju cvorova (redak 4)"},
    {"CsvNodeAvailabilityAboveOne", ExchangeFormat::Csv, "directed\nyes\nlabel,availability\n1,0.9\n2,1.5\n",
     "Nije moguće zapisati podatke o čvorovima u listu (redak 5)"},
    {"CsvNodeAvailabilityNegative", ExchangeFormat::Csv, "directed\nyes\nlabel,availability\n1,-0.1\n",
     "Nije moguće zapisati podatke o čvorovima u listu (redak 4)"},
    {"CsvSameNodeTwice", ExchangeFormat::Csv, "directed\nyes\nlabel,availability\n1,0.9\n\n1,0.5\n",
     "Nije moguće zapisati podatke o čvorovima u listu (redak 6)"},
    {"CsvEdgeWithThreeFields", ExchangeFormat::Csv, "directed\nyes\nlabel,from,to,availability\n3,1,2\n",
     "Neispravna struktura podataka pri zadavanju grana (redak 4)"},
    {"CsvEdgeWithFiveFields", ExchangeFormat::Csv, "directed\nyes\nlabel,from,to,availability\n3,1,2,0.5,9\n",
     "Neispravna struktura podataka pri zadavanju grana (redak 4)"},
    {"CsvEdgeEndNotALabel", ExchangeFormat::Csv, "directed\nyes\nlabel,from,to,availability\n3,N1,2,0.5\n",
     "Neispravna struktura podataka pri zadavanju grana (redak 4)"},
    {"CsvEdgeAvailabilityAboveOne", ExchangeFormat::Csv,
     "directed\nyes\nlabel,availability\n1,0.9\n2,0.5\nlabel,from,to,availability\n3,1,2,2\n",
     "Nije moguće zapisati podatke o granama u listu (redak 7)"},
    {"CsvSameEdgeTwice", ExchangeFormat::Csv,
     "directed\nyes\nlabel,availability\n1,0.9\n2,0.5\nlabel,from,to,availability\n3,1,2,0.5\n3,2,1,0.5\n",
     "Nije moguće zapisati podatke o granama u listu (redak 8)"},
    {"CsvEdgeToUnknownNode", ExchangeFormat::Csv,
     "directed\nyes\nlabel,availability\n1,0.9\n2,0.5\nlabel,from,to,availability\n3,1,2,0.5\n4,2,9,0.5\n",
     "Nepostojeći ulazni ili izlazni čvor grana (redak 8)"},
    {"CsvPairWithOneField", ExchangeFormat::Csv, "directed\nyes\nsource,destination\n1\n",
     "Neispravna struktura pri zadavanju izvorišta i odredišta (redak 4)"},
    {"CsvTwoPairs", ExchangeFormat::Csv, "directed\nyes\nsource,destination\n1,2\n2,1\n",
     "Neispravna struktura pri zadavanju izvorišta i odredišta (redak 5)"},
    {"CsvPairToUnknownNode", ExchangeFormat::Csv,
     "directed\nyes\nsource,destination\n1,9\nlabel,availability\n1,0.9\n2,0.5\nlabel,from,to,availability\n3,1,2,"
     "0.5\n",
     "Nepostojeći izvorišni ili odredišni čvor strukture (redak 4)"},
    {"CsvUnclosedQuote", ExchangeFormat::Csv, "directed\nyes\nlabel,availability\n\"1,0.9\n2,0.5\n",
     "Neispravni navodnici u CSV datoteci (redak 4)"},
    {"CsvTextAfterQuote", ExchangeFormat::Csv, "directed\nyes\nlabel,availability\n\"1\"2,0.9\n",
     "Neispravni navodnici u CSV datoteci (redak 4)"},
    // DOT
    {"DotEmpty", ExchangeFormat::Dot, "", "Neispravan zapis grafa u DOT datoteci (redak 1)"},
    {"DotNotAGraph", ExchangeFormat::Dot, "label,availability\n", "Neispravan zapis grafa u DOT datoteci (redak 1)"},
    {"DotUnclosedGraph", ExchangeFormat::Dot, "digraph {\n1 [availability=1]\n",
     "Neispravan zapis grafa u DOT datoteci (redak 3)"},
    {"DotTwoGraphs", ExchangeFormat::Dot, "graph {}\ngraph {}\n", "Neispravan zapis grafa u DOT datoteci (redak 2)"},
    {"DotUnclosedString", ExchangeFormat::Dot, "digraph {\n1 [label=\"1]\n}\n",
     "Neispravan zapis grafa u DOT datoteci (redak 2)"},
    {"DotUnclosedComment", ExchangeFormat::Dot, "digraph {\n/* 1\n}\n",
     "Neispravan zapis grafa u DOT datoteci (redak 2)"},
    {"DotUnknownCharacter", ExchangeFormat::Dot, "digraph {\n1 [availability=1] @\n}\n",
     "Neispravan zapis grafa u DOT datoteci (redak 2)"},
    {"DotAttributeWithoutValue", ExchangeFormat::Dot, "digraph {\n1 [availability]\n}\n",
     "Neispravan zapis grafa u DOT datoteci (redak 2)"},
    {"DotUndirectedEdgeInDigraph", ExchangeFormat::Dot,
     "digraph {\n1 [availability=1]\n2 [availability=1]\n1 -- 2 [label=3, availability=1]\n}\n",
     "Neispravan zapis grafa u DOT datoteci (redak 4)"},
    {"DotDirectedEdgeInGraph", ExchangeFormat::Dot, "graph {\n1 -> 2\n}\n",
     "Neispravan zapis grafa u DOT datoteci (redak 2)"},
    {"DotSubgraph", ExchangeFormat::Dot, "digraph {\nsubgraph cluster_a { 1 }\n}\n",
     "Podgrafovi u DOT datoteci nisu podržani (redak 2)"},
    {"DotEdgeToSubgraph", ExchangeFormat::Dot, "digraph {\n1 -> { 2 3 }\n}\n",
     "Podgrafovi u DOT datoteci nisu podržani (redak 2)"},
    {"DotNoNodes", ExchangeFormat::Dot, "digraph { }", "Neispravna struktura, potrebno je zadati cvorove"},
    {"DotNoEdges", ExchangeFormat::Dot, "digraph { 1 [availability=1] }",
     "Neispravna struktura, potrebno je zadati grane"},
    {"DotNodeWithoutAvailability", ExchangeFormat::Dot, "digraph {\n1 [availability=1]\n2 [label=2]\n}\n",
     "Neispravna struktura podataka pri zadavanju cvorova (redak 3)"},
    {"DotNodeNameNotALabel", ExchangeFormat::Dot, "digraph {\na [availability=1]\n}\n",
     "Neispravna struktura podataka pri zadavanju cvorova (redak 2)"},
    {"DotNodeAvailabilityNotANumber", ExchangeFormat::Dot, "digraph {\n1 [availability=\"visoka\"]\n}\n",
     "Neispravna struktura podataka pri zadavanju cvorova (redak 2)"},
    {"DotNodeAvailabilityAboveOne", ExchangeFormat::Dot,
     "digraph {\n1 [availability=1]\n2 [availability=1.01]\n1 -> 2 [label=3, availability=1]\n}\n",
     "Nije moguće zapisati podatke o čvorovima u listu (redak 3)"},
    {"DotSameLabelTwice", ExchangeFormat::Dot,
     "digraph {\na [label=1, availability=1]\nb [label=1, availability=1]\na -> b [label=3, availability=1]\n}\n",
     "Nije moguće zapisati podatke o čvorovima u listu (redak 3)"},
    {"DotEdgeWithoutLabel", ExchangeFormat::Dot,
     "digraph {\n1 [availability=1]\n2 [availability=1]\n1 -> 2 [availability=1]\n}\n",
     "Neispravna struktura podataka pri zadavanju grana (redak 4)"},
    {"DotEdgeWithoutAvailability", ExchangeFormat::Dot,
     "digraph {\n1 [availability=1]\n2 [availability=1]\n1 -> 2 [label=3]\n}\n",
     "Neispravna struktura podataka pri zadavanju grana (redak 4)"},
    {"DotEdgeAvailabilityNegative", ExchangeFormat::Dot,
     "digraph {\n1 [availability=1]\n2 [availability=1]\n1 -> 2 [label=3, availability=-1]\n}\n",
     "Nije moguće zapisati podatke o granama u listu (redak 4)"},
    {"DotChainWithOneLabel", ExchangeFormat::Dot,
     "digraph {\n1 [availability=1]\n2 [availability=1]\n3 [availability=1]\n1 -> 2 -> 3 [label=4, availability=1]\n}\n",
     "Nije moguće zapisati podatke o granama u listu (redak 5)"},
    {"DotEdgeToUndeclaredNode", ExchangeFormat::Dot,
     "digraph {\n1 [availability=1]\n2 [availability=1]\n1 -> 2 [label=3, availability=1]\n2 -> 9 [label=4, "
     "availability=1]\n}\n",
     "Nepostojeći ulazni ili izlazni čvor grana (redak 5)"},
    {"DotSourceWithoutDestination", ExchangeFormat::Dot,
     "digraph {\n1 [availability=1]\n2 [availability=1]\n1 -> 2 [label=3, availability=1]\nsource=1\n}\n",
     "Neispravna struktura pri zadavanju izvorišta i odredišta (redak 5)"},
    {"DotPairToUnknownNode", ExchangeFormat::Dot,
     "digraph {\ngraph [source=1,\ndestination=7]\n1 [availability=1]\n2 [availability=1]\n1 -> 2 [label=3, "
     "availability=1]\n}\n",
     "Nepostojeći izvorišni ili odredišni čvor strukture (redak 3)"},
};

INSTANTIATE_TEST_SUITE_P(Exchange, ImportError, ::testing::ValuesIn(kBadImports),
                         [](const ::testing::TestParamInfo<BadImport>& info) { return info.param.name; });

TEST(ExchangeImport, TooManyElementsAreRefusedBeforeTheMatricesGrow)
{
    ExchangeReader reader;
    reader.maxElements = 4;
    ReadOutcome out;
    const std::string text = "directed\nyes\nlabel,availability\n1,1\n2,1\n3,1\nlabel,from,to,availability\n4,1,2,1\n"
                             "5,2,3,1\n";
    out.ok = reader.readExchangeText(text, ExchangeFormat::Csv, out.elements, out.directedMatrix, out.undirectedMatrix,
                                     out.sourceIndex, out.destinationIndex, out.elementState, out.message);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.message, "Struktura je prevelika za raspoloživu memoriju: dopušteno je najviše 4 elemenata");
    EXPECT_TRUE(out.directedMatrix.empty());
}

TEST(ExchangeImport, ReaderFieldsFollowTheLastRead)
{
    ExchangeReader reader;
    ReadOutcome first;
    ASSERT_TRUE(reader.readExchangeText(exchangeText(ExchangeFormat::Dot, exchangeOf(readDsm(kExampleFile))),
                                        ExchangeFormat::Dot, first.elements, first.directedMatrix,
                                        first.undirectedMatrix, first.sourceIndex, first.destinationIndex,
                                        first.elementState, first.message));
    EXPECT_EQ(reader.directedValue, 1);
    EXPECT_EQ(reader.pairGiven, 1);
    ReadOutcome second;
    EXPECT_FALSE(reader.readExchangeFile("/nonexistent/x.csv", second.elements, second.directedMatrix,
                                         second.undirectedMatrix, second.sourceIndex, second.destinationIndex,
                                         second.elementState, second.message));
    EXPECT_EQ(reader.directedValue, 0);
    EXPECT_EQ(reader.pairGiven, 0);
}

// Exported texts with bytes changed, cut or repeated: every one ends with a
// message or with a structure whose parts agree, and a structure read from
// a changed text survives another export and import unchanged.
TEST(ExchangeImport, MangledTextsEndWithAMessageOrASoundStructure)
{
    std::mt19937 random(4242);
    const ReadOutcome original = readDsm(readBytes(std::string(VELMOR_EXAMPLES_DIR) + "/mreza12.dsm"));
    const std::string alphabet = "0123456789.,;-+eE\"'#/*\\<>[]{}=:\n\r\t abcdgrphnlvity";
    int accepted = 0;
    for (ExchangeFormat format : kImportable) {
        const std::string text = exchangeText(format, exchangeOf(original));
        for (int round = 0; round < 1500; ++round) {
            std::string mangled = text;
            for (int change = 1 + static_cast<int>(random() % 4); change > 0; --change) {
                const std::size_t at = random() % mangled.size();
                switch (random() % 4) {
                case 0:
                    mangled[at] = alphabet[random() % alphabet.size()];
                    break;
                case 1:
                    mangled.erase(at, 1 + random() % 8);
                    break;
                case 2:
                    mangled.insert(at, mangled.substr(random() % mangled.size(), random() % 16));
                    break;
                default:
                    mangled.resize(at);
                    break;
                }
                if (mangled.empty())
                    mangled = "x";
            }
            SCOPED_TRACE(mangled);
            const ReadOutcome out = imported(mangled, format);
            if (!out.ok) {
                ASSERT_FALSE(out.message.empty());
                continue;
            }
            ++accepted;
            const int n = out.elements.count();
            ASSERT_EQ(out.directedMatrix.rowCount(), n);
            ASSERT_EQ(out.undirectedMatrix.columnCount(), n);
            ASSERT_EQ(out.elementState.count(), n);
            expectSameStructure(imported(exchangeText(format, exchangeOf(out)), format), out);
        }
    }
    EXPECT_GT(accepted, 40); // some changes leave a readable structure
}
