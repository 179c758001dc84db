#pragma once

#include "cli/CliOptions.h"

#include <iosfwd>

namespace velmor {

// --export: loads the options' .dsm file and writes its structure in the
// chosen exchange format on `out`, or into the --output file. Returns the
// exit status; messages go to `err`.
int runExport(const CliOptions& options, std::ostream& out, std::ostream& err);

// --import: reads the options' CSV or DOT file and writes it as the --output
// .dsm file; nothing is written when the input is refused.
int runImport(const CliOptions& options, std::ostream& err);

} // namespace velmor
