#pragma once

#include "structure/ExchangeStructure.h"

#include <string>
#include <string_view>

namespace velmor {

// Reads a structure from the CSV layout: tables, each a header line and
// its rows, in any order, blank lines and lines starting with "#" between.
//
//   directed                       one row: yes or no (also true/false, 1/0,
//                                  da/ne); required
//   source,destination             at most one row: two node labels
//   label,availability             the nodes
//   label,from,to,availability     the edges, from and to as node labels
//
// Fields are separated by commas and may be quoted ("..." with "" for a
// quote); spaces around a field and empty fields at the end of a row (as a
// spreadsheet pads them) do not count. Only the form of the text is checked
// here; the labels and availabilities are judged when the structure is
// built. False with the reason, and the line it concerns, in `message`.
bool parseExchangeCsv(std::string_view text, ExchangeStructure& structure, std::string& message);

} // namespace velmor
