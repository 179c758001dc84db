#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmor {

// What the machine and the control group can still give the process, and
// what the process holds, in bytes. A total of 0 means the figure is unknown
// (or, for the group, that no limit applies).
struct MemoryFigures {
    std::uint64_t resident = 0;          // the process's resident set
    std::uint64_t physicalTotal = 0;     // MemTotal
    std::uint64_t physicalAvailable = 0; // MemAvailable (MemFree on old kernels)
    std::uint64_t groupLimit = 0;        // the tightest limit of the process's memory group and its ancestors
    std::uint64_t groupUsage = 0;        // that group's present charge
    std::uint64_t groupReclaimable = 0;  // of which inactive file pages, which the kernel drops before killing
};

// How far memory may still grow: the bytes that can be had before less than
// `reserve` is left free, negative once the reserve is being eaten into.
// Unknown when neither the machine's nor a group's figures could be read,
// in which case nothing is ever stopped for memory.
struct MemoryHeadroom {
    bool known = false;
    std::int64_t bytes = 0;
    std::int64_t reserve = 0;
    std::int64_t resident = 0; // the process's resident set; 0 when unknown
};

// The memory kept free out of a total: a tenth of it, but no less than
// 256 MiB unless the total is small, and never more than half of it.
std::int64_t memoryReserveFor(std::uint64_t total);

// The headroom of the figures: the smaller of the machine's and the group's,
// each less its own reserve.
MemoryHeadroom memoryHeadroomOf(const MemoryFigures& figures);

// --- Parsing of the /proc and cgroup texts ----------------------------------------

// A "Key:  value kB" figure of /proc/meminfo or /proc/self/status, in bytes.
std::optional<std::uint64_t> kilobyteFigure(std::string_view text, std::string_view key);
// The resident set of /proc/self/statm (its second field, in pages), in bytes.
std::optional<std::uint64_t> residentFromStatm(std::string_view text, std::uint64_t pageSize);
// A limit file (memory.max, memory.limit_in_bytes): none for "max", for the
// huge value that version 1 writes when there is no limit, and for text that
// is not a number.
std::optional<std::uint64_t> groupLimitValue(std::string_view text);
// A plain number file (memory.current, memory.usage_in_bytes).
std::optional<std::uint64_t> groupNumber(std::string_view text);
// A "key value" line of memory.stat.
std::optional<std::uint64_t> groupStatValue(std::string_view text, std::string_view key);

// Where the memory controller of one cgroup version is mounted.
struct GroupMount {
    bool unified = false;   // version 2
    std::string root;       // the hierarchy's path that the mount point shows
    std::string mountPoint;
};

// The memory controller mounts of a /proc/self/mountinfo text: every
// cgroup2 mount and every version 1 mount with the memory controller.
std::vector<GroupMount> memoryGroupMounts(std::string_view mountinfo);

// The process's group path of a /proc/self/cgroup text: the "0::" line for
// version 2, the line naming the memory controller for version 1.
std::optional<std::string> memoryGroupPath(std::string_view procCgroup, bool unified);

// The directories of the process's group and of its ancestors up to the
// mount point, the group's own first. A group path outside the mount's root
// (a namespace that hides it) gives the mount point alone.
std::vector<std::string> groupDirectories(const GroupMount& mount, const std::string& groupPath);

// --- The ceiling -----------------------------------------------------------------

// How often a ceiling reads its figures, and hands freed memory back.
struct MemoryCeilingTiming {
    std::chrono::milliseconds shortest{5};
    std::chrono::milliseconds longest{5};
    std::chrono::milliseconds reclaimEvery{1000};
};

// Tells how much more memory the process may take before the kernel would
// have to kill something. A reading of the figures costs from tens to a
// hundred and more microseconds, so they are read by one thread at a time,
// every `shortest` interval while memory is short and more seldom, up to
// `longest`, the more is left: no process fills gigabytes within a tenth of
// a second. Every other caller takes the latest reading. Safe to call from
// any thread.
class MemoryCeiling {
public:
    using Reader = std::function<MemoryFigures()>;
    using Reclaimer = std::function<void()>;

    using Timing = MemoryCeilingTiming;

    // `reclaim` hands memory the process keeps but no longer uses back to
    // the system; it is called, at most once per `reclaimEvery`, when a
    // reading shows no headroom, and the figures are then read again.
    explicit MemoryCeiling(Reader reader, Timing timing = {}, Reclaimer reclaim = {});
    MemoryCeiling(const MemoryCeiling&) = delete;
    MemoryCeiling& operator=(const MemoryCeiling&) = delete;

    MemoryHeadroom headroom();

    // This process on this machine: /proc/meminfo, /proc/self/statm and the
    // memory group's files, freed heap memory handed back before a reading
    // counts as short.
    static MemoryCeiling& system();

private:
    using Clock = std::chrono::steady_clock;

    Clock::duration waitAfter(const MemoryHeadroom& headroom) const;

    Reader reader_;
    Timing timing_;
    Reclaimer reclaim_;
    std::mutex readLock_; // held by the one thread that reads
    std::atomic<Clock::rep> dueAt_;
    Clock::time_point reclaimedAt_;
    bool reclaimed_ = false;
    mutable std::mutex valueLock_;
    MemoryHeadroom value_;
};

// The figures of this process and machine at this moment. The group's files
// are those found once per process in /proc/self/mountinfo and
// /proc/self/cgroup; their limits are read again at most once a second.
MemoryFigures readMemoryFigures();

} // namespace velmor
