#pragma once

#include "containers/CellMatrix.h"
#include "containers/ElementList.h"
#include "containers/IntArray.h"
#include "structure/AlgorithmCells.h"

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

    // Settings.
    int coreStackSize = kDefaultStackSize;
    int archiveStackSize = kDefaultStackSize;
    int displayStackSize = kDefaultStackSize;

    // Per algorithm: settings, counters, flags, links, timers, memory log.
    AlgorithmCells abraham;
    AlgorithmCells enr;
    AlgorithmCells npr;
    AlgorithmCells& cells(Algorithm a);
    const AlgorithmCells& cells(Algorithm a) const;

    // Structure.
    std::string fileName; // at most kFileNameCapacity characters
    ByteMatrix directedMatrix;
    ByteMatrix undirectedMatrix;
    int sourceIndex = 0;
    int destinationIndex = 0;
    int workSourceIndex = 0;
    int workDestinationIndex = 0;
    int fileSourceIndex = -1;
    int fileDestinationIndex = -1;
    std::uint8_t directed = 0;
    ElementList elements;
    ByteMatrix workMatrix;

    // Run options, captured when a run starts.
    std::uint8_t reduction = 0;
    std::uint8_t idealTerminals = 0;
    std::uint8_t extendedThreads = 0;
    int abrahamRule = 0; // 1 "Standardno 1a", 2 "Pravilo 1a i 2a"
    int enrVariant = 0;  // 0 "Standardno", 1 "Opt. I razine", 2 "Opt. II razine"
    int nprVariant = 0;  // 0 "Standardno", 1 "Optimizirano"

    // Element arrays (structure) and the algorithms' own result containers.
    IntArray elementMap;
    IntArray elementState;
    IntArray workElementState;
    IntArray abrahamSortArray1;
    IntArray abrahamSortArray2;
    ByteMatrix abrahamPaths;
    ByteMatrix abrahamProducts;
    ByteMatrix enrRows;
    ByteMatrix nprRows;
    WideMatrix nprPaths; // decision numbers

    // The term matrix an algorithm extends while it runs.
    ByteMatrix& liveTerms(Algorithm a);
    const ByteMatrix& liveTerms(Algorithm a) const;

    // Stores a path for loading or saving; false (and nothing stored) when it
    // does not fit the file-name capacity.
    bool setFileName(const std::string& path);

    void resetStructure();
    void resetResults();
    void releaseAll();
};

} // namespace velmor
