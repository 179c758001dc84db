#pragma once

// The process's resident memory as the kernel counts it (Linux; 0 where the
// system does not tell), for the benchmark's memory columns.

namespace velmor::bench {

// Gives the heap's free pages back to the system, so that a run measured
// next cannot reuse pages an earlier run left resident, and starts the
// resident peak afresh from what is resident now.
void resetResidentPeak();
// The resident peak since the last reset, and the resident size now, in bytes.
long long residentPeakBytes();
long long residentBytes();

} // namespace velmor::bench
