#include "structure/StructureFileReader.h"

#include "platform/Numbers.h"
#include "structure/EntryFields.h"
#include "structure/IncidenceMarks.h"
#include "structure/ReaderMessages.h"

#include <sys/sysinfo.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace velmor {

int StructureFileReader::defaultMaxElements()
{
    struct sysinfo info {};
    std::uint64_t memory = 4ULL << 30; // a modest machine when the system cannot tell
    if (sysinfo(&info) == 0 && info.totalram > 0)
        memory = static_cast<std::uint64_t>(info.totalram) * info.mem_unit;
    // Four n x n byte matrices (two incidence matrices, the working matrix
    // and a working copy) must fit.
    const double n = std::sqrt(static_cast<double>(memory) / 4.0);
    return static_cast<int>(std::min(n, static_cast<double>(std::numeric_limits<int>::max())));
}

namespace {

using namespace readerMessages;

// Labels are 32-bit; a larger number is refused rather than cut to 32 bits,
// which could silently name another element.
bool labelOf(const TextLine& field, std::int32_t& label)
{
    const std::int64_t value = cLong(field.c_str());
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
        return false;
    label = static_cast<std::int32_t>(value);
    return true;
}

long double availabilityOf(const TextLine& field)
{
    return cLongDouble(field.c_str());
}

// Takes every field off the line, keeps the first `wanted` of them and
// returns how many there were.
int takeFields(TextLine& line, TextLine* kept, int wanted)
{
    int count = 0;
    TextLine field;
    while (nextField(line, field)) {
        if (count < wanted)
            kept[count] = field;
        ++count;
    }
    return count;
}

struct Targets {
    ElementList& elements;
    ByteMatrix& directedMatrix;
    ByteMatrix& undirectedMatrix;
    int& sourceIndex;
    int& destinationIndex;
    IntArray& elementState;
};

// One reading of one file; the reader object only keeps what outlives it.
class StructureScan {
public:
    StructureScan(StructureFileReader& reader, const Targets& targets, std::string& message)
        : reader_(reader), file_(reader.file), t_(targets), message_(message)
    {
    }

    bool run(const std::string& path);

private:
    bool fail(const std::string& text)
    {
        message_ = text;
        return false;
    }

    bool matricesAreSquare() const;
    bool readHeader();
    bool scan();
    bool recogniseSection();
    void countBalance();
    bool allGiven() const
    {
        return reader_.directedGiven && nodesGiven_ && edgesGiven_ && reader_.pairGiven;
    }

    bool directednessSection();
    bool nodeSection();
    bool nodeEntry();
    bool edgeSection();
    bool edgeEntry();
    bool pairSection();
    bool pairEntry();

    template <typename Predicate>
    bool readUntil(Predicate wanted);
    bool openSection();
    bool nextSectionLine(bool& closing);
    template <typename EntryStep>
    bool sectionEntries(EntryStep step);
    bool finishSection();

    bool findNode(const TextLine& field, int& index) const;
    bool roomForElement()
    {
        return n_ < reader_.maxElements
               || fail(kTooLarge + std::to_string(reader_.maxElements) + " elemenata");
    }
    bool growMatrices();
    bool buildElementStates();

    StructureFileReader& reader_;
    TextFile& file_;
    Targets t_;
    std::string& message_;

    TextLine line_;
    int n_ = 0;
    bool nodesGiven_ = false;
    bool edgesGiven_ = false;
    std::int64_t depth_ = 1;
    bool sawOpen_ = false;
    bool done_ = false;
    std::vector<Arc> arcs_;
};

bool StructureScan::run(const std::string& path)
{
    reader_.directedGiven = 0;
    reader_.pairGiven = 0;
    if (!file_.openRead(path))
        return fail(kCannotOpen);
    if (!file_.rewind())
        return fail(kNoAccess);
    if (!matricesAreSquare())
        return fail(kBadMatrices);
    n_ = t_.directedMatrix.rowCount();
    if (!readHeader() || !scan())
        return false;
    file_.close();
    if (!nodesGiven_ || !edgesGiven_)
        return fail(kNotEnoughData);
    return buildElementStates();
}

bool StructureScan::matricesAreSquare() const
{
    const ByteMatrix& d = t_.directedMatrix;
    const ByteMatrix& u = t_.undirectedMatrix;
    return d.lastRow() == d.lastColumn() && u.lastRow() == u.lastColumn() && d.lastRow() == u.lastRow();
}

template <typename Predicate>
bool StructureScan::readUntil(Predicate wanted)
{
    while (file_.readLine(line_))
        if (wanted(line_))
            return true;
    return false;
}

bool StructureScan::readHeader()
{
    const bool found = readUntil([](const TextLine& l) {
        return l.isMeaningful() && l.contains(":") && l.contains("struktura");
    }) && readUntil([](const TextLine& l) { return l.isMeaningful() && l.contains("{"); });
    // The line after the header's "{" is the first line of the scan.
    if (!found || !file_.readLine(line_))
        return fail(kIllegalEnd);
    return true;
}

bool StructureScan::scan()
{
    for (;;) {
        if (!recogniseSection())
            return false;
        countBalance();
        if (allGiven())
            done_ = true;
        if (!file_.readLine(line_) || done_)
            return true;
    }
}

// A line opens at most one section; a processed section leaves the line
// empty, so nothing later looks at it.
bool StructureScan::recogniseSection()
{
    if (!line_.isMeaningful() || !line_.contains(":"))
        return true;
    if (!reader_.directedGiven && line_.contains("usmjeren"))
        return directednessSection();
    if (reader_.directedGiven && !nodesGiven_ && line_.contains("cvorovi"))
        return nodeSection();
    if (reader_.directedGiven && nodesGiven_ && !edgesGiven_ && line_.contains("grane"))
        return edgeSection();
    if (nodesGiven_ && !reader_.pairGiven && line_.contains("par"))
        return pairSection();
    return true;
}

void StructureScan::countBalance()
{
    if (!line_.isMeaningful())
        return;
    if (line_.contains("{")) {
        sawOpen_ = true;
        ++depth_;
    }
    if (line_.contains("}"))
        --depth_;
    if (sawOpen_ && depth_ == 0)
        done_ = true;
}

bool StructureScan::openSection()
{
    if (!readUntil([](const TextLine& l) { return l.isMeaningful() && l.contains("{"); }))
        return fail(kIllegalEnd);
    return true;
}

bool StructureScan::nextSectionLine(bool& closing)
{
    if (!file_.readLine(line_))
        return fail(kIllegalEnd);
    closing = line_.isMeaningful() && line_.contains("}");
    return true;
}

// Runs `step` on every meaningful line between the opening and the closing
// line of a section.
template <typename EntryStep>
bool StructureScan::sectionEntries(EntryStep step)
{
    if (!openSection())
        return false;
    bool closing = false;
    for (;;) {
        if (!nextSectionLine(closing))
            return false;
        if (closing)
            return true;
        if (line_.isMeaningful() && !step())
            return false;
    }
}

// Every section read sends the scan back to the start of the file.
bool StructureScan::finishSection()
{
    line_.clear();
    if (!file_.rewind())
        return fail(kCannotReposition);
    return true;
}

bool StructureScan::directednessSection()
{
    if (!openSection())
        return false;
    // Every line up to the closing one counts, comments included.
    bool closing = false;
    while (!closing) {
        if (!nextSectionLine(closing))
            return false;
        if (line_.contains("da")) {
            reader_.directedValue = 1;
            reader_.directedGiven = 1;
        } else if (line_.contains("ne")) {
            reader_.directedValue = 0;
            reader_.directedGiven = 1;
        }
    }
    if (!reader_.directedGiven)
        return fail(kNoDirection);
    return finishSection();
}

bool StructureScan::nodeSection()
{
    if (!sectionEntries([this] { return nodeEntry(); }))
        return false;
    if (!nodesGiven_)
        return fail(kNoNodes);
    // The matrices grow once, with the edges: growing them here too would
    // copy the nodes' block into the final one, a quarter of its cells.
    return finishSection();
}

bool StructureScan::nodeEntry()
{
    TextLine fields[2];
    const int count = takeFields(line_, fields, 2);
    if (count == 0)
        return true;
    if (count != 2)
        return fail(kBadNodeLine);
    if (!roomForElement())
        return false;
    std::int32_t label = 0;
    if (!labelOf(fields[0], label) || !t_.elements.append(label, availabilityOf(fields[1]), NodeKind))
        return fail(kNodeRefused);
    ++n_;
    nodesGiven_ = true;
    return true;
}

bool StructureScan::edgeSection()
{
    arcs_.clear();
    if (!sectionEntries([this] { return edgeEntry(); }))
        return false;
    if (!edgesGiven_)
        return fail(kNoEdges);
    // The matrices grow once for the whole section: growing them per edge
    // would copy them once per edge.
    if (!growMatrices())
        return false;
    markArcs(arcs_, t_.directedMatrix, t_.undirectedMatrix);
    return finishSection();
}

bool StructureScan::edgeEntry()
{
    TextLine fields[4];
    const int count = takeFields(line_, fields, 4);
    if (count == 0)
        return true;
    if (count < 4)
        return fail(kBadEdgeLine);
    if (!roomForElement())
        return false;
    std::int32_t label = 0;
    if (!labelOf(fields[0], label) || !t_.elements.append(label, availabilityOf(fields[3]), EdgeKind))
        return fail(kEdgeRefused);
    edgesGiven_ = true;
    const int edge = n_++;
    if (!findNode(fields[1], reader_.fromIndex) || !findNode(fields[2], reader_.toIndex))
        return fail(kMissingEdgeNode);
    arcs_.push_back(Arc{reader_.fromIndex, edge, reader_.toIndex});
    return true;
}

bool StructureScan::pairSection()
{
    if (!sectionEntries([this] { return pairEntry(); }))
        return false;
    if (!reader_.pairGiven)
        return fail(kBadPair);
    return finishSection();
}

bool StructureScan::pairEntry()
{
    TextLine fields[2];
    const int count = takeFields(line_, fields, 2);
    if (count == 0)
        return true;
    if (count == 1)
        return fail(kBadPair);
    if (!findNode(fields[0], reader_.fromIndex) || !findNode(fields[1], reader_.toIndex))
        return fail(kMissingPairNode);
    // A later pair line of the same section replaces an earlier one.
    t_.sourceIndex = reader_.fromIndex;
    t_.destinationIndex = reader_.toIndex;
    reader_.pairGiven = 1;
    return true;
}

bool StructureScan::findNode(const TextLine& field, int& index) const
{
    std::int32_t label = 0;
    return labelOf(field, label) && t_.elements.find(label, NodeKind, index);
}

bool StructureScan::growMatrices()
{
    if (!t_.directedMatrix.resize(n_, n_) || !t_.undirectedMatrix.resize(n_, n_))
        return fail(kOutOfMemory);
    return true;
}

bool StructureScan::buildElementStates()
{
    if (!t_.elementState.allocate(n_))
        return fail(kOutOfMemory);
    for (int i = 0; i < n_; ++i) {
        std::int32_t label = 0;
        std::int32_t kind = 0;
        long double availability = 0;
        if (!t_.elements.seek(i) || !t_.elements.read(label, availability, kind))
            return fail(kListSearch);
        t_.elementState.set(i, elementStateOf(availability));
    }
    return true;
}

} // namespace

bool StructureFileReader::readStructureFile(const std::string& path, ElementList& elements,
                                            ByteMatrix& directedMatrix, ByteMatrix& undirectedMatrix,
                                            int& sourceIndex, int& destinationIndex, IntArray& elementState,
                                            std::string& message)
{
    const Targets targets{elements, directedMatrix, undirectedMatrix, sourceIndex, destinationIndex, elementState};
    StructureScan scan(*this, targets, message);
    const bool read = scan.run(path);
    file.close();
    if (read)
        message.clear();
    return read;
}

} // namespace velmor
