#include "structure/LoadStructure.h"

namespace velmor {

namespace {

constexpr const char* kPathTooLong = "Putanja do datoteke je predugačka: dopušteno je najviše 256 znakova";
static_assert(StructureWorkspace::kFileNameCapacity == 256, "kPathTooLong names the capacity");

} // namespace

bool loadStructureFile(StructureWorkspace& workspace, StructureFileReader& reader, const std::string& path,
                       std::string& message)
{
    workspace.resetStructure();
    workspace.resetResults();
    // The file name has a fixed capacity; a longer path is refused rather
    // than cut, which could open another file.
    if (!workspace.setFileName(path)) {
        message = kPathTooLong;
        return false;
    }
    const bool read = reader.readStructureFile(workspace.fileName, workspace.elements, workspace.directedMatrix,
                                               workspace.undirectedMatrix, workspace.sourceIndex,
                                               workspace.destinationIndex, workspace.elementState, message);
    if (!read) {
        workspace.resetStructure();
        return false;
    }
    workspace.directed = reader.directedValue;
    if (reader.pairGiven) {
        workspace.fileSourceIndex = workspace.sourceIndex;
        workspace.fileDestinationIndex = workspace.destinationIndex;
    }
    return true;
}

} // namespace velmor
