#include "run/ResultsFile.h"

#include "platform/Numbers.h"
#include "structure/CsvField.h"
#include "structure/ReplacingWrite.h"
#include "structure/TextFile.h"

#include <string_view>

namespace velmor {

namespace {

template <typename Fields>
void appendLine(std::string& out, const Fields& fields, char separator)
{
    bool first = true;
    for (const std::string& text : fields) {
        if (!first)
            out += separator;
        out += csvField(text, separator);
        first = false;
    }
    out += '\n';
}

} // namespace

std::string resultsCsv(const SavedResults& results, char decimalSeparator)
{
    const char separator = decimalSeparator == ',' ? ';' : ',';
    std::string out;
    for (std::size_t r = 0; r < results.grid.size(); ++r) {
        std::vector<std::string> line(results.grid[r].begin(), results.grid[r].end());
        if (r == 0) {
            line.emplace_back("Donja granica");
            line.emplace_back("Gornja granica");
        } else {
            const std::optional<AvailabilityBounds> bounds =
                r - 1 < results.bounds.size() ? results.bounds[r - 1] : std::nullopt;
            line.push_back(bounds ? formatGeneral(bounds->lower, decimalSeparator) : std::string());
            line.push_back(bounds ? formatGeneral(bounds->upper, decimalSeparator) : std::string());
        }
        appendLine(out, line, separator);
    }
    if (!results.importance)
        return out;
    out += '\n';
    appendLine(out, std::vector<std::string>{"Element", "Birnbaum", "Kritičnost"}, separator);
    for (const ElementImportance& e : results.importance->elements)
        appendLine(out,
                   std::vector<std::string>{e.text(), formatGeneral(e.birnbaum, decimalSeparator),
                                            formatGeneral(e.criticality, decimalSeparator)},
                   separator);
    return out;
}

bool writeResultsFile(const std::string& path, const SavedResults& results, char decimalSeparator,
                      std::string& message)
{
    const std::string text = resultsCsv(results, decimalSeparator);
    TextFile file;
    return writeTextReplacing(file, path, text, message);
}

} // namespace velmor
