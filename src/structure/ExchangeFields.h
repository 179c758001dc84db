#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmor {

// Values of an imported file, read strictly: the whole text must be the
// number. A label is a whole number that fits 32 bits; an availability is a
// number as strtold reads it in the "C" locale (its range is the element
// list's to judge).
bool exactLabel(std::string_view text, std::int32_t& label);
bool exactAvailability(std::string_view text, long double& availability);

// The text with ASCII letters in lower case, for names read in any case.
std::string lowerCase(std::string_view text);

// The text without spaces and tabs around it.
std::string_view trimmed(std::string_view text);

// A message with the line it concerns: "... (redak 7)"; unchanged for line 0.
std::string atLine(std::string_view message, int line);

} // namespace velmor
