#pragma once

#include "cli/CliOptions.h"
#include "cli/ResultOutput.h"
#include "containers/CellMatrix.h"
#include "containers/ElementList.h"
#include "containers/IntArray.h"

#include <chrono>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace velmor {

class MainController;

// What the surroundings give a computation: whether Ctrl+C has been pressed,
// and where (if anywhere) the live progress line goes.
struct ComputeEnvironment {
    std::function<bool()> interrupted;
    std::ostream* progress = nullptr; // null: no live progress
    int progressWidth = 0;            // columns of the terminal; 0: unknown
    std::chrono::milliseconds progressInterval{100};
};

// Loads the options' file into `controller`, sets the option controls as a
// user would, runs the chosen algorithms, and prints the results on `out` in
// the chosen format; messages go to `err`. Returns the exit status.
int runCompute(MainController& controller, const CliOptions& options, std::ostream& out, std::ostream& err,
               const ComputeEnvironment& environment);

// The same with a main window of its own.
int runCompute(const CliOptions& options, std::ostream& out, std::ostream& err,
               const ComputeEnvironment& environment);

// Texts of the terms of a final-term matrix: the elements of each term in
// work-index order, as "N<label>" or "e<label>", a failing one marked "*".
std::vector<std::string> termTexts(const ByteMatrix& terms, const IntArray& elementMap, const ElementList& elements);

} // namespace velmor
