#pragma once

#include "cli/CliOptions.h"

#include <iosfwd>

namespace velmor {

// Loads the options' file and prints its summary on `out`; when the file
// cannot be loaded, prints why on `err`. Returns the exit status.
int runCheck(const CliOptions& options, std::ostream& out, std::ostream& err);

} // namespace velmor
