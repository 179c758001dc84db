#include "cli/ResultOutput.h"

#include "platform/Numbers.h"
#include "run/ResultRows.h"

#include <array>
#include <charconv>
#include <ostream>

namespace velmor {

namespace {

// Length of the UTF-8 sequence that starts at text[i], 0 when none does.
std::size_t utf8SequenceLength(std::string_view text, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    unsigned char secondLow = 0x80, secondHigh = 0xBF; // excludes overlong forms and surrogates
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            secondLow = 0xA0;
        if (lead == 0xED)
            secondHigh = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            secondLow = 0x90;
        if (lead == 0xF4)
            secondHigh = 0x8F;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    if (byte(i + 1) < secondLow || byte(i + 1) > secondHigh)
        return 0;
    for (std::size_t k = 2; k < length; ++k)
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
    return length;
}

// Characters on a terminal: one per code point (the program's texts hold no
// wide or combining characters).
std::size_t displayWidth(std::string_view text)
{
    std::size_t width = 0;
    for (const char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++width;
    return width;
}

std::string padRight(std::string_view text, std::size_t width)
{
    const std::size_t shown = displayWidth(text);
    return std::string(text) + std::string(shown < width ? width - shown : 0, ' ');
}

std::string padLeft(std::string_view text, std::size_t width)
{
    const std::size_t shown = displayWidth(text);
    return std::string(shown < width ? width - shown : 0, ' ') + std::string(text);
}

std::string nodeName(std::int32_t label)
{
    return elementText(label, NodeKind);
}

void writeImportanceTable(const ImportanceOutcome& importance, char decimalSeparator, std::ostream& out)
{
    out << "\nImportance (" << importance.status << ", " << importance.elements.size() << " elements):\n";
    std::vector<std::array<std::string, 3>> rows;
    rows.push_back({"Element", "Birnbaum", "Kritičnost"});
    for (const ImportanceLine& line : importance.elements)
        rows.push_back({line.element, formatGeneral(line.birnbaum, decimalSeparator),
                        formatGeneral(line.criticality, decimalSeparator)});
    std::array<std::size_t, 3> widths{};
    for (const auto& row : rows)
        for (std::size_t column = 0; column < widths.size(); ++column)
            widths[column] = std::max(widths[column], displayWidth(row[column]));
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const auto& row = rows[r];
        std::string line = padRight(row[0], widths[0]);
        for (std::size_t column = 1; column < row.size(); ++column)
            line += "  " + (r == 0 ? padRight(row[column], widths[column]) : padLeft(row[column], widths[column]));
        line.erase(line.find_last_not_of(' ') + 1);
        out << line << '\n';
    }
}

} // namespace

std::string_view statusName(RunStatus status)
{
    switch (status) {
    case RunStatus::Done: return "done";
    case RunStatus::Failed: return "failed";
    case RunStatus::Stopped: return "stopped";
    case RunStatus::Limited: return "limited";
    }
    return "";
}

std::string jsonString(std::string_view text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const std::size_t length = utf8SequenceLength(text, i);
            if (length == 0) {
                out += "\\ufffd";
                ++i;
            } else {
                out.append(text.substr(i, length));
                i += length;
            }
            continue;
        }
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20 || c == 0x7F) {
                out += "\\u00";
                out += kHex[c >> 4];
                out += kHex[c & 0xF];
            } else {
                out += static_cast<char>(c);
            }
        }
        ++i;
    }
    out += '"';
    return out;
}

std::string preciseNumber(long double value)
{
    std::array<char, 64> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                            std::chars_format::general, 18);
    return error == std::errc() ? std::string(buffer.data(), end) : std::string("0");
}

std::string shortNumber(double value)
{
    std::array<char, 64> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return error == std::errc() ? std::string(buffer.data(), end) : std::string("0");
}

void writeTable(const RunOutcome& outcome, bool withTerms, char decimalSeparator, std::ostream& out)
{
    out << "Structure file: " << outcome.file << '\n';
    out << "Direction:      " << (outcome.directed ? "directed" : "undirected") << '\n';
    out << "Pair:           source " << nodeName(outcome.source) << ", destination " << nodeName(outcome.destination)
        << '\n';
    out << "Reduction:      " << (outcome.reduction ? "on" : "off") << " (" << outcome.elements << " elements, "
        << outcome.workElements << " computed on)\n";
    out << "Terminals:      " << (outcome.idealTerminals ? "ideal" : "real") << "\n\n";

    std::vector<std::array<std::string, 7>> rows;
    rows.push_back({kGridHeader[0], kGridHeader[1], kGridHeader[2], kGridHeader[3], kGridHeader[4],
                    "Donja granica", "Gornja granica"});
    for (const AlgorithmOutcome& result : outcome.results)
        rows.push_back({std::string(algorithmName(result.algorithm)),
                        formatGeneral(result.availability, decimalSeparator),
                        formatGeneral(static_cast<long double>(result.memory), decimalSeparator),
                        formatGeneral(result.time, decimalSeparator), result.anomalyText,
                        formatGeneral(result.lowerBound, decimalSeparator),
                        formatGeneral(result.upperBound, decimalSeparator)});
    std::array<std::size_t, 7> widths{};
    for (const auto& row : rows)
        for (std::size_t column = 0; column < widths.size(); ++column)
            widths[column] = std::max(widths[column], displayWidth(row[column]));
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const auto& row = rows[r];
        // Names and texts read from the left, numbers line up on the right.
        const bool header = r == 0;
        std::string line;
        for (std::size_t column = 0; column < row.size(); ++column) {
            const bool text = header || column == 0 || column == 4;
            line += (column == 0 ? "" : "  ")
                + (text ? padRight(row[column], widths[column]) : padLeft(row[column], widths[column]));
        }
        // The last column's padding would only trail.
        line.erase(line.find_last_not_of(' ') + 1);
        out << line << '\n';
    }

    if (withTerms) {
        for (const AlgorithmOutcome& result : outcome.results) {
            out << '\n' << algorithmName(result.algorithm) << " terms (" << result.terms << "):\n";
            for (const std::string& term : result.termTexts)
                out << "  " << term << '\n';
        }
    }
    if (outcome.importance)
        writeImportanceTable(*outcome.importance, decimalSeparator, out);
}

void writeJson(const RunOutcome& outcome, bool withTerms, std::ostream& out)
{
    const auto boolean = [](bool on) { return on ? "true" : "false"; };
    out << "{\n";
    out << "  \"file\": " << jsonString(outcome.file) << ",\n";
    out << "  \"directed\": " << boolean(outcome.directed) << ",\n";
    out << "  \"source\": " << outcome.source << ",\n";
    out << "  \"destination\": " << outcome.destination << ",\n";
    out << "  \"reduction\": " << boolean(outcome.reduction) << ",\n";
    out << "  \"idealTerminals\": " << boolean(outcome.idealTerminals) << ",\n";
    out << "  \"elements\": " << outcome.elements << ",\n";
    out << "  \"workElements\": " << outcome.workElements << ",\n";
    out << "  \"results\": [";
    for (std::size_t i = 0; i < outcome.results.size(); ++i) {
        const AlgorithmOutcome& result = outcome.results[i];
        out << (i == 0 ? "\n" : ",\n") << "    {\n";
        out << "      \"algorithm\": " << jsonString(algorithmName(result.algorithm)) << ",\n";
        out << "      \"availability\": " << jsonString(preciseNumber(result.availability)) << ",\n";
        out << "      \"lowerBound\": " << jsonString(preciseNumber(result.lowerBound)) << ",\n";
        out << "      \"upperBound\": " << jsonString(preciseNumber(result.upperBound)) << ",\n";
        out << "      \"memory\": " << result.memory << ",\n";
        out << "      \"time\": " << shortNumber(static_cast<double>(result.time)) << ",\n";
        out << "      \"iterations\": " << result.iterations << ",\n";
        out << "      \"anomalies\": " << result.anomalies << ",\n";
        out << "      \"anomalyText\": " << jsonString(result.anomalyText) << ",\n";
        out << "      \"terms\": " << result.terms << ",\n";
        out << "      \"status\": " << jsonString(statusName(result.status));
        if (withTerms) {
            out << ",\n      \"termTexts\": [";
            for (std::size_t t = 0; t < result.termTexts.size(); ++t)
                out << (t == 0 ? "\n        " : ",\n        ") << jsonString(result.termTexts[t]);
            out << (result.termTexts.empty() ? "]" : "\n      ]");
        }
        out << "\n    }";
    }
    out << (outcome.results.empty() ? "]" : "\n  ]");
    if (outcome.importance) {
        out << ",\n  \"importanceStatus\": " << jsonString(outcome.importance->status) << ",\n";
        out << "  \"importance\": [";
        const auto& elements = outcome.importance->elements;
        for (std::size_t i = 0; i < elements.size(); ++i)
            out << (i == 0 ? "\n" : ",\n") << "    {\"element\": " << jsonString(elements[i].element)
                << ", \"birnbaum\": " << jsonString(preciseNumber(elements[i].birnbaum))
                << ", \"criticality\": " << jsonString(preciseNumber(elements[i].criticality)) << "}";
        out << (elements.empty() ? "]" : "\n  ]");
    }
    out << "\n}\n";
}

void writeCsv(const RunOutcome& outcome, bool withTerms, std::ostream& out)
{
    out << "algorithm,availability,memory,time,iterations,anomalies,anomalyText,terms,status,lowerBound,upperBound";
    if (withTerms)
        out << ",termTexts";
    out << '\n';
    for (const AlgorithmOutcome& result : outcome.results) {
        out << algorithmName(result.algorithm) << ',' << preciseNumber(result.availability) << ',' << result.memory
            << ',' << shortNumber(static_cast<double>(result.time)) << ',' << result.iterations << ','
            << result.anomalies << ',' << csvField(result.anomalyText) << ',' << result.terms << ','
            << statusName(result.status) << ',' << preciseNumber(result.lowerBound) << ','
            << preciseNumber(result.upperBound);
        if (withTerms) {
            // The terms of one algorithm share a field, one after another.
            std::string joined;
            for (const std::string& term : result.termTexts)
                joined += (joined.empty() ? "" : "; ") + term;
            out << ',' << csvField(joined);
        }
        out << '\n';
    }
    if (!outcome.importance)
        return;
    // A second table, as the exchange CSV keeps its tables: after a blank line.
    out << "\nelement,birnbaum,criticality\n";
    for (const ImportanceLine& line : outcome.importance->elements)
        out << line.element << ',' << preciseNumber(line.birnbaum) << ',' << preciseNumber(line.criticality) << '\n';
}

} // namespace velmor
