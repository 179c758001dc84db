#include "structure/DotExchangeParser.h"

#include "structure/DotTokens.h"
#include "structure/ExchangeFields.h"
#include "structure/ReaderMessages.h"

#include <map>
#include <vector>

namespace velmor {

namespace {

using namespace readerMessages;

constexpr const char* kSubgraph = "Podgrafovi u DOT datoteci nisu podržani";

// An attribute's value and the line it was set on.
struct Attribute {
    std::string value;
    int line = 0;
};
using Attributes = std::map<std::string, Attribute>;

struct DotNode {
    std::string name;
    Attributes attributes;
    int line = 0;
};

struct DotEdge {
    std::string from;
    std::string to;
    Attributes attributes;
    int line = 0;
};

// The graph as its statements describe it, names not yet resolved.
struct DotGraph {
    bool directed = false;
    Attributes graph;
    std::vector<DotNode> nodes; // in the order of their first node statement
    std::map<std::string, std::size_t> nodeIndex;
    std::vector<DotEdge> edges;
};

class DotParser {
public:
    DotParser(const std::vector<DotToken>& tokens, DotGraph& graph, std::string& message)
        : t_(tokens), g_(graph), message_(message)
    {
    }

    bool parse();

private:
    const DotToken& peek(std::size_t ahead = 0) const
    {
        const std::size_t at = std::min(next_ + ahead, t_.size() - 1); // the last token is End
        return t_[at];
    }
    const DotToken& take() { return t_[next_ < t_.size() - 1 ? next_++ : next_]; }
    bool accept(DotToken::Kind kind)
    {
        if (peek().kind != kind)
            return false;
        take();
        return true;
    }
    bool fail(const char* text, int line)
    {
        message_ = atLine(text, line);
        return false;
    }
    bool syntaxError() { return fail(kDotSyntax, peek().line); }
    bool isKeyword(const char* word, std::size_t ahead = 0) const { return peek(ahead).isKeyword(word); }

    bool header();
    bool statements();
    bool statement();
    bool identifier(std::string& text);
    bool attributeLists(Attributes& attributes);
    bool nodeName(std::string& name);
    bool nodeOrEdge();
    void declareNode(const std::string& name, const Attributes& attributes, int line);

    const std::vector<DotToken>& t_;
    std::size_t next_ = 0;
    DotGraph& g_;
    std::string& message_;
    Attributes nodeDefaults_;
    Attributes edgeDefaults_;
};

bool DotParser::parse()
{
    if (!header() || !statements())
        return false;
    if (peek().kind != DotToken::End)
        return syntaxError(); // one graph per file
    return true;
}

bool DotParser::header()
{
    if (isKeyword("strict"))
        take();
    if (isKeyword("digraph"))
        g_.directed = true;
    else if (!isKeyword("graph"))
        return syntaxError();
    take();
    if (peek().kind == DotToken::Id && !peek().keyword()) {
        std::string name;
        if (!identifier(name))
            return false;
    }
    if (!accept(DotToken::OpenBrace))
        return syntaxError();
    return true;
}

bool DotParser::statements()
{
    while (!accept(DotToken::CloseBrace)) {
        if (peek().kind == DotToken::End)
            return syntaxError();
        if (accept(DotToken::Semicolon))
            continue;
        if (!statement())
            return false;
    }
    return true;
}

bool DotParser::statement()
{
    const int line = peek().line;
    if (isKeyword("subgraph") || peek().kind == DotToken::OpenBrace)
        return fail(kSubgraph, line);
    for (const char* target : {"graph", "node", "edge"}) {
        if (!isKeyword(target))
            continue;
        take();
        Attributes attributes;
        if (peek().kind != DotToken::OpenBracket || !attributeLists(attributes))
            return syntaxError();
        Attributes& into = target[0] == 'g' ? g_.graph : target[0] == 'n' ? nodeDefaults_ : edgeDefaults_;
        for (auto& [key, value] : attributes)
            into[key] = value;
        return true;
    }
    if (peek().kind != DotToken::Id || peek().keyword())
        return syntaxError();
    if (peek(1).kind == DotToken::Equals) { // name = value, a graph attribute
        std::string key;
        std::string value;
        if (!identifier(key))
            return false;
        take();
        if (!identifier(value))
            return false;
        g_.graph[key] = Attribute{value, line};
        return true;
    }
    return nodeOrEdge();
}

// An ID: a name, a numeral, an HTML string, or quoted strings joined by "+".
bool DotParser::identifier(std::string& text)
{
    if (peek().kind != DotToken::Id || peek().keyword())
        return syntaxError();
    const DotToken& first = take();
    text = first.text;
    if (!first.quoted)
        return true;
    while (peek().kind == DotToken::Plus) {
        take();
        if (peek().kind != DotToken::Id || !peek().quoted)
            return syntaxError();
        text += take().text;
    }
    return true;
}

// [a=b, c=d][e=f] ...; a name without a value is refused, as every
// attribute here needs one.
bool DotParser::attributeLists(Attributes& attributes)
{
    while (accept(DotToken::OpenBracket)) {
        while (!accept(DotToken::CloseBracket)) {
            const int line = peek().line;
            std::string key;
            std::string value;
            if (!identifier(key) || !accept(DotToken::Equals) || !identifier(value))
                return message_.empty() ? syntaxError() : false;
            attributes[key] = Attribute{value, line};
            if (!accept(DotToken::Comma))
                accept(DotToken::Semicolon);
        }
    }
    return true;
}

// A node's name, with a port (":port" or ":port:compass") that is ignored.
bool DotParser::nodeName(std::string& name)
{
    if (!identifier(name))
        return false;
    for (int part = 0; part < 2 && accept(DotToken::Colon); ++part) {
        std::string port;
        if (!identifier(port))
            return false;
    }
    return true;
}

bool DotParser::nodeOrEdge()
{
    const int line = peek().line;
    std::vector<std::string> names(1);
    if (!nodeName(names[0]))
        return false;
    while (peek().kind == DotToken::EdgeOperator) {
        if (peek().directedOperator != g_.directed)
            return syntaxError();
        take();
        if (isKeyword("subgraph") || peek().kind == DotToken::OpenBrace)
            return fail(kSubgraph, peek().line);
        names.emplace_back();
        if (!nodeName(names.back()))
            return false;
    }
    Attributes attributes;
    if (peek().kind == DotToken::OpenBracket && !attributeLists(attributes))
        return false;
    if (names.size() == 1) {
        declareNode(names[0], attributes, line);
        return true;
    }
    for (std::size_t i = 0; i + 1 < names.size(); ++i) {
        DotEdge edge{names[i], names[i + 1], edgeDefaults_, line};
        for (auto& [key, value] : attributes)
            edge.attributes[key] = value;
        g_.edges.push_back(std::move(edge));
    }
    return true;
}

void DotParser::declareNode(const std::string& name, const Attributes& attributes, int line)
{
    auto [found, added] = g_.nodeIndex.try_emplace(name, g_.nodes.size());
    if (added)
        g_.nodes.push_back(DotNode{name, nodeDefaults_, line});
    DotNode& node = g_.nodes[found->second];
    for (const auto& [key, value] : attributes)
        node.attributes[key] = value;
}

const Attribute* attributeOf(const Attributes& attributes, const char* key)
{
    const auto found = attributes.find(key);
    return found == attributes.end() ? nullptr : &found->second;
}

// From names to labels.
class DotStructure {
public:
    DotStructure(const DotGraph& graph, ExchangeStructure& structure, std::string& message)
        : g_(graph), s_(structure), message_(message)
    {
    }

    bool build() { return nodes() && edges() && pair(); }

private:
    bool fail(const char* text, int line)
    {
        message_ = atLine(text, line);
        return false;
    }
    bool nodes();
    bool edges();
    bool pair();
    const ExchangeNode* nodeNamed(const std::string& name) const
    {
        const auto found = g_.nodeIndex.find(name);
        return found == g_.nodeIndex.end() ? nullptr : &s_.nodes[found->second];
    }

    const DotGraph& g_;
    ExchangeStructure& s_;
    std::string& message_;
};

bool DotStructure::nodes()
{
    for (const DotNode& dot : g_.nodes) {
        ExchangeNode node;
        node.line = dot.line;
        // Graphviz's own default label, \N, stands for the node's name.
        const Attribute* label = attributeOf(dot.attributes, "label");
        const std::string labelText = label && label->value != "\\N" ? label->value : dot.name;
        const Attribute* availability = attributeOf(dot.attributes, "availability");
        if (!exactLabel(trimmed(labelText), node.label) || !availability
            || !exactAvailability(trimmed(availability->value), node.availability))
            return fail(kBadNodeLine, dot.line);
        s_.nodes.push_back(node);
    }
    return true;
}

bool DotStructure::edges()
{
    for (const DotEdge& dot : g_.edges) {
        ExchangeEdge edge;
        edge.line = dot.line;
        const Attribute* label = attributeOf(dot.attributes, "label");
        const Attribute* availability = attributeOf(dot.attributes, "availability");
        if (!label || !exactLabel(trimmed(label->value), edge.label) || !availability
            || !exactAvailability(trimmed(availability->value), edge.availability))
            return fail(kBadEdgeLine, dot.line);
        const ExchangeNode* from = nodeNamed(dot.from);
        const ExchangeNode* to = nodeNamed(dot.to);
        if (!from || !to)
            return fail(kMissingEdgeNode, dot.line);
        edge.from = from->label;
        edge.to = to->label;
        s_.edges.push_back(edge);
    }
    return true;
}

bool DotStructure::pair()
{
    const Attribute* source = attributeOf(g_.graph, "source");
    const Attribute* destination = attributeOf(g_.graph, "destination");
    if (!source && !destination)
        return true;
    if (!source || !destination)
        return fail(kBadPair, (source ? source : destination)->line);
    const ExchangeNode* from = nodeNamed(source->value);
    const ExchangeNode* to = nodeNamed(destination->value);
    if (!from || !to)
        return fail(kMissingPairNode, (from ? destination : source)->line);
    s_.pair = ExchangePair{from->label, to->label, source->line};
    return true;
}

} // namespace

bool parseExchangeDot(std::string_view text, ExchangeStructure& structure, std::string& message)
{
    structure = ExchangeStructure{};
    message.clear();
    std::vector<DotToken> tokens;
    if (!dotTokens(text, tokens, message))
        return false;
    DotGraph graph;
    if (!DotParser(tokens, graph, message).parse())
        return false;
    structure.directed = graph.directed;
    return DotStructure(graph, structure, message).build();
}

} // namespace velmor
