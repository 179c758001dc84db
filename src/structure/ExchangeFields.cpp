#include "structure/ExchangeFields.h"

#include "platform/Numbers.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace velmor {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

bool exactLabel(std::string_view text, std::int32_t& label)
{
    const std::size_t start = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
    if (text.size() == start || text.size() > 12)
        return false;
    for (std::size_t i = start; i < text.size(); ++i)
        if (!isDigit(text[i]))
            return false;
    const std::string copy(text);
    const std::int64_t value = cLong(copy.c_str());
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
        return false;
    label = static_cast<std::int32_t>(value);
    return true;
}

bool exactAvailability(std::string_view text, long double& availability)
{
    if (text.empty() || !(isDigit(text[0]) || text[0] == '.' || text[0] == '-' || text[0] == '+'))
        return false; // strtold would skip white space first
    const std::string copy(text);
    std::size_t consumed = 0;
    availability = cLongDouble(copy.c_str(), &consumed);
    return consumed == copy.size();
}

std::string lowerCase(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::string_view trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::string atLine(std::string_view message, int line)
{
    std::string text(message);
    if (line > 0)
        text += " (redak " + std::to_string(line) + ")";
    return text;
}

} // namespace velmor
