// Which algorithm of a run ends when the machine runs short of memory.

#include "algorithms/RunFrame.h"

#include <gtest/gtest.h>

using namespace velmor;

namespace {

constexpr std::int64_t kMiB = 1024 * 1024;
constexpr std::uint64_t kTotal = 8ull * 1024 * 1024 * 1024;

// A machine whose headroom the test sets; read afresh at every question.
struct ScriptedMachine {
    std::int64_t headroom = 0;
    std::uint64_t resident = 0; // unknown
    bool known = true;
    MemoryCeiling ceiling{[this] {
                              MemoryFigures f;
                              f.resident = resident;
                              if (known) {
                                  f.physicalTotal = kTotal;
                                  f.physicalAvailable =
                                      static_cast<std::uint64_t>(headroom + memoryReserveFor(kTotal));
                              }
                              return f;
                          },
                          {std::chrono::milliseconds(0), std::chrono::milliseconds(0)}};
    std::int64_t reserve() const { return memoryReserveFor(kTotal); }
};

} // namespace

TEST(MemoryWatch, TheLargestEndsFirstAndTheOthersOnlyAsTheHeadroomFalls)
{
    ScriptedMachine machine;
    MemoryWatch watch(machine.ceiling);
    for (Algorithm a : {Algorithm::Abraham, Algorithm::Enr, Algorithm::Npr})
        watch.enter(a);
    const std::int64_t abraham = 10 * kMiB, enr = 800 * kMiB, npr = 50 * kMiB;

    // Room enough for each one's growth and its ending.
    machine.headroom = 200 * kMiB;
    EXPECT_FALSE(watch.overCeiling(Algorithm::Abraham, abraham));
    EXPECT_FALSE(watch.overCeiling(Algorithm::Npr, npr));
    EXPECT_FALSE(watch.overCeiling(Algorithm::Enr, enr));

    // ENR's ending would no longer fit: it alone ends, whoever asks first.
    machine.headroom = 60 * kMiB;
    EXPECT_FALSE(watch.overCeiling(Algorithm::Abraham, abraham));
    EXPECT_FALSE(watch.overCeiling(Algorithm::Npr, npr));
    EXPECT_TRUE(watch.overCeiling(Algorithm::Enr, enr));
    EXPECT_TRUE(watch.endedByCeiling(Algorithm::Enr));

    // The others go on as long as the headroom holds, even below the
    // reserve...
    machine.headroom = -20 * kMiB;
    EXPECT_FALSE(watch.overCeiling(Algorithm::Abraham, abraham));
    EXPECT_FALSE(watch.overCeiling(Algorithm::Npr, npr));

    // ...until it has fallen by another eighth of the reserve: then the
    // largest of them ends.
    machine.headroom = 60 * kMiB - enr / 8 - machine.reserve() / 8 - 1;
    EXPECT_FALSE(watch.overCeiling(Algorithm::Abraham, abraham));
    EXPECT_TRUE(watch.overCeiling(Algorithm::Npr, npr));
    EXPECT_FALSE(watch.endedByCeiling(Algorithm::Abraham));

    // With half the reserve gone whatever still runs ends.
    machine.headroom = -machine.reserve() / 2;
    EXPECT_TRUE(watch.overCeiling(Algorithm::Abraham, abraham));
    EXPECT_TRUE(watch.endedByCeiling(Algorithm::Abraham));
    EXPECT_TRUE(watch.endedByCeiling(Algorithm::Npr));
}

TEST(MemoryWatch, AlgorithmsThatLeftOrTieDoNotEndTwice)
{
    ScriptedMachine machine;
    MemoryWatch watch(machine.ceiling);
    for (Algorithm a : kRunAlgorithms)
        watch.enter(a);
    machine.headroom = 200 * kMiB;
    EXPECT_FALSE(watch.overCeiling(Algorithm::Enr, 900 * kMiB));
    EXPECT_FALSE(watch.overCeiling(Algorithm::Npr, 300 * kMiB));
    EXPECT_FALSE(watch.overCeiling(Algorithm::Frontier, 300 * kMiB));

    // ENR finished on its own: its memory stays, but it grows no more, so
    // the shortage falls to the largest still running. Of two equal figures
    // the earlier in the run's order ends.
    watch.leave(Algorithm::Enr);
    machine.headroom = 0;
    EXPECT_FALSE(watch.overCeiling(Algorithm::Frontier, 300 * kMiB));
    EXPECT_TRUE(watch.overCeiling(Algorithm::Npr, 300 * kMiB));
    EXPECT_FALSE(watch.overCeiling(Algorithm::Frontier, 300 * kMiB));
    EXPECT_FALSE(watch.endedByCeiling(Algorithm::Enr));
}

TEST(MemoryWatch, WhatIsKeptForTheEndingIsNoMoreThanTheProcessHolds)
{
    // A figure of 800 MiB whose rows, packed, hold 80 MiB: the tenth of
    // those that its ending may copy fits 60 MiB of headroom.
    ScriptedMachine machine;
    machine.headroom = 60 * kMiB;
    machine.resident = 80 * kMiB;
    MemoryWatch watch(machine.ceiling);
    watch.enter(Algorithm::Enr);
    EXPECT_FALSE(watch.overCeiling(Algorithm::Enr, 800 * kMiB));
    machine.headroom = 9 * kMiB;
    EXPECT_TRUE(watch.overCeiling(Algorithm::Enr, 800 * kMiB));
}

TEST(MemoryWatch, UnknownMemoryNeverEndsAnything)
{
    ScriptedMachine machine;
    machine.known = false;
    MemoryWatch watch(machine.ceiling);
    watch.enter(Algorithm::Enr);
    EXPECT_FALSE(watch.overCeiling(Algorithm::Enr, 1'000'000 * kMiB));
}

TEST(MemoryWatch, RunEndsAsIfItsMemoryLimitHadTripped)
{
    ScriptedMachine machine;
    machine.headroom = -1;
    MemoryWatch watch(machine.ceiling);
    AlgorithmCells cells;
    {
        AlgorithmRun run(Algorithm::Enr, cells, {}, false, &watch);
        run.startSlot(run.executionSlot());
        EXPECT_TRUE(run.endIteration(4096, 0, 5));
        run.markStopped();
        run.storeResultCode();
    }
    EXPECT_TRUE(cells.stopRequested());
    EXPECT_EQ(cells.anomalies.load(), -1); // "ograničena nit" unless the user asked
    EXPECT_EQ(cells.iterations.load(), 1);
    EXPECT_TRUE(watch.endedByCeiling(Algorithm::Enr));

    // The same run without the watch knows no ceiling.
    AlgorithmCells free;
    AlgorithmRun unwatched(Algorithm::Enr, free);
    unwatched.startSlot(unwatched.executionSlot());
    EXPECT_FALSE(unwatched.endIteration(4096, 0, 5));
}
