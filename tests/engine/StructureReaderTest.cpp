#include "structure/StructureFileReader.h"

#include "StructureFiles.h"
#include "TempFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace velmor;
using namespace velmor::testing;

namespace {

const char* const kIllegalEnd = "Onemogućen pristup ili ilegalan kraj datoteke";
const char* const kNodeRefused = "Nije moguće zapisati podatke o čvorovima u listu";
const char* const kBadNodeLine = "Neispravna struktura podataka pri zadavanju cvorova";
const char* const kNoNodes = "Neispravna struktura, potrebno je zadati cvorove";
const char* const kEdgeRefused = "Nije moguće zapisati podatke o granama u listu";
const char* const kMissingEdgeNode = "Nepostojeći ulazni ili izlazni čvor grana";
const char* const kBadEdgeLine = "Neispravna struktura podataka pri zadavanju grana";
const char* const kNoEdges = "Neispravna struktura, potrebno je zadati grane";
const char* const kMissingPairNode = "Nepostojeći izvorišni ili odredišni čvor strukture";
const char* const kBadPair = "Neispravna struktura pri zadavanju izvorišta i odredišta";
const char* const kNotEnoughData = "Nedovoljno podataka za generiranje strukture";
const char* const kNoDirection = "Neispravna struktura pri zadavanju usmjerenosti";
const char* const kCannotReposition = "Onemogućen pristup ili pozicioniranje u datoteci";

Sections withNodes(std::string nodes)
{
    Sections s;
    s.nodes = std::move(nodes);
    return s;
}

Sections withEdges(std::string edges)
{
    Sections s;
    s.edges = std::move(edges);
    return s;
}

Sections withPair(std::string pair)
{
    Sections s;
    s.pair = std::move(pair);
    return s;
}

Sections withDirection(std::string direction)
{
    Sections s;
    s.direction = std::move(direction);
    return s;
}

struct MessageCase {
    const char* name;
    std::string text;
    const char* message;
};

std::vector<MessageCase> messageCases()
{
    const std::string header = "struktura:\n{\n";
    const std::string directed = section("usmjeren", "da;\n");
    const std::string nodes = section("cvorovi", "1 , 0.9;\n2 , 0.95;\n3 , 1;\n");
    const std::string edges = section("grane", "4 , 1 , 2 , 0.99;\n");
    return {
        {"EmptyFile", "", kIllegalEnd},
        {"HeaderWithoutBrace", "struktura:\n", kIllegalEnd},
        {"NothingAfterHeaderBrace", "struktura:\n{\n", kIllegalEnd},
        {"HeaderOnlyInAComment", "// struktura:\n{\n" + directed, kIllegalEnd},
        {"NoHeaderAtAll", directed + nodes + edges, kIllegalEnd},
        {"EndsInsideDirectedness", header + "usmjeren:\n{\nda;\n", kIllegalEnd},
        {"EndsBeforeNodeOpening", header + directed + "cvorovi:\n", kIllegalEnd},
        {"EndsInsideNodeSection", header + directed + "cvorovi:\n{\n1 , 0.9;\n", kIllegalEnd},
        {"EndsInsideEdgeSection", header + directed + nodes + "grane:\n{\n4 , 1 , 2 , 0.5;\n", kIllegalEnd},
        {"EndsBeforePairOpening", header + directed + nodes + edges + "par:\n", kIllegalEnd},
        {"NodeAvailabilityAboveOne", compose(withNodes("1 , 1.5;\n2 , 0.95;\n3 , 1;\n")), kNodeRefused},
        {"NodeAvailabilityNegative", compose(withNodes("1 , -0.1;\n2 , 0.95;\n3 , 1;\n")), kNodeRefused},
        {"NodeAvailabilityNotANumber", compose(withNodes("1 , nan;\n2 , 0.95;\n3 , 1;\n")), kNodeRefused},
        {"NodeAvailabilityInfinite", compose(withNodes("1 , inf;\n2 , 0.95;\n3 , 1;\n")), kNodeRefused},
        {"NodeLabelTwice", compose(withNodes("1 , 0.9;\n2 , 0.95;\n1 , 1;\n")), kNodeRefused},
        {"NodeLabelJustAbove32Bits", compose(withNodes("2147483648 , 0.9;\n")), kNodeRefused},
        {"NodeLabelJustBelow32Bits", compose(withNodes("-2147483649 , 0.9;\n")), kNodeRefused},
        // Cut to 32 bits it would be node 1 again.
        {"NodeLabelWrapsToExisting", compose(withNodes("1 , 0.9;\n4294967297 , 0.5;\n")), kNodeRefused},
        {"NodeLabelBeyond64Bits", compose(withNodes("99999999999999999999999 , 0.5;\n")), kNodeRefused},
        {"NodeLineWithThreeFields", compose(withNodes("1 , 0.9 , 7;\n2 , 0.95;\n3 , 1;\n")), kBadNodeLine},
        {"NodeLineWithOneField", compose(withNodes("1 , 0.9;\n2;\n3 , 1;\n")), kBadNodeLine},
        {"NodeLineOfTabsOnly", compose(withNodes("1 , 0.9;\n\t\t\n2 , 0.95;\n3 , 1;\n")), kBadNodeLine},
        {"NodeSectionEmpty", compose(withNodes("")), kNoNodes},
        {"NodeSectionOnlyCommentsAndBlanks", compose(withNodes("// 1 , 0.9;\n\n   \n;\n , ;\n")), kNoNodes},
        {"EdgeAvailabilityAboveOne", compose(withEdges("4 , 1 , 2 , 1.01;\n")), kEdgeRefused},
        {"EdgeLabelTwice", compose(withEdges("4 , 1 , 2 , 0.9;\n4 , 2 , 3 , 0.9;\n")), kEdgeRefused},
        {"EdgeLabelBeyond32Bits", compose(withEdges("4294967300 , 1 , 2 , 0.9;\n")), kEdgeRefused},
        {"EdgeFromMissingNode", compose(withEdges("4 , 9 , 2 , 0.9;\n")), kMissingEdgeNode},
        {"EdgeToMissingNode", compose(withEdges("4 , 1 , 9 , 0.9;\n")), kMissingEdgeNode},
        // Cut to 32 bits these would name nodes 1 and 3.
        {"EdgeFromNodeBeyond32Bits", compose(withEdges("4 , 4294967297 , 2 , 0.9;\n")), kMissingEdgeNode},
        {"EdgeToNodeBeyond32Bits", compose(withEdges("4 , 1 , -4294967293 , 0.9;\n")), kMissingEdgeNode},
        {"EdgeLineWithThreeFields", compose(withEdges("4 , 1 , 2;\n")), kBadEdgeLine},
        {"EdgeLineWithOneField", compose(withEdges("4 , 1 , 2 , 0.9;\n5;\n")), kBadEdgeLine},
        {"EdgeSectionEmpty", compose(withEdges("// 4 , 1 , 2 , 0.9;\n")), kNoEdges},
        {"PairWithMissingNode", compose(withPair("1 , 9;\n")), kMissingPairNode},
        {"PairWithMissingSource", compose(withPair("8 , 3;\n")), kMissingPairNode},
        {"PairBeyond32Bits", compose(withPair("4294967297 , 3;\n")), kMissingPairNode},
        {"PairWithOneField", compose(withPair("1;\n")), kBadPair},
        {"PairSectionEmpty", compose(withPair("")), kBadPair},
        {"PairSectionOnlyComments", compose(withPair("// 1 , 3;\n")), kBadPair},
        {"NoEdgeSection", header + directed + nodes + section("par", "1 , 3;\n") + "}\n", kNotEnoughData},
        {"NoNodeSection", header + directed + edges + section("par", "1 , 3;\n") + "}\n", kNotEnoughData},
        {"NoDirectednessSection", header + nodes + edges + section("par", "1 , 3;\n") + "}\n", kNotEnoughData},
        {"DirectednessBeforeHeader", directed + header + nodes + edges + "}\n", kNotEnoughData},
        {"KeywordInACommentOnly", header + directed + "// cvorovi:\n{\n1 , 0.9;\n}\n" + edges + "}\n",
         kNotEnoughData},
        // Two "{" seen by the scan and three "}" close the block before the
        // sections are reached.
        {"StrayClosingBraceEndsTheScan", header + "{\n}\n}\n" + directed + nodes + edges + "}\n", kNotEnoughData},
        // After the first rewind the header's "{" is counted and the empty
        // block's "}" matches it.
        {"EmptyStructureBlockEndsTheScanAfterARewind", header + "}\n" + directed + nodes + edges + "}\n",
         kNotEnoughData},
        {"DirectednessWithoutDaOrNe", compose(withDirection("usmjerena;\n")), kNoDirection},
        {"DirectednessSectionEmpty", compose(withDirection("")), kNoDirection},
        // The "{" of the keyword line is never seen: the node lines are skipped
        // while the opening line is sought, and the edge section's "{" opens
        // the node section, whose first line then has four fields.
        {"KeywordAndBraceOnOneLine",
         header + directed + "cvorovi: {\n1 , 0.9;\n2 , 0.95;\n3 , 1;\n}\n" + edges + "}\n", kBadNodeLine},
        // Of a 257-character line only its last character stays, so node 3
        // is missing.
        {"LineOf257CharactersKeepsOnlyItsLast",
         compose(withNodes("1 , 0.9;\n2 , 0.95;\n" + std::string(251, ' ') + "3 , 1;\n")) , kMissingEdgeNode},
    };
}

void PrintTo(const MessageCase& c, std::ostream* out)
{
    *out << c.name;
}

class ReaderMessage : public ::testing::TestWithParam<MessageCase> {};

TEST_P(ReaderMessage, FailsWithItsMessage)
{
    ReadOutcome out;
    readText(GetParam().text, out);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.message, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(Files, ReaderMessage, ::testing::ValuesIn(messageCases()),
                         [](const ::testing::TestParamInfo<MessageCase>& info) { return info.param.name; });

// Every cell of a matrix that holds 1, as (row, column) pairs.
std::set<std::pair<int, int>> onesOf(const ByteMatrix& m)
{
    std::set<std::pair<int, int>> ones;
    for (int r = 0; r <= m.lastRow(); ++r)
        for (int c = 0; c <= m.lastColumn(); ++c) {
            EXPECT_TRUE(m.get(c, r) == 0 || m.get(c, r) == 1) << r << ',' << c;
            if (m.get(c, r) == 1)
                ones.insert({r, c});
        }
    return ones;
}

struct ExpectedElement {
    std::int32_t label;
    std::int32_t kind;
    long double availability;
};

void expectElements(const ElementList& elements, const std::vector<ExpectedElement>& expected)
{
    ASSERT_EQ(elements.count(), static_cast<int>(expected.size()));
    for (int i = 0; i < elements.count(); ++i) {
        const ElementEntry* entry = elements.entryAt(i);
        EXPECT_EQ(entry->index, i);
        EXPECT_EQ(entry->label, expected[static_cast<std::size_t>(i)].label) << i;
        EXPECT_EQ(entry->kind, expected[static_cast<std::size_t>(i)].kind) << i;
        EXPECT_EQ(entry->availability, expected[static_cast<std::size_t>(i)].availability) << i;
    }
}

void expectExampleStructure(const ReadOutcome& out)
{
    ASSERT_TRUE(out.ok) << out.message;
    EXPECT_EQ(out.message, "");
    expectElements(out.elements, {{1, NodeKind, 0.9L},
                                  {2, NodeKind, 0.95L},
                                  {3, NodeKind, 1.0L},
                                  {4, EdgeKind, 0.99L},
                                  {5, EdgeKind, 0.98L},
                                  {6, EdgeKind, 0.5L}});
    EXPECT_EQ(out.directedValue, 1);
    EXPECT_TRUE(out.pairGiven);
    EXPECT_EQ(out.sourceIndex, 0);
    EXPECT_EQ(out.destinationIndex, 2);
    EXPECT_EQ(out.directedMatrix.rowCount(), 6);
    EXPECT_EQ(out.directedMatrix.columnCount(), 6);
    EXPECT_EQ(out.undirectedMatrix.rowCount(), 6);
    EXPECT_EQ(out.undirectedMatrix.columnCount(), 6);
    const std::set<std::pair<int, int>> directed{{0, 3}, {3, 1}, {1, 4}, {4, 2}, {0, 5}, {5, 2}};
    EXPECT_EQ(onesOf(out.directedMatrix), directed);
    std::set<std::pair<int, int>> undirected;
    for (auto [r, c] : directed) {
        undirected.insert({r, c});
        undirected.insert({c, r});
    }
    EXPECT_EQ(onesOf(out.undirectedMatrix), undirected);
    ASSERT_EQ(out.elementState.count(), 6);
    const int states[] = {0, 0, 1, 0, 0, 0};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(out.elementState.get(i), states[i]) << i;
}

} // namespace

TEST(StructureReader, ExampleFile)
{
    ReadOutcome out;
    readText(kExampleFile, out);
    expectExampleStructure(out);
}

TEST(StructureReader, SectionsInReverseOrder)
{
    ReadOutcome out;
    readText("struktura:\n{\n" + section("   par", "      1 , 3;\n")
                 + section("   grane", "      4 , 1 , 2 , 0.99;\n      5 , 2 , 3 , 0.98;\n      6 , 1 , 3 , 0.5;\n")
                 + section("   cvorovi", "      1 , 0.9;\n      2 , 0.95;\n      3 , 1;\n")
                 + section("   usmjeren", "      da;\n") + "}\n",
             out);
    expectExampleStructure(out);
}

TEST(StructureReader, CommentsTextAndOtherSpacingAroundTheSections)
{
    ReadOutcome out;
    readText("Ovo je opis strukture bez ključnih riječi.\n"
             "// struktura: u komentaru se ne broji\n"
             "\n"
             "   struktura :\n"
             "tekst izmedu\n"
             "   {\n"
             "// usmjeren:\n"
             "xusmjeren:x\n"
             "nebitno\n"
             "{\n"
             "   da\n"
             "}\n"
             "cvorovi:\n"
             "{\n"
             "1,0.9\n"
             "\t2 ,\t0.95 ;\n"
             "// 7 , 0.1;\n"
             "3 , 1 ; ignored\n"
             "}\n"
             "grane:\n{\n4,1,2,0.99\n5 , 2 , 3 , 0.98 , peto polje\n6 , 1 , 3 , 0. 5;\n}\n"
             "xpar:\n{\n1 , 2;\n1 , 3;\n}\n"
             "}\n",
             out);
    expectExampleStructure(out);
}

TEST(StructureReader, CarriageReturnLineFeedFile)
{
    std::string crlf;
    for (char c : kExampleFile) {
        if (c == '\n')
            crlf += '\r';
        crlf += c;
    }
    ReadOutcome out;
    readText(crlf, out);
    expectExampleStructure(out);
}

TEST(StructureReader, BytesFFAndZeroAreOrdinaryCharacters)
{
    const std::string junk = std::string("\xFF\n\xFF\xFF junk\n") + '\0' + "\n\xFF" + "\xFE\n";
    std::string text = kExampleFile;
    text.insert(text.find("   usmjeren"), junk);
    text.insert(text.find("   grane"), junk);
    ReadOutcome out;
    readText(text, out);
    expectExampleStructure(out);
}

TEST(StructureReader, ByteFFInsideAnEntryEndsTheNumberOnly)
{
    ReadOutcome out;
    readText(compose(withNodes("1 , 0.9\xFF;\n2 , 0.95;\n3\xFF , 1;\n")), out);
    expectExampleStructure(out);
}

TEST(StructureReader, LineOf300CharactersKeepsItsLast44)
{
    // 256 characters of junk, then the entry: the buffer restarts at the
    // 257th character and keeps the entry.
    const std::string entry = "2 , 0.95;";
    const std::string line = std::string(256, 'x') + entry + std::string(300 - 256 - entry.size(), ' ');
    ASSERT_EQ(line.size(), 300u);
    ReadOutcome out;
    readText(compose(withNodes("1 , 0.9;\n" + line + "\n3 , 1;\n")), out);
    expectExampleStructure(out);
}

TEST(StructureReader, LineOfExactly256CharactersIsKeptWhole)
{
    const std::string line = std::string(250, ' ') + "3 , 1;";
    ASSERT_EQ(line.size(), 256u);
    ReadOutcome out;
    readText(compose(withNodes("1 , 0.9;\n2 , 0.95;\n" + line + "\n")), out);
    expectExampleStructure(out);
}

TEST(StructureReader, NodeLineWithTrailingCommentAddsNoNode)
{
    ReadOutcome out;
    readText(compose(Sections{"da;\n", "1 , 0.9 // prvi\n2 , 0.95;\n3 , 1;\n", "5 , 2 , 3 , 0.98;\n", "2 , 3;\n"}),
             out);
    ASSERT_TRUE(out.ok) << out.message;
    int index = -1;
    EXPECT_FALSE(out.elements.find(1, NodeKind, index));
    expectElements(out.elements, {{2, NodeKind, 0.95L}, {3, NodeKind, 1.0L}, {5, EdgeKind, 0.98L}});
}

TEST(StructureReader, EdgeLineWithFiveFieldsIsAccepted)
{
    ReadOutcome out;
    readText(compose(withEdges("4 , 1 , 2 , 0.99 , 17;\n5 , 2 , 3 , 0.98;\n6 , 1 , 3 , 0.5;\n")), out);
    expectExampleStructure(out);
}

TEST(StructureReader, TabIndentedEntriesAreRead)
{
    ReadOutcome out;
    readText(compose(Sections{"\tda;\n", "\t1 , 0.9;\n\t2 , 0.95;\n\t3 , 1;\n",
                              "\t4 , 1 , 2 , 0.99;\n\t5 , 2 , 3 , 0.98;\n\t6 , 1 , 3 , 0.5;\n", "\t1 , 3;\n"}),
             out);
    expectExampleStructure(out);
}

TEST(StructureReader, FileWithoutPairKeepsTheIndices)
{
    ReadOutcome out;
    out.sourceIndex = 7;
    out.destinationIndex = 9;
    readText("struktura:\n{\n" + section("usmjeren", "ne;\n") + section("cvorovi", "1 , 0.9;\n2 , 0.8;\n")
                 + section("grane", "3 , 1 , 2 , 0.7;\n") + "}\n",
             out);
    ASSERT_TRUE(out.ok) << out.message;
    EXPECT_FALSE(out.pairGiven);
    EXPECT_EQ(out.sourceIndex, 7);
    EXPECT_EQ(out.destinationIndex, 9);
    EXPECT_EQ(out.directedValue, 0);
    expectElements(out.elements, {{1, NodeKind, 0.9L}, {2, NodeKind, 0.8L}, {3, EdgeKind, 0.7L}});
}

TEST(StructureReader, BalanceEndsTheScanOnlyAfterAnOpeningItCounted)
{
    // The scan starts inside the header's block: its "}" brings the count to
    // 0 before any "{" was counted, which does not end the scan.
    ReadOutcome out;
    readText("struktura:\n{\n}\n{\n" + section("usmjeren", "da;\n")
                 + section("cvorovi", "1 , 0.9;\n2 , 0.95;\n3 , 1;\n")
                 + section("grane", "4 , 1 , 2 , 0.99;\n5 , 2 , 3 , 0.98;\n6 , 1 , 3 , 0.5;\n")
                 + section("par", "1 , 3;\n") + "}\n",
             out);
    expectExampleStructure(out);
}

TEST(StructureReader, DirectednessTakesTheLastLineWithDaOrNe)
{
    struct Case {
        const char* body;
        int directed;
    };
    const Case cases[] = {
        {"ne;\n", 0},
        {"da;\n", 1},
        {"// da\n", 1},
        {"ne;\n// da\n", 1},
        {"da;\nne;\n", 0},
        {"danas ne\n", 1}, // "da" is looked for first
        {"   \nne\n", 0},
    };
    for (const Case& c : cases) {
        ReadOutcome out;
        readText(compose(withDirection(c.body)), out);
        ASSERT_TRUE(out.ok) << c.body << out.message;
        EXPECT_EQ(out.directedValue, c.directed) << c.body;
    }
}

TEST(StructureReader, DirectednessWithoutDaOrNeEndsInsteadOfLooping)
{
    auto read = std::async(std::launch::async, [] {
        ReadOutcome out;
        readText(compose(withDirection("x;\n")), out);
        return std::make_pair(out.ok, out.message);
    });
    if (read.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        ADD_FAILURE() << "the reader does not end";
        std::_Exit(1);
    }
    const auto [ok, message] = read.get();
    EXPECT_FALSE(ok);
    EXPECT_EQ(message, kNoDirection);
}

TEST(StructureReader, NumbersAreConvertedAsInTheCLocale)
{
    ReadOutcome out;
    readText(compose(Sections{"da;\n", "+1 , .9;\n2abc , 9.5E-1;\n-3 , 1.0;\nx , 0;\n",
                              "4 , 1 , 2 , 2.5E-6;\n5 , 2 , -3 , 1e0;\n6 , 0 , -3 , 0.5x;\n", "1 , -3;\n"}),
             out);
    ASSERT_TRUE(out.ok) << out.message;
    expectElements(out.elements, {{1, NodeKind, 0.9L},
                                  {2, NodeKind, 0.95L},
                                  {-3, NodeKind, 1.0L},
                                  {0, NodeKind, 0.0L},
                                  {4, EdgeKind, 2.5E-6L},
                                  {5, EdgeKind, 1.0L},
                                  {6, EdgeKind, 0.5L}});
    EXPECT_EQ(out.destinationIndex, 2);
    const int states[] = {0, 0, 1, -1, 0, 1, 0};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(out.elementState.get(i), states[i]) << i;
}

TEST(StructureReader, ExtremeThirtyTwoBitLabelsAreAccepted)
{
    ReadOutcome out;
    readText(compose(Sections{"ne;\n", "2147483647 , 0.5;\n-2147483648 , 0.5;\n", "2147483647 , 2147483647 , "
                                                                                   "-2147483648 , 0.5;\n",
                              "-2147483648 , 2147483647;\n"}),
             out);
    ASSERT_TRUE(out.ok) << out.message;
    expectElements(out.elements,
                   {{2147483647, NodeKind, 0.5L}, {-2147483647 - 1, NodeKind, 0.5L}, {2147483647, EdgeKind, 0.5L}});
    EXPECT_EQ(out.sourceIndex, 1);
    EXPECT_EQ(out.destinationIndex, 0);
}

TEST(StructureReader, LaterPairLineReplacesAnEarlierOne)
{
    ReadOutcome out;
    readText(compose(withPair("2 , 3;\n1 , 3;\n")), out);
    expectExampleStructure(out);
}

TEST(StructureReader, ReusedReaderStartsAfresh)
{
    TempDir dir;
    StructureFileReader reader;
    ReadOutcome first;
    readInto(reader, dir.write("a.dsm", kExampleFile), first);
    ASSERT_TRUE(first.ok);
    ReadOutcome second;
    readInto(reader, dir.write("b.dsm", "struktura:\n{\n" + section("usmjeren", "ne;\n")
                                            + section("cvorovi", "1 , 1;\n2 , 1;\n")
                                            + section("grane", "3 , 1 , 2 , 0.5;\n") + "}\n"),
             second);
    ASSERT_TRUE(second.ok) << second.message;
    EXPECT_FALSE(second.pairGiven);
    EXPECT_EQ(second.directedValue, 0);
    ReadOutcome third;
    readInto(reader, dir.write("c.dsm", compose(withDirection("?\n"))), third);
    EXPECT_FALSE(third.ok);
    EXPECT_EQ(reader.directedGiven, 0);
}

TEST(StructureReader, MissingFileCannotBeOpened)
{
    StructureFileReader reader;
    ReadOutcome out;
    readInto(reader, "/nonexistent-velmor-dir/structure.dsm", out);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.message, "Nije moguće otvoriti zadanu datoteku");
}

TEST(StructureReader, DirectoryEndsBeforeTheHeader)
{
    TempDir dir;
    StructureFileReader reader;
    ReadOutcome out;
    readInto(reader, dir.path(""), out);
    EXPECT_FALSE(out.ok);
    EXPECT_TRUE(out.message == "Nije moguće otvoriti zadanu datoteku" || out.message == kIllegalEnd)
        << out.message;
}

TEST(StructureReader, FileThatCannotBeRewoundIsRefused)
{
    TempDir dir;
    const std::string fifo = dir.path("pipe.dsm");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Holding both ends open lets the reader open the pipe without waiting.
    const int keeper = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(keeper, 0);
    ASSERT_EQ(::write(keeper, kExampleFile.data(), 32), 32);
    StructureFileReader reader;
    ReadOutcome out;
    readInto(reader, fifo, out);
    ::close(keeper);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.message, "Onemogućen pristup zadanoj datoteci");
}

TEST(StructureReader, FailedRewindAfterASection)
{
    // Each section ends with a rewind; the first one of the read comes before
    // the header.
    for (int allowed = 1; allowed <= 4; ++allowed) {
        TempDir dir;
        StructureFileReader reader;
        reader.file.failRewindsAfter(allowed);
        ReadOutcome out;
        readInto(reader, dir.write("s.dsm", kExampleFile), out);
        EXPECT_FALSE(out.ok) << allowed;
        EXPECT_EQ(out.message, kCannotReposition) << allowed;
    }
}

TEST(StructureReader, MatricesMustBeSquareAndOfOneSize)
{
    TempDir dir;
    const std::string path = dir.write("s.dsm", kExampleFile);
    struct Case {
        int directedColumns, directedRows, undirectedColumns, undirectedRows;
    };
    for (const Case c : {Case{2, 3, 2, 2}, Case{2, 2, 3, 3}, Case{0, 0, 1, 1}, Case{1, 1, 2, 1}}) {
        StructureFileReader reader;
        ReadOutcome out;
        if (c.directedColumns > 0) {
            ASSERT_TRUE(out.directedMatrix.allocate(c.directedColumns, c.directedRows));
        }
        ASSERT_TRUE(out.undirectedMatrix.allocate(c.undirectedColumns, c.undirectedRows));
        readInto(reader, path, out);
        EXPECT_FALSE(out.ok);
        EXPECT_EQ(out.message, "Pogrešna inicijalizacija ulazne matrice");
        EXPECT_EQ(out.elements.count(), 0);
    }
}

TEST(StructureReader, ElementsNumberedAfterTheMatricesRows)
{
    // Matrices that already have a row make the elements' matrix indices run
    // one ahead of the list, so the last element cannot be read back.
    TempDir dir;
    StructureFileReader reader;
    ReadOutcome out;
    ASSERT_TRUE(out.directedMatrix.allocate(1, 1));
    ASSERT_TRUE(out.undirectedMatrix.allocate(1, 1));
    readInto(reader, dir.write("s.dsm", kExampleFile), out);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.message, "Greška u pretrazivanju povezane liste");
    EXPECT_EQ(out.directedMatrix.rowCount(), 7);
}

TEST(StructureReader, TooManyElementsAreRefusedBeforeTheMatricesGrow)
{
    EXPECT_GE(StructureFileReader::defaultMaxElements(), 10000); // any machine this runs on
    StructureFileReader reader;
    reader.maxElements = 300;
    std::string nodes;
    for (int i = 1; i <= reader.maxElements + 1; ++i)
        nodes += std::to_string(i) + " , 0.5;\n";
    ReadOutcome out;
    TempDir dir;
    readInto(reader, dir.write("big.dsm", compose(withNodes(nodes))), out);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.message, "Struktura je prevelika za raspoloživu memoriju: dopušteno je najviše 300 elemenata");
    EXPECT_EQ(out.elements.count(), reader.maxElements);
    EXPECT_TRUE(out.directedMatrix.empty());
}

TEST(StructureReader, LargeStructureLoads)
{
    std::string nodes;
    for (int i = 1; i <= 2000; ++i)
        nodes += std::to_string(i) + " , 0.5;\n";
    std::string edges;
    for (int i = 1; i <= 2000; ++i)
        edges += std::to_string(i) + " , " + std::to_string(i) + " , " + std::to_string(i % 2000 + 1) + " , 0.9;\n";
    ReadOutcome out;
    readText(compose(Sections{"ne;\n", nodes, edges, "1 , 2000;\n"}), out);
    ASSERT_TRUE(out.ok) << out.message;
    EXPECT_EQ(out.directedMatrix.rowCount(), 4000);
    // Edge 1 (index 2000) leads from node 1 (index 0) to node 2 (index 1);
    // edge 2000 (index 3999) from node 2000 (index 1999) back to node 1.
    EXPECT_EQ(out.directedMatrix.get(2000, 0), 1);
    EXPECT_EQ(out.directedMatrix.get(1, 2000), 1);
    EXPECT_EQ(out.directedMatrix.get(0, 2000), 0);
    EXPECT_EQ(out.directedMatrix.get(3999, 1999), 1);
    EXPECT_EQ(out.directedMatrix.get(0, 3999), 1);
    EXPECT_EQ(out.undirectedMatrix.get(3999, 0), 1);
    EXPECT_EQ(out.destinationIndex, 1999);
}

namespace {

const std::set<std::string>& knownMessages()
{
    static const std::set<std::string> messages{
        "Nije moguće otvoriti zadanu datoteku",
        "Onemogućen pristup zadanoj datoteci",
        "Pogrešna inicijalizacija ulazne matrice",
        kIllegalEnd,
        kCannotReposition,
        kNodeRefused,
        kBadNodeLine,
        kNoNodes,
        kEdgeRefused,
        kMissingEdgeNode,
        kBadEdgeLine,
        kNoEdges,
        kMissingPairNode,
        kBadPair,
        "Greška u pretrazivanju povezane liste",
        kNotEnoughData,
        kNoDirection,
    };
    return messages;
}

// Checks what any read must give: a known message on failure, and on
// success containers that agree with each other.
void expectSoundOutcome(const ReadOutcome& out, const std::string& what)
{
    if (!out.ok) {
        EXPECT_EQ(knownMessages().count(out.message), 1u) << what << ": " << out.message;
        return;
    }
    const int n = out.elements.count();
    EXPECT_EQ(out.directedMatrix.rowCount(), n) << what;
    EXPECT_EQ(out.directedMatrix.columnCount(), n) << what;
    EXPECT_EQ(out.undirectedMatrix.rowCount(), n) << what;
    EXPECT_EQ(out.elementState.count(), n) << what;
    if (out.pairGiven) {
        ASSERT_NE(out.elements.entryAt(out.sourceIndex), nullptr) << what;
        ASSERT_NE(out.elements.entryAt(out.destinationIndex), nullptr) << what;
        EXPECT_EQ(out.elements.entryAt(out.sourceIndex)->kind, NodeKind) << what;
        EXPECT_EQ(out.elements.entryAt(out.destinationIndex)->kind, NodeKind) << what;
    }
}

} // namespace

TEST(StructureReaderRobustness, RandomBytes)
{
    std::mt19937 random(20240611);
    TempDir dir;
    for (int round = 0; round < 300; ++round) {
        std::string bytes(random() % 3000, '\0');
        // Mostly the characters the reader reacts to, so that sections occur.
        const std::string alphabet = "struktura:{}usmjerendacvorovigranepar,;/ \t\r\n0123456789.-E\xFF";
        for (char& c : bytes)
            c = random() % 4 == 0 ? static_cast<char>(random() % 256) : alphabet[random() % alphabet.size()];
        StructureFileReader reader;
        ReadOutcome out;
        // A fresh name each round: truncating a file costs more than a new one.
        readInto(reader, dir.write("junk" + std::to_string(round) + ".dsm", bytes), out);
        expectSoundOutcome(out, "round " + std::to_string(round));
    }
}

TEST(StructureReaderRobustness, MutatedExample)
{
    std::mt19937 random(7);
    TempDir dir;
    int loaded = 0;
    for (int round = 0; round < 1000; ++round) {
        std::string text = kExampleFile;
        for (int edits = 1 + static_cast<int>(random() % 4); edits > 0; --edits) {
            const std::size_t at = random() % text.size();
            switch (random() % 4) {
            case 0: text.erase(at, 1 + random() % 8); break;
            case 1: text.insert(at, 1, "{};,:/\n\xFF"[random() % 9]); break;
            case 2: text[at] = static_cast<char>(random() % 256); break;
            default: text.insert(at, text.substr(random() % text.size(), random() % 40)); break;
            }
            if (text.empty())
                text = "x";
        }
        StructureFileReader reader;
        ReadOutcome out;
        readInto(reader, dir.write("mutated" + std::to_string(round) + ".dsm", text), out);
        expectSoundOutcome(out, "round " + std::to_string(round));
        loaded += out.ok;
    }
    // Many small edits leave a readable file; the check above covers both.
    EXPECT_GT(loaded, 0);
}

TEST(StructureReaderRobustness, HugeLineWithoutLineFeed)
{
    TempDir dir;
    std::string text = "struktura:\n{\n" + std::string(4 << 20, '{');
    StructureFileReader reader;
    ReadOutcome out;
    readInto(reader, dir.write("huge.dsm", text), out);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.message, kNotEnoughData);
}
