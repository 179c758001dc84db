#pragma once

#include "structure/AlgorithmCells.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace velmor {

// One algorithm's figures, read once so that they belong together.
struct ResultValues {
    long double availability = 0;
    std::int64_t memory = 0;
    long double time = 0;
    bool failed = false;
    std::int32_t anomalies = 0;
    bool stoppedByUser = false;
    std::int32_t iterations = 0;
    AvailabilityBounds bounds; // lower <= availability <= upper
};

// What a run tells its front end, as values, in the order it happens. The
// main window turns them into changes of its controls; velmor-cli prints
// them. None of them names a control.
namespace events {

// Start was refused before a core thread ran: no structure, or no thread.
struct StartRefused {
    bool structureMissing = false;
    std::string first;
    std::string second;
};

// The run passed its validation: its previous results are cleared and the
// chosen algorithms are about to run.
struct RunEntered {
    std::vector<Algorithm> chosen;
    int sourceIndex = -1; // the run's pair, as element indices
    int destinationIndex = -1;
};

// The chosen algorithms have been given their rows (1-based, in order).
struct RowsGiven {
    int rows = 0;
};

// One algorithm's progress in a polling cycle; `row` holds the figures its
// summary row shows now, unless its stop request is set.
struct AlgorithmProgress {
    Algorithm algorithm = Algorithm::Abraham;
    int row = 0;
    std::int32_t done = 0;
    std::int32_t total = 0;
    std::optional<ResultValues> values;
};

// A polling cycle that is shown: every chosen algorithm, then the share of
// the whole run done (0..10000, more means full).
struct Progress {
    std::vector<AlgorithmProgress> algorithms;
    int position = 0;
};

// The progress bar alone: 0 when the algorithms start, 10000 when they end.
struct BarMoved {
    int position = 0;
};

// An algorithm's thread has returned.
struct AlgorithmEnded {
    Algorithm algorithm = Algorithm::Abraham;
    int row = 0;
    bool succeeded = false;
    ResultValues values;
};

// Some algorithms failed; `first` and `second` are the lines to show.
struct AlgorithmsFailed {
    std::vector<Algorithm> failed;
    std::string first;
    std::string second;
};

// The run is over: the final figures of every algorithm still chosen (empty
// when the run produced no result).
struct RunEnded {
    struct Row {
        Algorithm algorithm = Algorithm::Abraham;
        int row = 0;
        ResultValues values;
    };
    bool resultsPresent = false;
    std::vector<Row> rows;
};

// Pause or Resume took effect.
struct PauseChanged {
    bool paused = false;
};

// A message of two lines (either may be empty).
struct Failure {
    std::string first;
    std::string second;
};

} // namespace events

using RunEvent = std::variant<events::StartRefused, events::RunEntered, events::RowsGiven, events::Progress,
                              events::BarMoved, events::AlgorithmEnded, events::AlgorithmsFailed, events::RunEnded,
                              events::PauseChanged, events::Failure>;

} // namespace velmor
