#pragma once

#include "cli/CliOptions.h"
#include "cli/ResultOutput.h"
#include "containers/CellMatrix.h"
#include "containers/ElementList.h"
#include "containers/IntArray.h"
#include "run/ControlChannel.h"
#include "run/RunEngine.h"
#include "structure/StructureFileReader.h"
#include "structure/StructureWorkspace.h"

#include <chrono>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace velmor {

// What the surroundings give a computation: whether Ctrl+C has been pressed,
// and where (if anywhere) the live progress line goes.
struct ComputeEnvironment {
    std::function<bool()> interrupted;
    std::ostream* progress = nullptr; // null: no live progress
    int progressWidth = 0;            // columns of the terminal; 0: unknown
    std::chrono::milliseconds progressInterval{100};
};

// The engine with everything it computes on: a workspace, a reader and the
// channel its events come through. Held on the heap (the workspace holds
// every container of a run).
struct ComputeSession {
    StructureWorkspace workspace;
    StructureFileReader reader;
    ControlChannel channel;
    RunEngine engine{workspace, channel};
};

// The run that the command line asks for on the loaded structure: the
// direction and the pair the file gives unless the options say otherwise.
RunOptions runOptionsFor(const CliOptions& options, const StructureWorkspace& ws, bool pairGiven);

// Loads the options' file, runs the chosen algorithms with the options and
// prints the results on `out` in the chosen format; messages go to `err`.
// Returns the exit status.
int runCompute(ComputeSession& session, const CliOptions& options, std::ostream& out, std::ostream& err,
               const ComputeEnvironment& environment);

// The same with a session of its own.
int runCompute(const CliOptions& options, std::ostream& out, std::ostream& err,
               const ComputeEnvironment& environment);

// Texts of the terms of a final-term matrix: the elements of each term in
// work-index order, as "N<label>" or "e<label>", a failing one marked "*".
std::vector<std::string> termTexts(const TermRows& terms, const IntArray& elementMap, const ElementList& elements);

} // namespace velmor
