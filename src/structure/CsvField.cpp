#include "structure/CsvField.h"

namespace velmor {

std::string csvField(std::string_view text, char separator)
{
    const bool plain = text.find_first_of(std::string{separator, '"', '\r', '\n'}) == std::string_view::npos
                       && (text.empty() || (text.front() != ' ' && text.back() != ' '));
    if (plain)
        return std::string(text);
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
    return out;
}

} // namespace velmor
