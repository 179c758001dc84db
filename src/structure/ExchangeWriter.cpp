#include "structure/ExchangeWriter.h"

#include "platform/Numbers.h"
#include "structure/ReplacingWrite.h"

namespace velmor {

namespace {

std::string quoted(const std::string& text)
{
    return '"' + text + '"';
}

std::string dotText(const ExchangeStructure& s)
{
    const char* edgeOperator = s.directed ? " -> " : " -- ";
    std::string out = s.directed ? "digraph {\n" : "graph {\n";
    if (s.pair)
        out += "  graph [source=" + quoted(std::to_string(s.pair->source))
            + ", destination=" + quoted(std::to_string(s.pair->destination)) + "];\n";
    for (const ExchangeNode& node : s.nodes) {
        const std::string label = std::to_string(node.label);
        out += "  " + label + " [label=" + quoted(label) + ", availability=" + quoted(formatExact(node.availability))
            + "];\n";
    }
    for (const ExchangeEdge& edge : s.edges)
        out += "  " + std::to_string(edge.from) + edgeOperator + std::to_string(edge.to)
            + " [label=" + quoted(std::to_string(edge.label))
            + ", availability=" + quoted(formatExact(edge.availability)) + "];\n";
    out += "}\n";
    return out;
}

std::string graphMlData(const char* key, const std::string& value)
{
    return "<data key=\"" + std::string(key) + "\">" + value + "</data>";
}

std::string graphMlText(const ExchangeStructure& s)
{
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<graphml xmlns=\"http://graphml.graphdrawing.org/xmlns\"\n"
                      "         xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"\n"
                      "         xsi:schemaLocation=\"http://graphml.graphdrawing.org/xmlns "
                      "http://graphml.graphdrawing.org/xmlns/1.0/graphml.xsd\">\n"
                      "  <key id=\"source\" for=\"graph\" attr.name=\"source\" attr.type=\"int\"/>\n"
                      "  <key id=\"destination\" for=\"graph\" attr.name=\"destination\" attr.type=\"int\"/>\n"
                      "  <key id=\"nlabel\" for=\"node\" attr.name=\"label\" attr.type=\"int\"/>\n"
                      "  <key id=\"navailability\" for=\"node\" attr.name=\"availability\" attr.type=\"double\"/>\n"
                      "  <key id=\"elabel\" for=\"edge\" attr.name=\"label\" attr.type=\"int\"/>\n"
                      "  <key id=\"eavailability\" for=\"edge\" attr.name=\"availability\" attr.type=\"double\"/>\n";
    out += std::string("  <graph id=\"G\" edgedefault=\"") + (s.directed ? "directed" : "undirected") + "\">\n";
    if (s.pair)
        out += "    " + graphMlData("source", std::to_string(s.pair->source)) + "\n    "
            + graphMlData("destination", std::to_string(s.pair->destination)) + "\n";
    for (const ExchangeNode& node : s.nodes) {
        const std::string label = std::to_string(node.label);
        out += "    <node id=\"n" + label + "\">" + graphMlData("nlabel", label)
            + graphMlData("navailability", formatExact(node.availability)) + "</node>\n";
    }
    for (const ExchangeEdge& edge : s.edges) {
        const std::string label = std::to_string(edge.label);
        out += "    <edge id=\"e" + label + "\" source=\"n" + std::to_string(edge.from) + "\" target=\"n"
            + std::to_string(edge.to) + "\">" + graphMlData("elabel", label)
            + graphMlData("eavailability", formatExact(edge.availability)) + "</edge>\n";
    }
    out += "  </graph>\n</graphml>\n";
    return out;
}

std::string csvText(const ExchangeStructure& s)
{
    std::string out = std::string("directed\n") + (s.directed ? "yes" : "no") + "\n\n";
    if (s.pair)
        out += "source,destination\n" + std::to_string(s.pair->source) + ',' + std::to_string(s.pair->destination)
            + "\n\n";
    out += "label,availability\n";
    for (const ExchangeNode& node : s.nodes)
        out += std::to_string(node.label) + ',' + formatExact(node.availability) + '\n';
    out += "\nlabel,from,to,availability\n";
    for (const ExchangeEdge& edge : s.edges)
        out += std::to_string(edge.label) + ',' + std::to_string(edge.from) + ',' + std::to_string(edge.to) + ','
            + formatExact(edge.availability) + '\n';
    return out;
}

} // namespace

std::string exchangeText(ExchangeFormat format, const ExchangeStructure& structure)
{
    switch (format) {
    case ExchangeFormat::Dot:
        return dotText(structure);
    case ExchangeFormat::GraphMl:
        return graphMlText(structure);
    case ExchangeFormat::Csv:
        return csvText(structure);
    }
    return dotText(structure);
}

bool ExchangeWriter::writeExchangeFile(const std::string& path, ExchangeFormat format,
                                       const ExchangeStructure& structure, std::string& message)
{
    const std::string text = exchangeText(format, structure);
    return writeTextReplacing(file, path, text, message);
}

} // namespace velmor
