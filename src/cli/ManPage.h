#pragma once

#include <string>

namespace velmor {

// The manual page velmor-cli(1) in roff (man macros), made from the --help
// text so that the two never differ: its "Usage:" lines become the
// synopsis, the paragraph after them the description, every heading line
// ("Modes:") a section, and every "  TERM   description" line an entry.
std::string cliManPage(const std::string& helpText, const std::string& version);

} // namespace velmor
