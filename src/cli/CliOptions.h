#pragma once

#include "structure/AlgorithmCells.h"
#include "structure/ExchangeFormat.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmor {

// Exit statuses of velmor-cli.
constexpr int kExitSuccess = 0;
constexpr int kExitRunFailed = 1;    // an algorithm failed, or the run reported an error
constexpr int kExitLoadFailed = 2;
constexpr int kExitWriteFailed = 3;  // the output file could not be written
constexpr int kExitUsage = 64;       // also a run refused by its validation
constexpr int kExitInterrupted = 130; // 128 + SIGINT

enum class CliMode { Compute, Check, Help, Version, Export, Import };
enum class DirectionChoice { FromFile, Directed, Undirected };
enum class OutputFormat { Table, Json, Csv };

// What one algorithm is asked to do; limits of -1 mean no limit.
struct AlgorithmChoice {
    bool selected = true;
    bool normal = true; // false: "posebno" element behaviour
    std::int64_t memoryLimit = -1;
    std::int64_t timeLimit = -1;
    std::int64_t iterationLimit = -1;
};

// Everything the command line can say. A source or destination left unset
// means the pair that the file gives.
struct CliOptions {
    CliMode mode = CliMode::Compute;
    std::string file;
    // In the order of kRunAlgorithms: the three chosen unless a list says
    // otherwise, Frontier only when named.
    std::array<AlgorithmChoice, kRunAlgorithms.size()> algorithms{
        AlgorithmChoice{}, AlgorithmChoice{}, AlgorithmChoice{}, AlgorithmChoice{.selected = false}};
    DirectionChoice direction = DirectionChoice::FromFile;
    std::optional<std::int32_t> sourceLabel;
    std::optional<std::int32_t> destinationLabel;
    bool reduction = true;
    bool idealTerminals = true;
    int abrahamRule = 2; // 1 "Standardno 1a", 2 "Pravilo 1a i 2a"
    int enrVariant = 2;  // 0 "Standardno", 1 "Opt. I razine", 2 "Opt. II razine"
    int nprVariant = 1;  // 0 "Standardno", 1 "Optimizirano"
    OutputFormat format = OutputFormat::Table;
    bool terms = false;
    bool importance = false; // also rate every element (--importance)
    ExchangeFormat exportFormat = ExchangeFormat::Dot; // --export
    std::string output;                               // --output; empty: standard output

    AlgorithmChoice& algorithm(Algorithm a) { return algorithms[static_cast<std::size_t>(a)]; }
    const AlgorithmChoice& algorithm(Algorithm a) const { return algorithms[static_cast<std::size_t>(a)]; }
};

// Either the options or, when the command line is not valid, why.
struct CliParseResult {
    bool ok = false;
    CliOptions options;
    std::string error;
};

// Parses the arguments that follow the program name.
CliParseResult parseCliOptions(const std::vector<std::string>& arguments);

// The text printed by --help.
std::string cliHelpText();

// The line printed by --version: name, package and version, the GNU way.
std::string cliVersionText();

} // namespace velmor
