// The exchange formats as written: their exact texts for the example, the
// number format that reads back exactly, and the file output.

#include "platform/Numbers.h"
#include "structure/ExchangeFormat.h"
#include "structure/StructureFileWriter.h"

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

ReadOutcome example()
{
    ReadOutcome in;
    readText(kExampleFile, in);
    EXPECT_TRUE(in.ok) << in.message;
    return in;
}

// A long double with every bit of its mantissa random, in [0, 1).
long double randomUnit(std::mt19937_64& random)
{
    std::uint64_t bits = random() | (1ULL << 63); // a normal number in [0.5, 1)
    long double value = 0;
    static_assert(sizeof(long double) >= 10);
    std::memcpy(&value, &bits, sizeof bits); // the mantissa of the 80-bit format
    std::uint16_t exponent = static_cast<std::uint16_t>(16382 - random() % 40);
    std::memcpy(reinterpret_cast<char*>(&value) + 8, &exponent, sizeof exponent);
    return value;
}

} // namespace

TEST(ExactNumbers, EveryValueReadsBackExactly)
{
    std::mt19937_64 random(1801);
    for (int i = 0; i < 20000; ++i) {
        const long double value = randomUnit(random);
        ASSERT_GT(value, 0);
        ASSERT_LT(value, 1);
        const std::string text = formatExact(value);
        ASSERT_EQ(cLongDouble(text.c_str()), value) << text;
        ASSERT_LE(text.size(), 30u) << text; // 21 digits are always enough
    }
}

TEST(ExactNumbers, AgreeWithTheStructureFileWhereItsDigitsAreExact)
{
    for (const char* text : {"0", "1", "0.5", "0.9", "0.95", "0.123456789", "0.0001", "2.5E-6", "1E-10",
                             "0.999999999999999", "0.000123456789012345"}) {
        const long double value = cLongDouble(text);
        EXPECT_EQ(formatExact(value), text);
        EXPECT_EQ(formatExact(value), formatGeneral(value, '.'));
    }
    // Where 15 digits are not enough, more are written.
    const long double fromDouble = 0.1; // the double nearest to 0.1, not the long double
    EXPECT_EQ(formatGeneral(fromDouble, '.'), "0.1");
    EXPECT_NE(formatExact(fromDouble), "0.1");
    EXPECT_EQ(cLongDouble(formatExact(fromDouble).c_str()), fromDouble);
    EXPECT_EQ(formatExact(0.1L), "0.1");
}

TEST(ExchangeWriter, ExampleAsDot)
{
    EXPECT_EQ(exchangeText(ExchangeFormat::Dot, exchangeOf(example())),
              "digraph {\n"
              "  graph [source=\"1\", destination=\"3\"];\n"
              "  1 [label=\"1\", availability=\"0.9\"];\n"
              "  2 [label=\"2\", availability=\"0.95\"];\n"
              "  3 [label=\"3\", availability=\"1\"];\n"
              "  1 -> 2 [label=\"4\", availability=\"0.99\"];\n"
              "  2 -> 3 [label=\"5\", availability=\"0.98\"];\n"
              "  1 -> 3 [label=\"6\", availability=\"0.5\"];\n"
              "}\n");
}

TEST(ExchangeWriter, ExampleAsCsv)
{
    EXPECT_EQ(exchangeText(ExchangeFormat::Csv, exchangeOf(example())),
              "directed\nyes\n\nsource,destination\n1,3\n\nlabel,availability\n1,0.9\n2,0.95\n3,1\n\n"
              "label,from,to,availability\n4,1,2,0.99\n5,2,3,0.98\n6,1,3,0.5\n");
}

TEST(ExchangeWriter, ExampleAsGraphMl)
{
    const std::string text = exchangeText(ExchangeFormat::GraphMl, exchangeOf(example()));
    EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<graphml ", 0), 0u) << text;
    for (const char* part :
         {"<key id=\"navailability\" for=\"node\" attr.name=\"availability\" attr.type=\"double\"/>",
          "<key id=\"elabel\" for=\"edge\" attr.name=\"label\" attr.type=\"int\"/>",
          "<graph id=\"G\" edgedefault=\"directed\">",
          "<data key=\"source\">1</data>", "<data key=\"destination\">3</data>",
          "<node id=\"n2\"><data key=\"nlabel\">2</data><data key=\"navailability\">0.95</data></node>",
          "<edge id=\"e5\" source=\"n2\" target=\"n3\"><data key=\"elabel\">5</data>"
          "<data key=\"eavailability\">0.98</data></edge>",
          "</graph>\n</graphml>\n"})
        EXPECT_NE(text.find(part), std::string::npos) << part;
}

TEST(ExchangeWriter, UndirectedWithoutPairAndNegativeLabels)
{
    StructureWorkspace ws;
    StructurePlan plan;
    plan.nodes = {{-3, 0.5L}, {7, 2.5E-6L}};
    plan.edges = {{-3, -3, 7, 0}};
    buildStructure(ws, plan);
    const ExchangeStructure s = exchangeOf(ws, false, false);
    EXPECT_EQ(exchangeText(ExchangeFormat::Dot, s),
              "graph {\n  -3 [label=\"-3\", availability=\"0.5\"];\n  7 [label=\"7\", availability=\"2.5E-6\"];\n"
              "  -3 -- 7 [label=\"-3\", availability=\"0\"];\n}\n");
    EXPECT_EQ(exchangeText(ExchangeFormat::Csv, s),
              "directed\nno\n\nlabel,availability\n-3,0.5\n7,2.5E-6\n\nlabel,from,to,availability\n-3,-3,7,0\n");
    const std::string graphMl = exchangeText(ExchangeFormat::GraphMl, s);
    EXPECT_NE(graphMl.find("edgedefault=\"undirected\""), std::string::npos);
    EXPECT_EQ(graphMl.find("<data key=\"source\">"), std::string::npos);
    EXPECT_NE(graphMl.find("<edge id=\"e-3\" source=\"n-3\" target=\"n7\">"), std::string::npos);
}

// The same edges as a structure file save writes: one whose matrix cells
// were cleared in the matrix view is left out.
TEST(ExchangeWriter, EdgeWithClearedCellsIsLeftOut)
{
    ReadOutcome in = example();
    in.directedMatrix.set(3, 0, 0); // edge 4 (index 3) no longer leaves node 1
    const ExchangeStructure s = exchangeOf(in);
    ASSERT_EQ(s.edges.size(), 2u);
    EXPECT_EQ(s.edges[0].label, 5);
    EXPECT_EQ(s.edges[1].label, 6);
    EXPECT_EQ(exchangeText(ExchangeFormat::Csv, s).find("\n4,"), std::string::npos);
}

TEST(ExchangeWriter, FormatsByNameAndExtension)
{
    EXPECT_EQ(exchangeFormatNamed("DOT"), ExchangeFormat::Dot);
    EXPECT_EQ(exchangeFormatNamed("GraphML"), ExchangeFormat::GraphMl);
    EXPECT_EQ(exchangeFormatNamed("csv"), ExchangeFormat::Csv);
    EXPECT_EQ(exchangeFormatNamed("dsm"), std::nullopt);
    EXPECT_EQ(exchangeFormatOfPath("/a/b/mreza.GV"), ExchangeFormat::Dot);
    EXPECT_EQ(exchangeFormatOfPath("mreza.dot"), ExchangeFormat::Dot);
    EXPECT_EQ(exchangeFormatOfPath("x.y/mreza.graphml"), ExchangeFormat::GraphMl);
    EXPECT_EQ(exchangeFormatOfPath("popis.csv"), ExchangeFormat::Csv);
    for (const char* other : {"mreza.dsm", "mreza", "dir.dot/mreza", ".dot", "mreza.txt", "mreza.dot.dsm"})
        EXPECT_EQ(exchangeFormatOfPath(other), std::nullopt) << other;
}

TEST(ExchangeWriter, WritesTheFileAndReplacesOnlyWhenComplete)
{
    TempDir dir;
    const ExchangeStructure s = exchangeOf(example());
    const std::string target = dir.write("mreza.dot", "staro");
    ExchangeWriter writer;
    std::string message = "x";
    ASSERT_TRUE(writer.writeExchangeFile(target, ExchangeFormat::Dot, s, message)) << message;
    EXPECT_EQ(message, "");
    EXPECT_EQ(readBytes(target), exchangeText(ExchangeFormat::Dot, s));

    EXPECT_FALSE(writer.writeExchangeFile(dir.path("nema/mreza.dot"), ExchangeFormat::Dot, s, message));
    EXPECT_EQ(message, "Nije moguće otvoriti zadanu datoteku");
    EXPECT_FALSE(std::filesystem::exists(dir.path("nema")));
    if (std::filesystem::exists("/dev/full")) { // a device is written directly and fails when flushed
        EXPECT_FALSE(writer.writeExchangeFile("/dev/full", ExchangeFormat::GraphMl, s, message));
        EXPECT_EQ(message, "Onemogućen pristup ili blokirana datoteka");
    }
    // Only the target is left in the directory: no replacement stays behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path("")), {}), 1);
}

// A structure without a pair (an import's, a save's) is written without a
// pair section, which reads back as one that gives no pair.
TEST(StructureWriter, EmptyPairSectionCanBeLeftOut)
{
    const ReadOutcome in = example();
    TempDir dir;
    StructureFileWriter writer;
    std::string message;
    const std::string path = dir.path("bez.dsm");
    ASSERT_TRUE(writer.writeStructureFile(path, in.elements, in.directedMatrix, true, -1, 2, message)) << message;
    const std::string bytes = readBytes(path);
    EXPECT_EQ(bytes.find("par:"), std::string::npos);
    EXPECT_TRUE(bytes.ends_with("      6 , 1 , 3 , 0.5;\n   }\n}\n")) << bytes;
    ReadOutcome back;
    readText(bytes, back);
    ASSERT_TRUE(back.ok) << back.message;
    EXPECT_FALSE(back.pairGiven);
    EXPECT_EQ(back.elements.count(), 6);

    // With a pair the file is the one a save writes.
    ASSERT_TRUE(writer.writeStructureFile(path, in.elements, in.directedMatrix, true, 0, 2, message));
    EXPECT_EQ(readBytes(path), kExampleFile);
}
