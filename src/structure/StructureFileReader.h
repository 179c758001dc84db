#pragma once

#include "containers/CellMatrix.h"
#include "containers/ElementList.h"
#include "containers/IntArray.h"
#include "structure/TextFile.h"

#include <cstdint>
#include <string>

namespace velmor {

// Reads a structure file: keyword sections "usmjeren", "cvorovi", "grane" and
// "par" after a "struktura" header, found anywhere in their lines, in any
// order, among comments and other text.
//
// The reader object lives as long as the program and is reused for every
// load; after a successful read the load step takes the direction and
// whether a pair was given from its fields.
class StructureFileReader {
public:
    // The most elements a structure may have on this machine: a run holds
    // three n x n matrices and works on copies of one, so a structure whose
    // matrices would not fit in physical memory is refused before they grow
    // instead of driving the machine out of memory.
    static int defaultMaxElements();
    int maxElements = defaultMaxElements();

    std::uint8_t directedValue = 0; // 1 "da", 0 "ne"
    int fromIndex = 0;              // scratch: first endpoint or source
    int toIndex = 0;                // scratch: second endpoint or destination
    TextFile file;
    std::uint8_t directedGiven = 0;
    std::uint8_t pairGiven = 0;

    // Fills the given (empty) containers from the file. On failure returns
    // false with the reason in `message` and leaves in the containers what it
    // had written so far; the caller empties them. `sourceIndex` and
    // `destinationIndex` are written only when the file gives a pair.
    bool readStructureFile(const std::string& path, ElementList& elements, ByteMatrix& directedMatrix,
                           ByteMatrix& undirectedMatrix, int& sourceIndex, int& destinationIndex,
                           IntArray& elementState, std::string& message);
};

} // namespace velmor
