#pragma once

#include "structure/StructureFileReader.h"
#include "structure/StructureWorkspace.h"

#include <string>

namespace velmor {

// The first line shown when a file could not be loaded; the second is the
// reason that loadStructureFile gives.
inline constexpr const char* kLoadFailedLine = "Otvorena datoteka ne sadrži odgovarajuće podatke";

// Loads a structure file into the workspace: the structure and the results
// are reset first, then the file is read into the workspace's structure
// fields. On success `directed` and, when the file gives a pair,
// `fileSourceIndex` and `fileDestinationIndex` take the file's values. On
// failure the structure is emptied again, those three fields keep their
// earlier values, and `message` tells why.
bool loadStructureFile(StructureWorkspace& workspace, StructureFileReader& reader, const std::string& path,
                       std::string& message);

} // namespace velmor
