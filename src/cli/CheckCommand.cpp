#include "cli/CheckCommand.h"

#include "structure/LoadStructure.h"

#include <memory>
#include <ostream>

namespace velmor {

namespace {

int countOfKind(const ElementList& elements, std::int32_t kind)
{
    int count = 0;
    for (int i = 0; const ElementEntry* entry = elements.entryAt(i); ++i)
        if (entry->kind == kind)
            ++count;
    return count;
}

std::string nodeText(const ElementList& elements, int index)
{
    const ElementEntry* entry = elements.entryAt(index);
    return entry ? elementText(entry->label, entry->kind) : "?";
}

void printSummary(const StructureWorkspace& workspace, bool pairGiven, std::ostream& out)
{
    out << "Structure file: " << workspace.fileName << '\n';
    out << "Direction:      " << (workspace.directed ? "directed" : "undirected") << '\n';
    out << "Nodes:          " << countOfKind(workspace.elements, NodeKind) << '\n';
    out << "Edges:          " << countOfKind(workspace.elements, EdgeKind) << '\n';
    out << "Pair:           ";
    if (pairGiven)
        out << "source " << nodeText(workspace.elements, workspace.fileSourceIndex) << ", destination "
            << nodeText(workspace.elements, workspace.fileDestinationIndex) << '\n';
    else
        out << "not given in the file\n";
}

} // namespace

int runCheck(const CliOptions& options, std::ostream& out, std::ostream& err)
{
    // The workspace holds every container of a run; keep it off the stack.
    auto workspace = std::make_unique<StructureWorkspace>();
    StructureFileReader reader;
    std::string message;
    if (!loadStructureFile(*workspace, reader, options.file, message)) {
        err << kLoadFailedLine << '\n' << message << '\n';
        return kExitLoadFailed;
    }
    printSummary(*workspace, reader.pairGiven != 0, out);
    return kExitSuccess;
}

} // namespace velmor
