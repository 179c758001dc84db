#pragma once

#include "structure/CsvField.h"

#include "algorithms/AlgorithmTraits.h"

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmor {

// How one algorithm's part of a run ended.
enum class RunStatus { Done, Failed, Stopped, Limited };

std::string_view statusName(RunStatus status); // "done", "failed", "stopped", "limited"

// One algorithm's result, read once after the run has ended.
struct AlgorithmOutcome {
    Algorithm algorithm = Algorithm::Abraham;
    long double availability = 0;
    long double lowerBound = 0; // the availability lies between the two,
    long double upperBound = 1; // both equal to it when the run was done
    std::int64_t memory = 0;
    long double time = 0;
    std::int32_t iterations = 0;
    std::int32_t anomalies = 0;
    std::string anomalyText; // as the summary grid shows it
    int terms = 0;
    RunStatus status = RunStatus::Done;
    std::vector<std::string> termTexts; // "N1 e5 *e7 N4"; filled only when asked for
};

// One element's importance, as printed.
struct ImportanceLine {
    std::string element; // "N3", "e12"
    long double birnbaum = 0;
    long double criticality = 0;
};

// The importance of the elements, when asked for: most important first.
struct ImportanceOutcome {
    std::string status; // "done", "stopped", "failed"
    std::vector<ImportanceLine> elements;
};

// A whole run: what was computed and with which options.
struct RunOutcome {
    std::string file;
    bool directed = false;
    std::int32_t source = 0;
    std::int32_t destination = 0;
    bool reduction = true;
    bool idealTerminals = true;
    int elements = 0;
    int workElements = 0;
    std::vector<AlgorithmOutcome> results; // in the order Abraham, ENR, NPR
    std::optional<ImportanceOutcome> importance;
};

// A readable table: the run's settings, then the summary grid's columns
// without the grid's padding. Numbers use `decimalSeparator`.
void writeTable(const RunOutcome& outcome, bool withTerms, char decimalSeparator, std::ostream& out);
// One JSON object; numbers always with '.'.
void writeJson(const RunOutcome& outcome, bool withTerms, std::ostream& out);
// A header line and one line per algorithm.
void writeCsv(const RunOutcome& outcome, bool withTerms, std::ostream& out);

// `text` as a JSON string literal, quotes included. UTF-8 passes through;
// bytes that are not UTF-8 become U+FFFD so that the output stays valid.
std::string jsonString(std::string_view text);
// The value with 18 significant digits, '.' as separator, trailing zeros
// dropped: enough to tell apart the long doubles that 15 digits merge.
std::string preciseNumber(long double value);
// The shortest text that reads back as the same double.
std::string shortNumber(double value);

} // namespace velmor
