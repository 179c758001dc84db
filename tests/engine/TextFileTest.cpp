#include "structure/EntryFields.h"
#include "structure/TextFile.h"
#include "structure/TextLine.h"

#include "TempFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace velmor;
using velmor::testing::TempDir;

namespace {

std::vector<std::string> readAllLines(const std::string& bytes)
{
    TempDir dir;
    TextFile file;
    EXPECT_TRUE(file.openRead(dir.write("lines.txt", bytes)));
    std::vector<std::string> lines;
    TextLine line;
    while (file.readLine(line)) {
        EXPECT_EQ(line.c_str()[line.size()], '\0') << "line kept unterminated";
        lines.emplace_back(line.view());
        if (lines.size() > 1000)
            break;
    }
    return lines;
}

} // namespace

TEST(TextFile, LinesEndAtLineFeedAndTheLastNeedsNone)
{
    EXPECT_EQ(readAllLines("ab\n\ncd"), (std::vector<std::string>{"ab", "", "cd"}));
    EXPECT_EQ(readAllLines("ab\n"), (std::vector<std::string>{"ab"}));
    EXPECT_EQ(readAllLines("\n"), (std::vector<std::string>{""}));
    EXPECT_TRUE(readAllLines("").empty());
}

TEST(TextFile, CarriageReturnIsDroppedOnlyBeforeLineFeed)
{
    EXPECT_EQ(readAllLines("ab\r\ncd\r\n"), (std::vector<std::string>{"ab", "cd"}));
    EXPECT_EQ(readAllLines("a\rb\n"), (std::vector<std::string>{"a\rb"}));
    EXPECT_EQ(readAllLines("a\r\r\n"), (std::vector<std::string>{"a\r"}));
    EXPECT_EQ(readAllLines("end\r"), (std::vector<std::string>{"end\r"}));
}

TEST(TextFile, ByteFFAndZeroAreOrdinaryCharacters)
{
    const std::string bytes = std::string("a\xFF") + "b\n\xFF\nc" + std::string(1, '\0') + "d\n\xFF";
    const std::vector<std::string> lines = readAllLines(bytes);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "a\xFF" "b");
    EXPECT_EQ(lines[1], "\xFF");
    EXPECT_EQ(lines[2], std::string("c") + '\0' + "d");
    EXPECT_EQ(lines[3], "\xFF");
}

TEST(TextFile, LongLinesRestartTheBufferWhenFull)
{
    std::string line300;
    for (int i = 0; i < 300; ++i)
        line300 += static_cast<char>('a' + i % 26);
    const std::string exactly256(256, 'x');
    const std::string line257 = std::string(256, 'y') + "z";
    const std::string line512 = std::string(256, 'p') + std::string(256, 'q');

    const std::vector<std::string> lines = readAllLines(line300 + "\n" + exactly256 + "\n" + line257 + "\n" + line512);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], line300.substr(256));
    EXPECT_EQ(lines[0].size(), 44u);
    EXPECT_EQ(lines[1], exactly256);
    EXPECT_EQ(lines[2], "z");
    EXPECT_EQ(lines[3], std::string(256, 'q'));
}

TEST(TextFile, CarriageReturnOfALongLineIsNotCounted)
{
    const std::vector<std::string> lines = readAllLines(std::string(256, 'r') + "\r\nnext\n");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], std::string(256, 'r'));
    EXPECT_EQ(lines[1], "next");
}

TEST(TextFile, RewindReadsFromTheStartAgain)
{
    TempDir dir;
    TextFile file;
    ASSERT_TRUE(file.openRead(dir.write("r.txt", "one\ntwo\n")));
    TextLine line;
    while (file.readLine(line)) {
    }
    ASSERT_TRUE(file.rewind());
    ASSERT_TRUE(file.readLine(line));
    EXPECT_EQ(line.view(), "one");
}

TEST(TextFile, RefusedRewindsAfterTheAllowedNumber)
{
    TempDir dir;
    TextFile file;
    ASSERT_TRUE(file.openRead(dir.write("r.txt", "x\n")));
    file.failRewindsAfter(2);
    EXPECT_TRUE(file.rewind());
    EXPECT_TRUE(file.rewind());
    EXPECT_FALSE(file.rewind());
    file.failRewindsAfter(-1);
    EXPECT_TRUE(file.rewind());
}

TEST(TextFile, OperationsOnAClosedFileFail)
{
    TextFile file;
    TextLine line;
    EXPECT_FALSE(file.rewind());
    EXPECT_FALSE(file.readLine(line));
    EXPECT_FALSE(file.writeText("x"));
    EXPECT_TRUE(file.close());
    EXPECT_FALSE(file.openRead("/nonexistent-velmor-dir/file.dsm"));
}

TEST(TextFile, WriteTextWritesBytesAsGiven)
{
    TempDir dir;
    const std::string path = dir.path("w.txt");
    TextFile file;
    ASSERT_TRUE(file.openWrite(path));
    EXPECT_TRUE(file.writeText("a , 0.5;"));
    EXPECT_TRUE(file.writeText(""));
    EXPECT_TRUE(file.writeText("\n"));
    EXPECT_TRUE(file.close());
    EXPECT_EQ(velmor::testing::readBytes(path), "a , 0.5;\n");
}

TEST(TextLine, AppendRefusesWhatWouldNotFitAndStaysTerminated)
{
    TextLine line;
    EXPECT_TRUE(line.append(std::string(200, 'a')));
    EXPECT_TRUE(line.append(std::string(56, 'b')));
    EXPECT_EQ(line.size(), 256u);
    EXPECT_EQ(line.c_str()[256], '\0');
    EXPECT_FALSE(line.append("c"));
    EXPECT_EQ(line.size(), 256u);
    EXPECT_TRUE(line.append(""));

    TextLine other;
    EXPECT_TRUE(other.append(std::string(250, 'a')));
    EXPECT_FALSE(other.append("1234567"));
    EXPECT_EQ(other.size(), 250u);
}

TEST(TextLine, MeaningfulLines)
{
    struct Case {
        const char* text;
        bool meaningful;
    };
    const Case cases[] = {
        {"", false},        {"   ", false},          {"\t", true},         {" \t ", true},
        {"1 , 0.5;", true}, {"1 , 0.9 // x", false}, {"a//", false},       {"/ /", true},
        {"}", true},        {"//", false},           {"  x  ", true},
    };
    for (const Case& c : cases) {
        TextLine line;
        line.assign(c.text);
        EXPECT_EQ(line.isMeaningful(), c.meaningful) << '"' << c.text << '"';
    }
}

namespace {

std::vector<std::string> fieldsOf(const std::string& text)
{
    TextLine line;
    line.assign(text);
    TextLine field;
    std::vector<std::string> fields;
    while (nextField(line, field) && fields.size() < 300)
        fields.emplace_back(field.view());
    return fields;
}

} // namespace

TEST(EntryFields, SplitsAtCommasAndSemicolonEndsItsField)
{
    using Fields = std::vector<std::string>;
    EXPECT_EQ(fieldsOf("7 , 0.5;"), (Fields{"7", "0.5"}));
    EXPECT_EQ(fieldsOf(";"), Fields{});
    EXPECT_EQ(fieldsOf("7 , 0.5; 8"), (Fields{"7", "0.5"}));
    EXPECT_EQ(fieldsOf("1;x , 0.5"), (Fields{"1", "0.5"}));
    EXPECT_EQ(fieldsOf("3 , 1 , 2 , 0.99;"), (Fields{"3", "1", "2", "0.99"}));
}

TEST(EntryFields, SpacesInsideAFieldAreDroppedButTabsKept)
{
    using Fields = std::vector<std::string>;
    EXPECT_EQ(fieldsOf("1 , 0. 95;"), (Fields{"1", "0.95"}));
    EXPECT_EQ(fieldsOf("\t1,\t0.5;"), (Fields{"\t1", "\t0.5"}));
    EXPECT_EQ(fieldsOf("\t\t"), (Fields{"\t\t"}));
    EXPECT_EQ(fieldsOf("12 34 , 5"), (Fields{"1234", "5"}));
}

TEST(EntryFields, LinesWithoutFields)
{
    using Fields = std::vector<std::string>;
    EXPECT_EQ(fieldsOf(""), Fields{});
    EXPECT_EQ(fieldsOf("    "), Fields{});
    EXPECT_EQ(fieldsOf("1 , 2 // comment"), Fields{});
    EXPECT_EQ(fieldsOf(","), Fields{});
    EXPECT_EQ(fieldsOf(", 5"), Fields{});
    EXPECT_EQ(fieldsOf("; 5 , 6"), Fields{});
}

TEST(EntryFields, EmptyFieldsEndTheEntry)
{
    using Fields = std::vector<std::string>;
    // The field after "1" is empty, so the entry has one field only.
    EXPECT_EQ(fieldsOf("1 , , 2"), (Fields{"1"}));
    // A comma at the end of the line leaves no field behind it.
    EXPECT_EQ(fieldsOf("1 ,"), (Fields{"1"}));
    EXPECT_EQ(fieldsOf("1,"), (Fields{"1"}));
}

TEST(EntryFields, TakingAFieldLeavesTheRestOfTheLine)
{
    TextLine line;
    line.assign("4 , 1 , 2;");
    TextLine field;
    ASSERT_TRUE(nextField(line, field));
    EXPECT_EQ(field.view(), "4");
    EXPECT_EQ(line.view(), " 1 , 2;");
    ASSERT_TRUE(nextField(line, field));
    EXPECT_EQ(line.view(), " 2;");
    ASSERT_TRUE(nextField(line, field));
    EXPECT_EQ(field.view(), "2");
    EXPECT_EQ(line.view(), "");
    EXPECT_FALSE(nextField(line, field));
}
