#pragma once

namespace velmor {

// Ctrl+C for a computing velmor-cli: the first SIGINT only raises a flag that
// the main loop turns into a stop of the run, so that the terms found so far
// are still evaluated and printed; a second one ends the process at once
// with status 130.
void installInterruptHandler();
bool interruptRequested();

} // namespace velmor
