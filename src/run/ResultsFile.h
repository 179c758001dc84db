#pragma once

#include "algorithms/Importance.h"
#include "structure/AlgorithmCells.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velmor {

inline constexpr const char* kResultsSaveFailed = "Rezultate nije moguće spremiti u datoteku";

// What "Spremi rezultate" writes: the summary grid as it shows, each
// algorithm's bracket of the availability, and the importance of the
// elements when it has been computed.
struct SavedResults {
    std::vector<std::array<std::string, 5>> grid;           // its rows as shown, the header first
    std::vector<std::optional<AvailabilityBounds>> bounds; // per row below the header
    std::shared_ptr<const ImportanceResult> importance;    // may be null
};

// The results as CSV: the grid's rows with two more columns, "Donja
// granica" and "Gornja granica"; then, after a blank line, the table
// "Element", "Birnbaum", "Kritičnost", most important first. Numbers are
// written as the grid writes them, with `decimalSeparator`; where that is a
// comma, the fields are separated by ';', as spreadsheets of such locales
// read them, otherwise by ','. A field is quoted only when it has to be.
std::string resultsCsv(const SavedResults& results, char decimalSeparator);

// Writes resultsCsv to `path`. A file is replaced only by a complete one: on
// failure it keeps what it held (a new one is not created) and `message`
// says why.
bool writeResultsFile(const std::string& path, const SavedResults& results, char decimalSeparator,
                      std::string& message);

} // namespace velmor
