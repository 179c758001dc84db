// Hostile and oversized structure files: each must end quickly with one of
// the reader's messages or with a sound structure, never a crash or a hang.

#include "platform/Numbers.h"
#include "structure/StructureFileReader.h"
#include "structure/StructureFileWriter.h"

#include "StructureFiles.h"
#include "TempFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <random>
#include <string>
#include <utility>

using namespace velmor;
using namespace velmor::testing;

namespace {

const char* const kIllegalEnd = "Onemogućen pristup ili ilegalan kraj datoteke";
const char* const kNodeRefused = "Nije moguće zapisati podatke o čvorovima u listu";
const char* const kEdgeRefused = "Nije moguće zapisati podatke o granama u listu";
const char* const kBadNodeLine = "Neispravna struktura podataka pri zadavanju cvorova";
const char* const kNoDirection = "Neispravna struktura pri zadavanju usmjerenosti";

Sections withNodesText(std::string nodes)
{
    Sections s;
    s.nodes = std::move(nodes);
    return s;
}

Sections withEdgesText(std::string edges)
{
    Sections s;
    s.edges = std::move(edges);
    return s;
}

// Reads the text on another thread; a read that does not end within the
// limit fails the test and ends the process, since it cannot be abandoned.
void readGuarded(const std::string& text, ReadOutcome& out, std::chrono::seconds limit = std::chrono::seconds(120))
{
    auto reading = std::async(std::launch::async, [&text, &out] { readText(text, out); });
    if (reading.wait_for(limit) != std::future_status::ready) {
        ADD_FAILURE() << "the reader does not end";
        std::fflush(nullptr);
        std::_Exit(1);
    }
    reading.get();
}

// The example structure as the reader must give it back.
void expectExample(const ReadOutcome& out)
{
    ASSERT_TRUE(out.ok) << out.message;
    ASSERT_EQ(out.elements.count(), 6);
    const std::int32_t labels[] = {1, 2, 3, 4, 5, 6};
    const long double availabilities[] = {0.9L, 0.95L, 1, 0.99L, 0.98L, 0.5L};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(out.elements.entryAt(i)->label, labels[i]);
        EXPECT_EQ(out.elements.entryAt(i)->kind, i < 3 ? NodeKind : EdgeKind);
        EXPECT_EQ(out.elements.entryAt(i)->availability, availabilities[i]);
    }
    EXPECT_EQ(out.directedValue, 1);
    EXPECT_EQ(out.sourceIndex, 0);
    EXPECT_EQ(out.destinationIndex, 2);
    EXPECT_EQ(out.directedMatrix.get(3, 0), 1);
    EXPECT_EQ(out.directedMatrix.get(1, 3), 1);
    EXPECT_EQ(out.directedMatrix.get(2, 5), 1);
}

std::string randomBytes(std::mt19937& random, std::size_t size)
{
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random() & 0xFF);
    return bytes;
}

// Lines of junk that no section of the reader reacts to: no ":", no braces,
// no "//".
std::string junkLines(std::mt19937& random, std::size_t size)
{
    std::string text;
    text.reserve(size + 80);
    const std::string alphabet = "abcdefghijklmnopqrstuvwxyz0123456789 ,;.\t";
    while (text.size() < size) {
        const std::size_t length = random() % 80;
        for (std::size_t i = 0; i < length; ++i)
            text += alphabet[random() % alphabet.size()];
        text += '\n';
    }
    return text;
}

} // namespace

// --- Binary junk ----------------------------------------------------------------------

TEST(StructureReaderBadInput, BinaryJunkIsAMessage)
{
    std::mt19937 random(99);
    for (const std::size_t size : {std::size_t{1}, std::size_t{255}, std::size_t{4096}, std::size_t{1} << 20}) {
        ReadOutcome out;
        readGuarded(randomBytes(random, size), out);
        EXPECT_FALSE(out.ok) << size;
        EXPECT_EQ(out.message, kIllegalEnd) << size; // no header in it
    }
    for (const char fill : {'\0', '\xFF', '\r', '\n'}) {
        ReadOutcome out;
        readGuarded(std::string(100000, fill), out);
        EXPECT_FALSE(out.ok);
        EXPECT_EQ(out.message, kIllegalEnd) << static_cast<int>(static_cast<unsigned char>(fill));
    }
}

TEST(StructureReaderBadInput, BinaryJunkAroundTheStructureIsIgnored)
{
    // Text outside the sections does not matter as long as it opens and
    // closes no block: binary junk without braces, colons or "//".
    std::mt19937 random(5);
    std::string junk = randomBytes(random, 256 * 1024);
    for (char& c : junk)
        if (c == '{' || c == '}' || c == ':' || c == '/')
            c = '\x7F';
    std::string text = kExampleFile;
    text.insert(text.find("   cvorovi:"), junk + "\n");
    ReadOutcome out;
    readGuarded(junk + "\n" + text + junk, out);
    expectExample(out);
}

// --- Size --------------------------------------------------------------------------------

TEST(StructureReaderBadInput, TenMegabyteFileIsReadThrough)
{
    // Every section read rewinds and scans from the start again, so the
    // junk before the header is read five times.
    std::mt19937 random(10);
    const std::string junk = junkLines(random, 10u << 20);
    ReadOutcome out;
    readGuarded(junk + kExampleFile + junk, out);
    expectExample(out);
}

TEST(StructureReaderBadInput, TenMegabytesOfRepeatedSections)
{
    // The first section of each kind counts; the others are ordinary lines
    // whose braces balance.
    const std::string sections = compose(Sections{});
    const std::string body = sections.substr(sections.find("usmjeren"));
    std::string text = "struktura:\n{\n   ";
    while (text.size() < (10u << 20))
        text += body.substr(0, body.size() - 2) + "   "; // without the closing "}\n" of the structure
    text += "}\n";
    ReadOutcome out;
    readGuarded(text, out);
    expectExample(out);
}

TEST(StructureReaderBadInput, DeeplyNestedBlocks)
{
    // A million unmatched "{" before the sections and as many "}" after
    // them: only the counter grows.
    const std::string sections = compose(Sections{});
    const std::string body = sections.substr(sections.find("usmjeren"));
    std::string opening;
    std::string closing;
    for (int i = 0; i < 1000000; ++i) {
        opening += "{\n";
        closing += "}\n";
    }
    ReadOutcome out;
    readGuarded("struktura:\n{\n" + opening + body.substr(0, body.size() - 2) + closing + "}\n", out);
    expectExample(out);
}

TEST(StructureReaderBadInput, RepeatedDirectednessSectionsWithoutDaOrNe)
{
    // The first one ends the load instead of being found again after every
    // rewind.
    std::string text = "struktura:\n{\n";
    for (int i = 0; i < 100000; ++i)
        text += "usmjeren:\n{\nx;\n}\n";
    ReadOutcome out;
    readGuarded(text + "}\n", out);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.message, kNoDirection);
}

// --- Long lines ----------------------------------------------------------------------------

TEST(StructureReaderBadInput, MegabyteLineKeepsOnlyItsLastPart)
{
    // Of a line the buffer keeps what came after its last restart: here the
    // entry that ends a line of exactly 4097 buffer lengths.
    const std::string entry = "2 , 0.95;";
    const std::string line = std::string(4096 * 256, 'x') + entry;
    ReadOutcome out;
    readGuarded(compose(withNodesText("1 , 0.9;\n" + line + "\n3 , 1;\n")), out);
    expectExample(out);
}

TEST(StructureReaderBadInput, MegabyteLineOfJunkInASection)
{
    // The kept tail is junk without a comma: one field, a wrong node line.
    ReadOutcome out;
    readGuarded(compose(withNodesText("1 , 0.9;\n" + std::string(1u << 20, 'x') + "\n")), out);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.message, kBadNodeLine);

    // A megabyte comment is a comment no more: its "//" went with the
    // restarts, and its tail is an ordinary line.
    ReadOutcome comment;
    readGuarded(compose(withNodesText("1 , 0.9;\n//" + std::string(1u << 20, ' ') + "2 , 0.95;\n3 , 1;\n")),
                comment);
    expectExample(comment);
}

// --- Availabilities the conversion gives no number in [0, 1] for ---------------------------

TEST(StructureReaderBadInput, AvailabilitiesOutsideTheRangeAreRefused)
{
    for (const char* text : {"nan", "-nan", "NAN(123)", "inf", "-inf", "infinity", "1e999", "-1e999", "1.5",
                             "1.0000000001", "-0.0001", "0x1p1"}) {
        ReadOutcome node;
        readGuarded(compose(withNodesText(std::string("1 , ") + text + ";\n2 , 0.95;\n3 , 1;\n")), node);
        EXPECT_FALSE(node.ok) << text;
        EXPECT_EQ(node.message, kNodeRefused) << text;
        ReadOutcome edge;
        readGuarded(compose(withEdgesText(std::string("4 , 1 , 2 , ") + text + ";\n")), edge);
        EXPECT_FALSE(edge.ok) << text;
        EXPECT_EQ(edge.message, kEdgeRefused) << text;
    }
}

TEST(StructureReaderBadInput, AvailabilitiesAtTheEdgesOfTheRange)
{
    struct Case {
        const char* text;
        long double value;
        int state;
    };
    const Case cases[] = {
        {"-0", 0, -1},                  // a negative zero is zero
        {"-0.0e5", 0, -1},
        {"1e-5000", 0, -1},             // below the smallest extended value: zero
        {"1e-999", 1e-999L, 0},         // tiny but not zero
        {"0.99999999999999999999999", 1, 1}, // rounds to one
        {"1.00000000000000000000001", 1, 1},
        {"0x1p-1", 0.5L, 0},            // hexadecimal, as the C conversion reads it
        {"5e-1", 0.5L, 0},
    };
    TempDir dir;
    for (const Case& c : cases) {
        ReadOutcome out;
        readGuarded(compose(withNodesText(std::string("1 , 0.9;\n2 , ") + c.text + ";\n3 , 1;\n")), out);
        ASSERT_TRUE(out.ok) << c.text << ": " << out.message;
        const long double value = out.elements.entryAt(1)->availability;
        EXPECT_EQ(value, c.value) << c.text;
        EXPECT_EQ(out.elementState.get(1), c.state) << c.text;

        // Saved and read again it is the same number, written plainly.
        StructureFileWriter writer;
        std::string message;
        const std::string path = dir.path("again.dsm");
        ASSERT_TRUE(writer.writeStructureFile(path, out.elements, out.directedMatrix, true, out.sourceIndex,
                                              out.destinationIndex, message))
            << message;
        const std::string saved = readBytes(path);
        const std::string written = availabilityText(value, '.');
        EXPECT_NE(written[0], '-') << c.text << ": " << written; // never "-0"
        EXPECT_NE(saved.find("      2 , " + written + ";\n"), std::string::npos) << c.text << "\n" << saved;
        ReadOutcome back;
        readGuarded(saved, back);
        ASSERT_TRUE(back.ok) << back.message;
        EXPECT_EQ(back.elements.entryAt(1)->availability, value) << c.text;
        EXPECT_EQ(back.elementState.get(1), c.state) << c.text;
    }
}
