#pragma once

namespace velmor {

// Keeps memory that the algorithms free inside the process instead of
// returning it to the system, so that the next run (or the next step of a
// run) writes to pages already mapped rather than page-faulting on every
// first write. Applied once per process; later calls do nothing. Returns
// whether the allocator accepted the settings.
bool keepFreedMemoryInProcess();

// Hands the free pages of the heap back to the system. For the release of
// something very large that will not come back soon (a closed report of
// millions of tree nodes), which the settings above would otherwise keep.
void returnFreedMemory();

} // namespace velmor
