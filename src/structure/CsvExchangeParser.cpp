#include "structure/CsvExchangeParser.h"

#include "structure/ExchangeFields.h"
#include "structure/ReaderMessages.h"

#include <vector>

namespace velmor {

namespace {

using namespace readerMessages;

constexpr const char* kBadQuote = "Neispravni navodnici u CSV datoteci";
constexpr const char* kRowOutsideTable = "Redak CSV datoteke ne pripada nijednoj tablici";

struct CsvRecord {
    std::vector<std::string> fields;
    int line = 0;
};

// Splits the text into records; a quoted field may run over line ends.
class CsvRecords {
public:
    explicit CsvRecords(std::string_view text) : text_(text) {}

    // False at the end of the text, or (with `message` set) on bad quotes.
    bool next(CsvRecord& record, std::string& message);

private:
    bool atEnd() const { return pos_ >= text_.size(); }
    bool atRecordEnd() const { return atEnd() || text_[pos_] == '\n'; }
    void skipBlanks()
    {
        while (!atEnd() && (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\r'))
            ++pos_;
    }
    bool skipCommentLine();
    bool quotedField(std::string& field, std::string& message);
    void plainField(std::string& field);

    std::string_view text_;
    std::size_t pos_ = 0;
    int line_ = 1;
};

bool CsvRecords::skipCommentLine()
{
    std::size_t p = pos_;
    while (p < text_.size() && (text_[p] == ' ' || text_[p] == '\t'))
        ++p;
    if (p >= text_.size() || text_[p] != '#')
        return false;
    const std::size_t end = text_.find('\n', p);
    pos_ = end == std::string_view::npos ? text_.size() : end + 1;
    ++line_;
    return true;
}

bool CsvRecords::quotedField(std::string& field, std::string& message)
{
    const int startLine = line_;
    ++pos_; // the opening quote
    for (;;) {
        if (atEnd()) {
            message = atLine(kBadQuote, startLine);
            return false;
        }
        const char c = text_[pos_++];
        if (c == '"') {
            if (!atEnd() && text_[pos_] == '"') {
                field.push_back('"');
                ++pos_;
                continue;
            }
            break;
        }
        if (c == '\n')
            ++line_;
        field.push_back(c);
    }
    skipBlanks();
    if (!atRecordEnd() && text_[pos_] != ',') {
        message = atLine(kBadQuote, line_);
        return false;
    }
    return true;
}

void CsvRecords::plainField(std::string& field)
{
    const std::size_t start = pos_;
    while (!atRecordEnd() && text_[pos_] != ',')
        ++pos_;
    field = std::string(trimmed(text_.substr(start, pos_ - start)));
    if (!field.empty() && field.back() == '\r')
        field = std::string(trimmed(std::string_view(field).substr(0, field.size() - 1)));
}

bool CsvRecords::next(CsvRecord& record, std::string& message)
{
    while (!atEnd() && skipCommentLine()) {
    }
    if (atEnd())
        return false;
    record.fields.clear();
    record.line = line_;
    for (;;) {
        skipBlanks();
        std::string field;
        if (!atEnd() && text_[pos_] == '"') {
            if (!quotedField(field, message))
                return false;
        } else {
            plainField(field);
        }
        record.fields.push_back(std::move(field));
        if (atRecordEnd())
            break;
        ++pos_; // the comma
    }
    if (!atEnd()) {
        ++pos_; // the line feed
        ++line_;
    }
    while (!record.fields.empty() && record.fields.back().empty())
        record.fields.pop_back();
    return true;
}

enum class Table { None, Directed, Pair, Nodes, Edges };

Table tableNamed(const std::vector<std::string>& fields)
{
    std::vector<std::string> names;
    for (const std::string& field : fields)
        names.push_back(lowerCase(field));
    if (names == std::vector<std::string>{"directed"})
        return Table::Directed;
    if (names == std::vector<std::string>{"source", "destination"})
        return Table::Pair;
    if (names == std::vector<std::string>{"label", "availability"})
        return Table::Nodes;
    if (names == std::vector<std::string>{"label", "from", "to", "availability"})
        return Table::Edges;
    return Table::None;
}

bool directedValue(std::string_view text, bool& directed)
{
    const std::string word = lowerCase(text);
    for (const char* yes : {"yes", "true", "1", "da", "directed"})
        if (word == yes) {
            directed = true;
            return true;
        }
    for (const char* no : {"no", "false", "0", "ne", "undirected"})
        if (word == no) {
            directed = false;
            return true;
        }
    return false;
}

class CsvStructure {
public:
    CsvStructure(ExchangeStructure& structure, std::string& message) : s_(structure), message_(message) {}

    bool row(const CsvRecord& record);
    bool finish() const;

private:
    bool fail(const char* text, int line)
    {
        message_ = atLine(text, line);
        return false;
    }
    bool directedRow(const CsvRecord& record);
    bool pairRow(const CsvRecord& record);
    bool nodeRow(const CsvRecord& record);
    bool edgeRow(const CsvRecord& record);

    ExchangeStructure& s_;
    std::string& message_;
    Table table_ = Table::None;
    bool directedGiven_ = false;
};

bool CsvStructure::row(const CsvRecord& record)
{
    if (record.fields.empty())
        return true; // a blank line
    if (const Table named = tableNamed(record.fields); named != Table::None) {
        table_ = named;
        return true;
    }
    switch (table_) {
    case Table::None:
        return fail(kRowOutsideTable, record.line);
    case Table::Directed:
        return directedRow(record);
    case Table::Pair:
        return pairRow(record);
    case Table::Nodes:
        return nodeRow(record);
    case Table::Edges:
        return edgeRow(record);
    }
    return true;
}

bool CsvStructure::directedRow(const CsvRecord& record)
{
    if (directedGiven_ || record.fields.size() != 1 || !directedValue(record.fields[0], s_.directed))
        return fail(kNoDirection, record.line);
    directedGiven_ = true;
    return true;
}

bool CsvStructure::pairRow(const CsvRecord& record)
{
    ExchangePair pair;
    pair.line = record.line;
    if (s_.pair || record.fields.size() != 2 || !exactLabel(record.fields[0], pair.source)
        || !exactLabel(record.fields[1], pair.destination))
        return fail(kBadPair, record.line);
    s_.pair = pair;
    return true;
}

bool CsvStructure::nodeRow(const CsvRecord& record)
{
    ExchangeNode node;
    node.line = record.line;
    if (record.fields.size() != 2 || !exactLabel(record.fields[0], node.label)
        || !exactAvailability(record.fields[1], node.availability))
        return fail(kBadNodeLine, record.line);
    s_.nodes.push_back(node);
    return true;
}

bool CsvStructure::edgeRow(const CsvRecord& record)
{
    ExchangeEdge edge;
    edge.line = record.line;
    if (record.fields.size() != 4 || !exactLabel(record.fields[0], edge.label)
        || !exactLabel(record.fields[1], edge.from) || !exactLabel(record.fields[2], edge.to)
        || !exactAvailability(record.fields[3], edge.availability))
        return fail(kBadEdgeLine, record.line);
    s_.edges.push_back(edge);
    return true;
}

bool CsvStructure::finish() const
{
    if (!directedGiven_) {
        message_ = kNoDirection;
        return false;
    }
    return true;
}

} // namespace

bool parseExchangeCsv(std::string_view text, ExchangeStructure& structure, std::string& message)
{
    structure = ExchangeStructure{};
    CsvRecords records(text);
    CsvStructure builder(structure, message);
    CsvRecord record;
    message.clear();
    while (records.next(record, message))
        if (!builder.row(record))
            return false;
    if (!message.empty())
        return false;
    return builder.finish();
}

} // namespace velmor
