#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmor {

// The formats a structure is exchanged with other programs in: Graphviz's
// DOT, GraphML, and a CSV of node and edge lists.
enum class ExchangeFormat { Dot, GraphMl, Csv };

// "dot", "graphml" or "csv", in any case.
std::optional<ExchangeFormat> exchangeFormatNamed(std::string_view name);
std::string_view exchangeFormatName(ExchangeFormat format);

// The format a file name's extension stands for (".dot" and ".gv", ".graphml",
// ".csv", in any case); none for any other name, a .dsm among them.
std::optional<ExchangeFormat> exchangeFormatOfPath(std::string_view path);

} // namespace velmor
