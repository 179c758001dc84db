#include "structure/ExchangeReader.h"

#include "structure/CsvExchangeParser.h"
#include "structure/DotExchangeParser.h"
#include "structure/DotTokens.h"
#include "structure/ExchangeFields.h"
#include "structure/IncidenceMarks.h"
#include "structure/ReaderMessages.h"

#include <cstdio>
#include <memory>
#include <new>

namespace velmor {

namespace {

using namespace readerMessages;

constexpr const char* kGraphMlNotRead = "GraphML datoteku nije moguće uvesti: uvozi se CSV popis grana ili DOT graf";

bool readWholeFile(const std::string& path, std::string& text)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file)
        return false;
    text.clear();
    char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
        text.append(buffer, got);
    return !std::ferror(file.get());
}

std::string_view withoutByteOrderMark(std::string_view text)
{
    constexpr std::string_view kMark = "\xEF\xBB\xBF";
    return text.substr(0, kMark.size()) == kMark ? text.substr(kMark.size()) : text;
}

struct Targets {
    ElementList& elements;
    ByteMatrix& directedMatrix;
    ByteMatrix& undirectedMatrix;
    int& sourceIndex;
    int& destinationIndex;
    IntArray& elementState;
};

// Turns the labels of a parsed structure into elements and matrices,
// numbering nodes first and then edges, each in the file's order.
class StructureBuild {
public:
    StructureBuild(const ExchangeStructure& structure, const Targets& targets, int maxElements,
                   std::string& message)
        : s_(structure), t_(targets), maxElements_(maxElements), message_(message)
    {
    }

    bool run() { return fits() && nodes() && edges() && matrices() && pair() && elementStates(); }

private:
    bool fail(const std::string& text, int line = 0)
    {
        message_ = atLine(text, line);
        return false;
    }
    bool fits();
    bool nodes();
    bool edges();
    bool matrices();
    bool pair();
    bool elementStates();
    bool findNode(std::int32_t label, int& index) const { return t_.elements.find(label, NodeKind, index); }

    const ExchangeStructure& s_;
    Targets t_;
    int maxElements_;
    std::string& message_;
    std::vector<Arc> arcs_;
};

bool StructureBuild::fits()
{
    if (s_.nodes.empty())
        return fail(kNoNodes);
    const std::size_t count = s_.nodes.size() + s_.edges.size();
    if (count > static_cast<std::size_t>(maxElements_))
        return fail(kTooLarge + std::to_string(maxElements_) + " elemenata");
    return true;
}

bool StructureBuild::nodes()
{
    for (const ExchangeNode& node : s_.nodes)
        if (!t_.elements.append(node.label, node.availability, NodeKind))
            return fail(kNodeRefused, node.line);
    return true;
}

// As in a structure file, the nodes are judged before a missing edge list.
bool StructureBuild::edges()
{
    if (s_.edges.empty())
        return fail(kNoEdges);
    for (const ExchangeEdge& edge : s_.edges) {
        if (!t_.elements.append(edge.label, edge.availability, EdgeKind))
            return fail(kEdgeRefused, edge.line);
        Arc arc{0, t_.elements.lastIndex(), 0};
        if (!findNode(edge.from, arc.from) || !findNode(edge.to, arc.to))
            return fail(kMissingEdgeNode, edge.line);
        arcs_.push_back(arc);
    }
    return true;
}

bool StructureBuild::matrices()
{
    const int n = t_.elements.count();
    if (!t_.directedMatrix.allocate(n, n) || !t_.undirectedMatrix.allocate(n, n))
        return fail(kOutOfMemory);
    markArcs(arcs_, t_.directedMatrix, t_.undirectedMatrix);
    return true;
}

bool StructureBuild::pair()
{
    if (!s_.pair)
        return true;
    int source = 0;
    int destination = 0;
    if (!findNode(s_.pair->source, source) || !findNode(s_.pair->destination, destination))
        return fail(kMissingPairNode, s_.pair->line);
    t_.sourceIndex = source;
    t_.destinationIndex = destination;
    return true;
}

bool StructureBuild::elementStates()
{
    const int n = t_.elements.count();
    if (!t_.elementState.allocate(n))
        return fail(kOutOfMemory);
    for (int i = 0; i < n; ++i)
        t_.elementState.set(i, elementStateOf(t_.elements.entryAt(i)->availability));
    return true;
}

} // namespace

ExchangeFormat sniffExchangeFormat(std::string_view text)
{
    std::vector<DotToken> tokens;
    std::string ignored;
    // Only the first word matters, and the tokens before a failure are kept.
    dotTokens(text.substr(0, 65536), tokens, ignored);
    const bool dot = !tokens.empty()
        && (tokens[0].isKeyword("strict") || tokens[0].isKeyword("graph") || tokens[0].isKeyword("digraph"));
    return dot ? ExchangeFormat::Dot : ExchangeFormat::Csv;
}

bool ExchangeReader::readExchangeFile(const std::string& path, ElementList& elements, ByteMatrix& directedMatrix,
                                      ByteMatrix& undirectedMatrix, int& sourceIndex, int& destinationIndex,
                                      IntArray& elementState, std::string& message)
{
    directedValue = 0;
    pairGiven = 0;
    std::string text;
    try {
        if (!readWholeFile(path, text)) {
            message = kCannotOpen;
            return false;
        }
    } catch (const std::bad_alloc&) {
        message = kOutOfMemory;
        return false;
    }
    const std::string_view body = withoutByteOrderMark(text);
    std::optional<ExchangeFormat> format = exchangeFormatOfPath(path);
    if (!format)
        format = sniffExchangeFormat(body);
    return readExchangeText(body, *format, elements, directedMatrix, undirectedMatrix, sourceIndex,
                            destinationIndex, elementState, message);
}

bool ExchangeReader::readExchangeText(std::string_view text, ExchangeFormat format, ElementList& elements,
                                      ByteMatrix& directedMatrix, ByteMatrix& undirectedMatrix, int& sourceIndex,
                                      int& destinationIndex, IntArray& elementState, std::string& message)
{
    directedValue = 0;
    pairGiven = 0;
    if (format == ExchangeFormat::GraphMl) {
        message = kGraphMlNotRead;
        return false;
    }
    try {
        ExchangeStructure structure;
        const bool parsed = format == ExchangeFormat::Dot ? parseExchangeDot(text, structure, message)
                                                          : parseExchangeCsv(text, structure, message);
        if (!parsed)
            return false;
        const Targets targets{elements, directedMatrix, undirectedMatrix, sourceIndex, destinationIndex,
                              elementState};
        if (!StructureBuild(structure, targets, maxElements, message).run())
            return false;
        directedValue = structure.directed ? 1 : 0;
        pairGiven = structure.pair ? 1 : 0;
    } catch (const std::bad_alloc&) {
        message = kOutOfMemory;
        return false;
    }
    message.clear();
    return true;
}

} // namespace velmor
