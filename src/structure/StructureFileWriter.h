#pragma once

#include "containers/CellMatrix.h"
#include "containers/ElementList.h"
#include "structure/TextFile.h"

#include <string>

namespace velmor {

// An availability as a structure file holds it: 15 significant digits in the
// general format, and "." as decimal point whatever `decimalSeparator` the
// number was formatted with.
std::string availabilityText(long double availability, char decimalSeparator);

// Writes a structure in the one fixed layout that the reader reads back to
// the same structure.
class StructureFileWriter {
public:
    TextFile file;

    // `directed` chooses "da" or "ne"; the "par" section is written only when
    // both indices name nodes, and left out otherwise, so that the file reads
    // back as a structure that gives no pair. An edge whose endpoints cannot
    // be found in `directedMatrix` is left out. False with the reason in
    // `message`.
    // The file is replaced as writeReplacing says: never left half written.
    bool writeStructureFile(const std::string& path, const ElementList& elements, const ByteMatrix& directedMatrix,
                            bool directed, int sourceIndex, int destinationIndex, std::string& message);
};

} // namespace velmor
