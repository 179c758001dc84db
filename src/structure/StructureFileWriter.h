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

    // `directed` chooses "da" or "ne"; the pair is written only when both
    // indices are 0 or more. An edge whose endpoints cannot be found in
    // `directedMatrix` is left out. False with the reason in `message`.
    //
    // A regular file is never left half written: the new contents go to a
    // hidden file in the same directory, which replaces the target (keeping
    // its permissions, and a symbolic link as a link) only once it is
    // complete on the disk; on failure the target keeps what it held. A
    // target the user may not write is refused even though the directory
    // would allow replacing it. A device or a pipe is written directly.
    bool writeStructureFile(const std::string& path, const ElementList& elements, const ByteMatrix& directedMatrix,
                            bool directed, int sourceIndex, int destinationIndex, std::string& message);
};

} // namespace velmor
