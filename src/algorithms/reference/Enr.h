#pragma once

#include "containers/CellMatrix.h"
#include "containers/TermRows.h"

namespace velmor {
class AlgorithmRun;
class StructureWorkspace;
} // namespace velmor

namespace velmor::reference {

// ENR: a solution tree that grows the set of working elements from the
// source one frontier element at a time. Builds enrRows and the links while
// the coordinator reads the rows, and delivers the success rows as final
// terms. False for an unusable working structure.
bool runEnr(AlgorithmRun& run, StructureWorkspace& ws, TermRows& finalTerms);

} // namespace velmor::reference
