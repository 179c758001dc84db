#include "structure/StructureFileWriter.h"

#include "platform/Numbers.h"
#include "structure/ExchangeStructure.h"
#include "structure/ReplacingWrite.h"
#include "structure/TextLine.h"

#include <string_view>

namespace velmor {

namespace {

constexpr const char* kLineOverflow = "Nedopušten preljev buffera";

constexpr std::string_view kNoIndent = "";
constexpr std::string_view kSectionIndent = "   ";
constexpr std::string_view kEntryIndent = "      ";
constexpr std::string_view kSeparator = " , ";

// The body of one file, written line by line into an open file.
class LayoutWriter {
public:
    LayoutWriter(TextFile& file, const ExchangeStructure& structure, std::string& message)
        : file_(file), s_(structure), message_(message), separator_(userDecimalSeparator())
    {
    }

    bool write();

private:
    bool fail(const char* text)
    {
        message_ = text;
        return false;
    }

    bool writeLine(std::string_view prefix, std::string_view text);
    bool writeSectionStart(std::string_view keyword);
    bool writeNodes();
    bool writeEdges();
    bool writePair();
    bool writeEntry(std::initializer_list<std::string_view> pieces);

    TextFile& file_;
    const ExchangeStructure& s_;
    std::string& message_;
    char separator_;
};

// A structure without a pair has no "par" section at all: the reader takes
// an empty one for a broken pair and refuses the file, while a missing one
// reads as a structure without a pair.
bool LayoutWriter::write()
{
    return writeLine(kNoIndent, "struktura:") && writeLine(kNoIndent, "{")
        && writeSectionStart("usmjeren:") && writeLine(kEntryIndent, s_.directed ? "da;" : "ne;")
        && writeLine(kSectionIndent, "}")
        && writeSectionStart("cvorovi:") && writeNodes() && writeLine(kSectionIndent, "}")
        && writeSectionStart("grane:") && writeEdges() && writeLine(kSectionIndent, "}")
        && (!s_.pair || (writeSectionStart("par:") && writePair() && writeLine(kSectionIndent, "}")))
        && writeLine(kNoIndent, "}");
}

bool LayoutWriter::writeLine(std::string_view prefix, std::string_view text)
{
    if ((!prefix.empty() && !file_.writeText(prefix)) || !file_.writeText(text) || !file_.writeText("\n"))
        return fail(kOutputWriteFailed);
    return true;
}

bool LayoutWriter::writeSectionStart(std::string_view keyword)
{
    return writeLine(kSectionIndent, keyword) && writeLine(kSectionIndent, "{");
}

// An entry line is assembled in a line buffer of the file's line length, so
// that every line written can be read back whole.
bool LayoutWriter::writeEntry(std::initializer_list<std::string_view> pieces)
{
    TextLine line;
    for (std::string_view piece : pieces)
        if (!line.append(piece))
            return fail(kLineOverflow);
    return writeLine(kEntryIndent, line.view());
}

bool LayoutWriter::writeNodes()
{
    for (const ExchangeNode& node : s_.nodes) {
        const std::string label = std::to_string(node.label);
        const std::string availability = availabilityText(node.availability, separator_);
        if (!writeEntry({label, kSeparator, availability, ";"}))
            return false;
    }
    return true;
}

bool LayoutWriter::writeEdges()
{
    for (const ExchangeEdge& edge : s_.edges) {
        const std::string label = std::to_string(edge.label);
        const std::string fromLabel = std::to_string(edge.from);
        const std::string toLabel = std::to_string(edge.to);
        const std::string availability = availabilityText(edge.availability, separator_);
        if (!writeEntry({label, kSeparator, fromLabel, kSeparator, toLabel, kSeparator, availability, ";"}))
            return false;
    }
    return true;
}

bool LayoutWriter::writePair()
{
    return writeEntry({std::to_string(s_.pair->source), kSeparator, std::to_string(s_.pair->destination), ";"});
}

} // namespace

std::string availabilityText(long double availability, char decimalSeparator)
{
    // A separator that could be mistaken for part of the number itself is
    // not looked for; "," always is, as the common alternative to ".".
    const bool plainSeparator = decimalSeparator != '-' && decimalSeparator != 'E'
        && !(decimalSeparator >= '0' && decimalSeparator <= '9');
    std::string text = formatGeneral(availability, decimalSeparator);
    for (char& c : text)
        if (c == ',' || (plainSeparator && c == decimalSeparator))
            c = '.';
    return text;
}

bool StructureFileWriter::writeStructureFile(const std::string& path, const ElementList& elements,
                                             const ByteMatrix& directedMatrix, bool directed, int sourceIndex,
                                             int destinationIndex, std::string& message)
{
    const ExchangeStructure structure =
        exchangeStructureOf(elements, directedMatrix, directed, sourceIndex, destinationIndex);
    LayoutWriter layout(file, structure, message);
    return writeReplacing(file, path, [&] { return layout.write(); }, message);
}

} // namespace velmor
