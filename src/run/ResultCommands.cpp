// The main window's commands over what runs produce beyond the summary
// grid: the importance of every element, and saving the results.

#include "run/MainController.h"

#include "run/ResultRows.h"

namespace velmor {

namespace {

// The two lines the user is shown when the importance cannot be computed.
std::pair<std::string, std::string> refusalLines(ImportanceRefusal refusal)
{
    switch (refusal) {
    case ImportanceRefusal::NoPair:
        return {"Ili izvorišni ili odredišni čvor nisu zadani,", "pravilno specificirajte karakteristiku grafa"};
    case ImportanceRefusal::SamePair:
        return {"Izvorišni i odredišni čvorovi su identični, stoga je",
                "svrsishodno odrediti međusobno različite čvorove"};
    case ImportanceRefusal::NoDirection:
        return {"Usmjerenost grafa nije zadana,", "pravilno specificirajte opis grafa"};
    case ImportanceRefusal::NoMemory:
        return {"Nedovoljno memorije za računanje važnosti elemenata", ""};
    case ImportanceRefusal::Unusable:
    case ImportanceRefusal::None:
        break;
    }
    return {"Važnost elemenata ove strukture nije moguće izračunati", ""};
}

} // namespace

bool MainController::importanceMayStart() const
{
    return structurePresent() && !runOn() && !importanceJob_.running() && !board_.selectedItem("ComboBox1").empty()
           && !board_.selectedItem("ComboBox2").empty();
}

bool MainController::startImportance()
{
    absorb();
    if (!importanceMayStart())
        return false;
    archiveThread_.join(); // a save may still be reading the structure
    // The input is a copy: the structure may change while the job runs.
    ImportanceInput input = importanceInput(ws_, runOptions());
    if (!input.usable()) {
        const auto [first, second] = refusalLines(input.refusal);
        apply(ControlChange::error(first, second));
        return false;
    }
    const auto failure = importanceJob_.start(std::move(input), ws_.settings(Algorithm::Frontier).stackSize, [this] {
        // The menu items follow the end of the job on the window's thread.
        channel_.post(ControlUnit{ControlChange::procedure("resultControls")});
    });
    if (failure) {
        apply(ControlChange::error(failure->first, failure->second));
        return false;
    }
    refreshResultControls();
    return true;
}

bool MainController::resultsMaySave() const
{
    return !runOn() && (engine_.resultsPresent() || lastImportance() != nullptr);
}

SavedResults MainController::savedResults() const
{
    SavedResults saved;
    for (int r = 0; r < board_.rowCount(); ++r) {
        std::array<std::string, ControlBoard::kGridColumns> row;
        bool empty = true;
        for (int c = 0; c < ControlBoard::kGridColumns; ++c) {
            row[static_cast<std::size_t>(c)] = board_.cell(r, c);
            empty = empty && row[static_cast<std::size_t>(c)].empty();
        }
        if (r > 0 && empty)
            continue; // the grid's empty row before any run
        std::optional<AvailabilityBounds> bounds;
        for (Algorithm a : kRunAlgorithms)
            if (r > 0 && engine_.resultsPresent() && engine_.rowOf(a) == r)
                bounds = readResultValues(ws_, a, engine_.stoppedByUser(a)).bounds;
        saved.grid.push_back(row);
        if (r > 0)
            saved.bounds.push_back(bounds);
    }
    saved.importance = lastImportance();
    return saved;
}

bool MainController::saveResults(const std::string& path)
{
    absorb();
    if (!resultsMaySave())
        return false;
    std::string message;
    if (writeResultsFile(path, savedResults(), decimalSeparator_, message))
        return true;
    apply(ControlChange::error(kResultsSaveFailed, message));
    return false;
}

void MainController::refreshResultControls()
{
    apply(ControlChange::enable("Vanostelemenata1", importanceMayStart()));
    apply(ControlChange::enable("Spremirezultate1", resultsMaySave()));
}

} // namespace velmor
