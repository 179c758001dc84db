#pragma once

#include <cstdint>
#include <string>

namespace velmor {

// The general number format: rounded to 15 significant digits, trailing
// zeros and a trailing separator dropped, fixed notation for 0 and for
// 0.0001 <= |value| < 1e15, otherwise scientific ("2.5E-6", "1E15").
std::string formatGeneral(long double value, char decimalSeparator = '.');

// The general format with as many significant digits as it takes, and no
// more, to read back (through cLongDouble) as exactly the same value; "." as
// separator. Agrees with formatGeneral wherever 15 digits are exact.
std::string formatExact(long double value);

// The decimal separator of the user's locale (from the environment), without
// touching the process's C locale, which stays "C" for every conversion.
char userDecimalSeparator();

// Conversions as the C functions atol and strtold do them in the "C" locale,
// whatever locale the process runs in. Labels saturate at the 64-bit range;
// `consumed` (when given) receives how many characters formed the number.
std::int64_t cLong(const char* text, std::size_t* consumed = nullptr);
long double cLongDouble(const char* text, std::size_t* consumed = nullptr);

} // namespace velmor
