#pragma once

#include "structure/AlgorithmCells.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace velmor {

// Resource limits of one algorithm; -1 means unlimited.
struct RunLimits {
    std::int64_t memory = -1;
    std::int64_t time = -1; // seconds
    std::int64_t iterations = -1;

    bool any() const { return memory != -1 || time != -1 || iterations != -1; }
    // Any negative value is unlimited.
    RunLimits normalised() const;
    friend bool operator==(const RunLimits&, const RunLimits&) = default;
};

// What one algorithm is asked to do in a run.
struct AlgorithmOptions {
    bool selected = false;
    // Abraham: the sorting rule, 1 "Standardno 1a" or 2 "Pravilo 1a i 2a";
    // ENR: 0 "Standardno", 1 "Opt. I razine", 2 "Opt. II razine";
    // NPR: 0 "Standardno", 1 "Optimizirano".
    int variant = 0;
    bool normal = true; // false: "posebno" element behaviour
    RunLimits limits;
    int stackSize = kDefaultStackSize;
    friend bool operator==(const AlgorithmOptions&, const AlgorithmOptions&) = default;
};

enum class Direction { Directed, Undirected, None };

// Everything a run uses, copied once when it starts from the main window's
// options and the settings (or from a command line). Nothing a run does
// reads an option anywhere else, so changing the settings while a run is on
// applies from the next one and never races with the run's threads.
struct RunOptions {
    std::array<AlgorithmOptions, kRunAlgorithms.size()> algorithms{};
    std::optional<std::int32_t> sourceLabel; // none: no node chosen
    std::optional<std::int32_t> destinationLabel;
    Direction direction = Direction::Directed;
    bool reduction = false;
    bool idealTerminals = false;
    bool extendedThreads = false; // one creation call on this platform
    int coreStackSize = kDefaultStackSize;

    AlgorithmOptions& of(Algorithm a) { return algorithms[static_cast<std::size_t>(a)]; }
    const AlgorithmOptions& of(Algorithm a) const { return algorithms[static_cast<std::size_t>(a)]; }
    int chosenCount() const;
    bool anyChosen() const { return chosenCount() > 0; }
    friend bool operator==(const RunOptions&, const RunOptions&) = default;
};

} // namespace velmor
