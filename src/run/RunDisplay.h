#pragma once

#include "run/ControlChannel.h"

namespace velmor {

// How the main window shows a run: the control changes for each run event,
// and the resets that frame a run. The one place where the engine's values
// meet the window's control names.

// The changes that show `event`; numbers use `decimalSeparator`.
ControlUnit displayOf(const RunEvent& event, char decimalSeparator);

// The no-structure state of the main window's controls, with the grid's
// header row.
void appendResetMainControls(ControlUnit& unit);

// Every algorithm's "Odaberi" box on or off.
void appendChoiceBoxes(ControlUnit& unit, bool on);

// Empty progress labels and grid rows, after the results were cleared.
void appendClearedResults(ControlUnit& unit);

// A progress label's text: done, "/", total.
std::string progressText(std::int32_t done, std::int32_t total);

} // namespace velmor
