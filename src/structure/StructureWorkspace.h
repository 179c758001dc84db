#pragma once

#include "containers/CellMatrix.h"
#include "containers/DeltaRows.h"
#include "containers/ElementList.h"
#include "containers/IntArray.h"
#include "containers/TermRows.h"
#include "structure/AlgorithmCells.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace velmor {

// The one record through which every part of the program shares state:
// settings (kept until exit), the structure (emptied by resetStructure), and
// what a run produces (emptied by resetResults). It is never copied or moved,
// so a reference to any cell handed to a thread stays valid for its life.
class StructureWorkspace {
public:
    static constexpr std::size_t kFileNameCapacity = 256;

    StructureWorkspace() = default;
    StructureWorkspace(const StructureWorkspace&) = delete;
    StructureWorkspace& operator=(const StructureWorkspace&) = delete;

    // Settings of the advanced settings window. Written and read on the
    // user-interface thread only: the threads it starts get their stack sizes
    // from it, and a run gets a copy in its options.
    int coreStackSize = kDefaultStackSize;
    int archiveStackSize = kDefaultStackSize;
    int displayStackSize = kDefaultStackSize;
    std::array<AlgorithmSettings, kRunAlgorithms.size()> algorithmSettings{};
    AlgorithmSettings& settings(Algorithm a) { return algorithmSettings[static_cast<std::size_t>(a)]; }
    const AlgorithmSettings& settings(Algorithm a) const { return algorithmSettings[static_cast<std::size_t>(a)]; }

    // Per algorithm: counters, flags, links, timers, memory log. Which
    // thread writes each of them is said in AlgorithmCells.
    AlgorithmCells abraham;
    AlgorithmCells enr;
    AlgorithmCells npr;
    AlgorithmCells frontier;
    AlgorithmCells& cells(Algorithm a);
    const AlgorithmCells& cells(Algorithm a) const;

    // The structure. Written by the archiving thread while it loads (the
    // user-interface thread waits for it before anything else reads the
    // structure) and by the user-interface thread (editor, matrix view,
    // release) only while no run, load or report is on; read by every
    // thread. The pair is the one of the file or of the run last shown:
    // the user-interface thread records the run's pair when the run enters.
    std::string fileName; // at most kFileNameCapacity characters
    ByteMatrix directedMatrix;
    ByteMatrix undirectedMatrix;
    int sourceIndex = 0;
    int destinationIndex = 0;
    int fileSourceIndex = -1;
    int fileDestinationIndex = -1;
    std::uint8_t directed = 0;
    ElementList elements;
    IntArray elementState;

    // The work structure of the last run: written by its core thread before
    // the algorithm threads start, then only read (by them, the coordinator,
    // the reports and the matrix view) until the next run.
    ByteMatrix workMatrix;
    int workSourceIndex = 0;
    int workDestinationIndex = 0;
    IntArray elementMap;
    IntArray workElementState;

    // The algorithms' own result containers: each written by its algorithm's
    // thread while it runs (the live term matrices under their feed's
    // contract, TermFeed), read by reports once the run has ended.
    IntArray abrahamSortArray1;
    IntArray abrahamSortArray2;
    ByteMatrix abrahamPaths;
    TermRows abrahamProducts;
    TermRows enrRows;
    TermRows nprRows;
    DeltaRows nprPaths; // decision numbers

    // The term matrix an algorithm extends while it runs; Frontier extends
    // none and gets one that stays empty.
    TermRows& liveTerms(Algorithm a);
    const TermRows& liveTerms(Algorithm a) const;

    // Stores a path for loading or saving; false (and nothing stored) when it
    // does not fit the file-name capacity.
    bool setFileName(const std::string& path);

    void resetStructure();
    void resetResults();
    void releaseAll();

private:
    TermRows noLiveTerms_;
};

} // namespace velmor
