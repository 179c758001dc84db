#include "cli/ExchangeCommand.h"

#include "structure/ExchangeReader.h"
#include "structure/ExchangeWriter.h"
#include "structure/LoadStructure.h"
#include "structure/StructureFileWriter.h"

#include <memory>
#include <optional>
#include <ostream>

namespace velmor {

namespace {

constexpr const char* kLoadFailed = "Otvorena datoteka ne sadrži odgovarajuće podatke";
constexpr const char* kSaveFailed = "Podatke nije moguće spremiti u datoteku";
constexpr const char* kStreamFailed = "Onemogućen pristup ili blokirana datoteka";

// What is written: the file's direction and pair unless the command line
// chose others, as a computation would use them.
struct WrittenChoices {
    bool directed = false;
    int sourceIndex = -1;
    int destinationIndex = -1;
};

bool nodeIndexOf(const ElementList& elements, std::int32_t label, int& index, std::ostream& err)
{
    if (elements.find(label, NodeKind, index))
        return true;
    err << "velmor-cli: " << label << " is not the label of a node of the structure\n";
    return false;
}

std::optional<WrittenChoices> writtenChoices(const CliOptions& options, const ElementList& elements,
                                             bool fileDirected, bool pairGiven, int fileSource,
                                             int fileDestination, std::ostream& err)
{
    WrittenChoices c;
    c.directed = options.direction == DirectionChoice::FromFile ? fileDirected
                                                                 : options.direction == DirectionChoice::Directed;
    if (pairGiven) {
        c.sourceIndex = fileSource;
        c.destinationIndex = fileDestination;
    }
    if (options.sourceLabel && !nodeIndexOf(elements, *options.sourceLabel, c.sourceIndex, err))
        return std::nullopt;
    if (options.destinationLabel && !nodeIndexOf(elements, *options.destinationLabel, c.destinationIndex, err))
        return std::nullopt;
    return c;
}

} // namespace

int runExport(const CliOptions& options, std::ostream& out, std::ostream& err)
{
    // The workspace holds every container of a run; keep it off the stack.
    auto workspace = std::make_unique<StructureWorkspace>();
    StructureFileReader reader;
    std::string message;
    if (!loadStructureFile(*workspace, reader, options.file, message)) {
        err << kLoadFailed << '\n' << message << '\n';
        return kExitLoadFailed;
    }
    const std::optional<WrittenChoices> choices =
        writtenChoices(options, workspace->elements, workspace->directed == 1, reader.pairGiven != 0,
                       workspace->fileSourceIndex, workspace->fileDestinationIndex, err);
    if (!choices)
        return kExitUsage;
    const ExchangeStructure structure = exchangeStructureOf(
        workspace->elements, workspace->directedMatrix, choices->directed, choices->sourceIndex,
        choices->destinationIndex);
    if (options.output.empty()) {
        out << exchangeText(options.exportFormat, structure);
        out.flush();
        if (!out) {
            err << kSaveFailed << '\n' << kStreamFailed << '\n';
            return kExitWriteFailed;
        }
        return kExitSuccess;
    }
    ExchangeWriter writer;
    if (!writer.writeExchangeFile(options.output, options.exportFormat, structure, message)) {
        err << kSaveFailed << '\n' << message << '\n';
        return kExitWriteFailed;
    }
    return kExitSuccess;
}

int runImport(const CliOptions& options, std::ostream& err)
{
    auto workspace = std::make_unique<StructureWorkspace>();
    StructureWorkspace& ws = *workspace;
    ExchangeReader reader;
    std::string message;
    int source = -1;
    int destination = -1;
    if (!reader.readExchangeFile(options.file, ws.elements, ws.directedMatrix, ws.undirectedMatrix, source,
                                 destination, ws.elementState, message)) {
        err << kLoadFailed << '\n' << message << '\n';
        return kExitLoadFailed;
    }
    const std::optional<WrittenChoices> choices = writtenChoices(
        options, ws.elements, reader.directedValue == 1, reader.pairGiven != 0, source, destination, err);
    if (!choices)
        return kExitUsage;
    StructureFileWriter writer;
    if (!writer.writeStructureFile(options.output, ws.elements, ws.directedMatrix, choices->directed,
                                   choices->sourceIndex, choices->destinationIndex, message)) {
        err << kSaveFailed << '\n' << message << '\n';
        return kExitWriteFailed;
    }
    return kExitSuccess;
}

} // namespace velmor
