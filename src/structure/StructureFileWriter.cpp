#include "structure/StructureFileWriter.h"

#include "platform/Numbers.h"
#include "platform/SafeReplace.h"
#include "structure/TextLine.h"

#include <string_view>

namespace velmor {

namespace {

constexpr const char* kCannotOpen = "Nije moguće otvoriti zadanu datoteku";
constexpr const char* kNoAccess = "Onemogućen pristup zadanoj datoteci";
constexpr const char* kWriteFailed = "Onemogućen pristup ili blokirana datoteka";
constexpr const char* kLineOverflow = "Nedopušten preljev buffera";

constexpr std::string_view kNoIndent = "";
constexpr std::string_view kSectionIndent = "   ";
constexpr std::string_view kEntryIndent = "      ";
constexpr std::string_view kSeparator = " , ";

// The body of one file, written line by line into an open file.
class LayoutWriter {
public:
    LayoutWriter(TextFile& file, const ElementList& elements, const ByteMatrix& directedMatrix,
                 std::string& message)
        : file_(file), elements_(elements), matrix_(directedMatrix), message_(message),
          separator_(userDecimalSeparator())
    {
    }

    bool write(bool directed, int sourceIndex, int destinationIndex);

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
    bool writePair(int sourceIndex, int destinationIndex);
    bool writeEntry(std::initializer_list<std::string_view> pieces);
    bool findEndpoints(int edge, int& from, int& to) const;

    TextFile& file_;
    const ElementList& elements_;
    const ByteMatrix& matrix_;
    std::string& message_;
    char separator_;
};

bool LayoutWriter::write(bool directed, int sourceIndex, int destinationIndex)
{
    return writeLine(kNoIndent, "struktura:") && writeLine(kNoIndent, "{")
        && writeSectionStart("usmjeren:") && writeLine(kEntryIndent, directed ? "da;" : "ne;")
        && writeLine(kSectionIndent, "}")
        && writeSectionStart("cvorovi:") && writeNodes() && writeLine(kSectionIndent, "}")
        && writeSectionStart("grane:") && writeEdges() && writeLine(kSectionIndent, "}")
        && writeSectionStart("par:") && writePair(sourceIndex, destinationIndex)
        && writeLine(kSectionIndent, "}") && writeLine(kNoIndent, "}");
}

bool LayoutWriter::writeLine(std::string_view prefix, std::string_view text)
{
    if ((!prefix.empty() && !file_.writeText(prefix)) || !file_.writeText(text) || !file_.writeText("\n"))
        return fail(kWriteFailed);
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
    for (int i = 0; const ElementEntry* entry = elements_.entryAt(i); ++i) {
        if (entry->kind != NodeKind)
            continue;
        const std::string label = std::to_string(entry->label);
        const std::string availability = availabilityText(entry->availability, separator_);
        if (!writeEntry({label, kSeparator, availability, ";"}))
            return false;
    }
    return true;
}

// An edge's from-node is the last row with a 1 in the edge's column, its
// to-node the last column with a 1 in the edge's row.
bool LayoutWriter::findEndpoints(int edge, int& from, int& to) const
{
    from = -1;
    to = -1;
    for (int r = 0; r <= matrix_.lastRow(); ++r) {
        if (matrix_.get(edge, r) == 1)
            from = r;
        if (matrix_.get(r, edge) == 1)
            to = r;
    }
    return from >= 0 && to >= 0;
}

bool LayoutWriter::writeEdges()
{
    for (int i = 0; const ElementEntry* entry = elements_.entryAt(i); ++i) {
        if (entry->kind != EdgeKind)
            continue;
        int from = 0;
        int to = 0;
        if (!findEndpoints(i, from, to))
            continue;
        const ElementEntry* fromNode = elements_.entryAt(from);
        const ElementEntry* toNode = elements_.entryAt(to);
        if (!fromNode || !toNode)
            continue;
        const std::string label = std::to_string(entry->label);
        const std::string fromLabel = std::to_string(fromNode->label);
        const std::string toLabel = std::to_string(toNode->label);
        const std::string availability = availabilityText(entry->availability, separator_);
        if (!writeEntry({label, kSeparator, fromLabel, kSeparator, toLabel, kSeparator, availability, ";"}))
            return false;
    }
    return true;
}

bool LayoutWriter::writePair(int sourceIndex, int destinationIndex)
{
    if (sourceIndex < 0 || destinationIndex < 0)
        return true;
    const ElementEntry* source = elements_.entryAt(sourceIndex);
    const ElementEntry* destination = elements_.entryAt(destinationIndex);
    if (!source || !destination)
        return true;
    return writeEntry({std::to_string(source->label), kSeparator, std::to_string(destination->label), ";"});
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
    const SaveTarget target = saveTargetOf(path);
    const bool replacing = target.kind == SaveTarget::Replace;
    ReplacementFile replacement(target);
    const bool opened = replacing ? replacement.create() && file.openWrite(replacement.path())
                                  : target.kind == SaveTarget::InPlace && file.openWrite(path);
    if (!opened) {
        file.close();
        message = kCannotOpen;
        return false;
    }
    if (!file.rewind()) {
        file.close();
        message = kNoAccess;
        return false;
    }
    LayoutWriter layout(file, elements, directedMatrix, message);
    if (!layout.write(directed, sourceIndex, destinationIndex)) {
        file.close();
        return false;
    }
    // Closing flushes the last lines, so a full disk may only show here; the
    // target is replaced only by a file that is complete on the disk.
    if (!file.close() || (replacing && !replacement.commit())) {
        message = kWriteFailed;
        return false;
    }
    message.clear();
    return true;
}

} // namespace velmor
