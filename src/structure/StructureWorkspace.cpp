#include "structure/StructureWorkspace.h"

namespace velmor {

AlgorithmCells& StructureWorkspace::cells(Algorithm a)
{
    switch (a) {
    case Algorithm::Abraham: return abraham;
    case Algorithm::Enr: return enr;
    case Algorithm::Npr: return npr;
    case Algorithm::Frontier: break;
    }
    return frontier;
}

const AlgorithmCells& StructureWorkspace::cells(Algorithm a) const
{
    return const_cast<StructureWorkspace*>(this)->cells(a);
}

TermRows& StructureWorkspace::liveTerms(Algorithm a)
{
    switch (a) {
    case Algorithm::Abraham: return abrahamProducts;
    case Algorithm::Enr: return enrRows;
    case Algorithm::Npr: return nprRows;
    case Algorithm::Frontier: break;
    }
    return noLiveTerms_;
}

const TermRows& StructureWorkspace::liveTerms(Algorithm a) const
{
    return const_cast<StructureWorkspace*>(this)->liveTerms(a);
}

bool StructureWorkspace::setFileName(const std::string& path)
{
    if (path.size() > kFileNameCapacity)
        return false;
    fileName = path;
    return true;
}

void StructureWorkspace::resetStructure()
{
    workMatrix.clear();
    directedMatrix.clear();
    undirectedMatrix.clear();
    elements.clear();
    elementState.clear();
    workElementState.clear();
    elementMap.clear();
    sourceIndex = 0;
    destinationIndex = 0;
    workSourceIndex = 0;
    workDestinationIndex = 0;
}

void StructureWorkspace::resetResults()
{
    for (Algorithm a : kRunAlgorithms) {
        AlgorithmCells& c = cells(a);
        std::scoped_lock guard(c.feed.rowsLock, c.feed.lock);
        c.resetResults();
        liveTerms(a).clear();
        ++c.feed.layout;
    }
    abrahamSortArray1.clear();
    abrahamSortArray2.clear();
    abrahamPaths.clear();
    nprPaths.clear();
}

void StructureWorkspace::releaseAll()
{
    resetStructure();
    resetResults();
    fileName.clear();
}

} // namespace velmor
