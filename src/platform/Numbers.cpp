#include "platform/Numbers.h"

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <locale>
#include <locale.h>

namespace velmor {

namespace {

// Digits and decimal exponent of |value| rounded to 15 significant digits.
void roundedDigits(long double value, std::string& digits, int& exponent)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.14Le", value);
    digits.clear();
    const char* p = buffer;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            digits.push_back(*p);
    exponent = *p == 'e' ? std::atoi(p + 1) : 0;
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
}

} // namespace

namespace {

// The shortest digits that read back as exactly `value` (|value| > 0), with
// the decimal exponent of the first digit.
void shortestDigits(long double value, std::string& digits, int& exponent)
{
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    digits.clear();
    exponent = 0;
    if (error != std::errc()) {
        roundedDigits(value, digits, exponent);
        return;
    }
    const char* p = buffer;
    for (; p != end && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            digits.push_back(*p);
    if (p != end)
        std::from_chars(p + (p[1] == '+' ? 2 : 1), end, exponent);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
}

// Lays out the significant digits of a value in the general format.
std::string generalLayout(bool negative, const std::string& digits, int exponent, char decimalSeparator)
{
    std::string out = negative ? "-" : "";
    if (exponent >= -4 && exponent < 15) {
        if (exponent >= 0) {
            const std::size_t whole = static_cast<std::size_t>(exponent) + 1;
            if (digits.size() <= whole) {
                out += digits;
                out.append(whole - digits.size(), '0');
            } else {
                out += digits.substr(0, whole);
                out += decimalSeparator;
                out += digits.substr(whole);
            }
        } else {
            out += '0';
            out += decimalSeparator;
            out.append(static_cast<std::size_t>(-exponent - 1), '0');
            out += digits;
        }
        return out;
    }

    out += digits[0];
    if (digits.size() > 1) {
        out += decimalSeparator;
        out += digits.substr(1);
    }
    out += 'E';
    if (exponent < 0)
        out += '-';
    out += std::to_string(std::abs(exponent));
    return out;
}

const char* specialText(long double value)
{
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    if (value == 0)
        return "0";
    return nullptr;
}

} // namespace

std::string formatGeneral(long double value, char decimalSeparator)
{
    if (const char* special = specialText(value))
        return special;
    std::string digits;
    int exponent = 0;
    roundedDigits(std::fabs(value), digits, exponent);
    return generalLayout(value < 0, digits, exponent, decimalSeparator);
}

std::string formatExact(long double value)
{
    if (const char* special = specialText(value))
        return special;
    std::string digits;
    int exponent = 0;
    shortestDigits(std::fabs(value), digits, exponent);
    return generalLayout(value < 0, digits, exponent, '.');
}

char userDecimalSeparator()
{
    try {
        const std::locale user("");
        return std::use_facet<std::numpunct<char>>(user).decimal_point();
    } catch (const std::exception&) {
        return '.';
    }
}

namespace {

locale_t cNumericLocale()
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

} // namespace

std::int64_t cLong(const char* text, std::size_t* consumed)
{
    char* end = nullptr;
    const int savedErrno = errno;
    const long long value = strtoll_l(text, &end, 10, cNumericLocale());
    errno = savedErrno;
    if (consumed)
        *consumed = static_cast<std::size_t>(end - text);
    return value;
}

long double cLongDouble(const char* text, std::size_t* consumed)
{
    char* end = nullptr;
    const int savedErrno = errno;
    const long double value = strtold_l(text, &end, cNumericLocale());
    errno = savedErrno;
    if (consumed)
        *consumed = static_cast<std::size_t>(end - text);
    return value;
}

} // namespace velmor
