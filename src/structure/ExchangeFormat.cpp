#include "structure/ExchangeFormat.h"

#include "structure/ExchangeFields.h"

#include <string>

namespace velmor {

std::optional<ExchangeFormat> exchangeFormatNamed(std::string_view name)
{
    const std::string lower = lowerCase(name);
    if (lower == "dot")
        return ExchangeFormat::Dot;
    if (lower == "graphml")
        return ExchangeFormat::GraphMl;
    if (lower == "csv")
        return ExchangeFormat::Csv;
    return std::nullopt;
}

std::string_view exchangeFormatName(ExchangeFormat format)
{
    switch (format) {
    case ExchangeFormat::Dot:
        return "dot";
    case ExchangeFormat::GraphMl:
        return "graphml";
    case ExchangeFormat::Csv:
        return "csv";
    }
    return "dot";
}

std::optional<ExchangeFormat> exchangeFormatOfPath(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return std::nullopt; // no extension, or a hidden file's name
    const std::string extension = lowerCase(name.substr(dot + 1));
    if (extension == "gv")
        return ExchangeFormat::Dot;
    return exchangeFormatNamed(extension);
}

} // namespace velmor
