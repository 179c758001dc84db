#pragma once

#include "containers/CellMatrix.h"
#include "containers/ElementList.h"
#include "containers/IntArray.h"
#include "structure/ExchangeFormat.h"
#include "structure/StructureFileReader.h"

#include <cstdint>
#include <optional>
#include <string>

namespace velmor {

// Reads a structure from an exchange file (an edge-list CSV or a DOT graph)
// into the containers a structure file fills, with the same checks as the
// structure file reader (labels, availabilities in [0, 1], the same label
// twice, edges and pairs naming nodes that do not exist) and messages of
// the same kind, most of them followed by the line they concern.
class ExchangeReader {
public:
    int maxElements = StructureFileReader::defaultMaxElements();

    std::uint8_t directedValue = 0; // 1 directed, 0 undirected
    std::uint8_t pairGiven = 0;

    // The format is the extension's (.csv; .dot or .gv); a file with any
    // other name is read as DOT when it starts like a DOT graph, otherwise
    // as CSV. The containers must be empty; on failure they may hold part of
    // the structure and the caller empties them. `sourceIndex` and
    // `destinationIndex` are written only when the file gives a pair.
    bool readExchangeFile(const std::string& path, ElementList& elements, ByteMatrix& directedMatrix,
                          ByteMatrix& undirectedMatrix, int& sourceIndex, int& destinationIndex,
                          IntArray& elementState, std::string& message);

    // The same from text already in memory, in the given format.
    bool readExchangeText(std::string_view text, ExchangeFormat format, ElementList& elements,
                          ByteMatrix& directedMatrix, ByteMatrix& undirectedMatrix, int& sourceIndex,
                          int& destinationIndex, IntArray& elementState, std::string& message);
};

// The format a file's text is in, when its name does not say: DOT when its
// first word (after white space and comments) is strict, graph or digraph.
ExchangeFormat sniffExchangeFormat(std::string_view text);

} // namespace velmor
