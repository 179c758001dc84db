#pragma once

#include "run/ControlChannel.h"
#include "structure/StructureWorkspace.h"

#include <array>
#include <optional>
#include <string>

namespace velmor {

inline constexpr std::array<const char*, 5> kGridHeader{
    "Primjenjeni algoritam", "Izračunata raspoloživost", "Zauzeta memorija [byte]", "Vrijeme izvođenja [sec]",
    "Uočene anomalije"};

// What a summary-grid row of one algorithm shows.
struct ResultRow {
    std::array<std::string, 5> cells;
    std::optional<Rgb> lamp; // a new indicator colour, if the row asks for one
};

ResultValues readResultValues(const StructureWorkspace& ws, Algorithm a, bool stoppedByUser);
ResultRow formatResultRow(Algorithm a, const ResultValues& values, char decimalSeparator);

// `text` in the general format, padded on the left with underscores to
// `width` characters and followed by " *".
std::string paddedMeasure(const std::string& text, std::size_t width);

// The changes that write a row of the grid (and recolour its lamp).
void appendResultRow(ControlUnit& unit, Algorithm a, int row, const ResultRow& result);

// The header row of the grid.
void appendGridHeader(ControlUnit& unit);

} // namespace velmor
