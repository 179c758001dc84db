#include "platform/MemoryCeiling.h"

#include "platform/HeapTuning.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <limits>

namespace velmor {

namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;
// Below this much a reserve is at least this, when the total allows it.
constexpr std::uint64_t kLeastReserve = 256 * kMiB;
// Version 1 writes the largest page-aligned 64-bit value for "no limit";
// nothing this large is a real limit.
constexpr std::uint64_t kNoLimitFrom = std::uint64_t{1} << 62;
// Figures are capped here before signed arithmetic.
constexpr auto kMost = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max() / 2);

std::string_view trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// Calls `each` with every line of the text until it returns true.
template <typename Each>
void forEachLine(std::string_view text, Each&& each)
{
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        if (each(line))
            return;
        if (end == std::string_view::npos)
            return;
        text.remove_prefix(end + 1);
    }
}

// A decimal number at the start of the text (after blanks); the rest is
// left in `text`.
std::optional<std::uint64_t> leadingNumber(std::string_view& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return std::nullopt;
    text.remove_prefix(first);
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data())
        return std::nullopt;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return value;
}

std::vector<std::string_view> fields(std::string_view line)
{
    std::vector<std::string_view> out;
    std::size_t at = 0;
    while (at < line.size()) {
        const auto start = line.find_first_not_of(' ', at);
        if (start == std::string_view::npos)
            break;
        const auto end = line.find(' ', start);
        out.push_back(line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        at = end == std::string_view::npos ? line.size() : end;
    }
    return out;
}

// Mount info escapes blanks, tabs, new lines and backslashes as \ooo.
std::string unescaped(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size()) {
            const std::string_view digits = text.substr(i + 1, 3);
            if (std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '7'; })) {
                out += static_cast<char>((digits[0] - '0') * 64 + (digits[1] - '0') * 8 + (digits[2] - '0'));
                i += 3;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

bool hasToken(std::string_view list, std::string_view token)
{
    while (!list.empty()) {
        const auto end = list.find(',');
        if (list.substr(0, end) == token)
            return true;
        if (end == std::string_view::npos)
            break;
        list.remove_prefix(end + 1);
    }
    return false;
}

std::string withoutTrailingSlash(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

std::int64_t memoryReserveFor(std::uint64_t total)
{
    const std::uint64_t half = total / 2;
    const std::uint64_t reserve = std::min(std::max(total / 10, std::min(kLeastReserve, half)), half);
    return static_cast<std::int64_t>(std::min<std::uint64_t>(reserve, std::numeric_limits<std::int64_t>::max()));
}

MemoryHeadroom memoryHeadroomOf(const MemoryFigures& figures)
{
    MemoryHeadroom result;
    auto consider = [&result](std::uint64_t total, std::uint64_t available) {
        const std::int64_t reserve = memoryReserveFor(total);
        const std::int64_t bytes = static_cast<std::int64_t>(std::min(available, kMost)) - reserve;
        if (!result.known || bytes < result.bytes)
            result = MemoryHeadroom{true, bytes, reserve};
    };
    if (figures.physicalTotal > 0)
        consider(figures.physicalTotal, std::min(figures.physicalAvailable, figures.physicalTotal));
    if (figures.groupLimit > 0) {
        // Inactive file pages are charged to the group but dropped before
        // anything is killed.
        const std::uint64_t charged =
            figures.groupUsage > figures.groupReclaimable ? figures.groupUsage - figures.groupReclaimable : 0;
        consider(figures.groupLimit, charged < figures.groupLimit ? figures.groupLimit - charged : 0);
    }
    result.resident = static_cast<std::int64_t>(std::min<std::uint64_t>(figures.resident, kMost));
    return result;
}

// --- Parsing -----------------------------------------------------------------------

std::optional<std::uint64_t> kilobyteFigure(std::string_view text, std::string_view key)
{
    std::optional<std::uint64_t> found;
    forEachLine(text, [&](std::string_view line) {
        if (line.size() <= key.size() || line.substr(0, key.size()) != key || line[key.size()] != ':')
            return false;
        std::string_view rest = line.substr(key.size() + 1);
        const auto value = leadingNumber(rest);
        if (value) {
            const bool kilobytes = trimmed(rest) == "kB";
            found = kilobytes ? *value * 1024 : *value;
        }
        return true;
    });
    return found;
}

std::optional<std::uint64_t> residentFromStatm(std::string_view text, std::uint64_t pageSize)
{
    const auto size = leadingNumber(text);
    const auto resident = size ? leadingNumber(text) : std::nullopt;
    if (!resident)
        return std::nullopt;
    return *resident * pageSize;
}

std::optional<std::uint64_t> groupNumber(std::string_view text)
{
    text = trimmed(text);
    const auto value = leadingNumber(text);
    if (!value || !text.empty())
        return std::nullopt;
    return value;
}

std::optional<std::uint64_t> groupLimitValue(std::string_view text)
{
    const auto value = groupNumber(text);
    if (!value || *value >= kNoLimitFrom)
        return std::nullopt;
    return value;
}

std::optional<std::uint64_t> groupStatValue(std::string_view text, std::string_view key)
{
    std::optional<std::uint64_t> found;
    forEachLine(text, [&](std::string_view line) {
        if (line.size() <= key.size() || line.substr(0, key.size()) != key || line[key.size()] != ' ')
            return false;
        found = groupNumber(line.substr(key.size() + 1));
        return true;
    });
    return found;
}

std::vector<GroupMount> memoryGroupMounts(std::string_view mountinfo)
{
    // "36 25 0:31 / /sys/fs/cgroup/memory rw,nosuid - cgroup cgroup rw,memory":
    // root and mount point are the fourth and fifth fields, the file system
    // type and its options come after the lone "-".
    std::vector<GroupMount> mounts;
    forEachLine(mountinfo, [&](std::string_view line) {
        const std::vector<std::string_view> f = fields(line);
        const auto dash = std::find(f.begin(), f.end(), std::string_view("-"));
        const auto at = static_cast<std::size_t>(dash - f.begin());
        if (dash == f.end() || at < 5 || f.size() < at + 2)
            return false;
        const std::string_view type = f[at + 1];
        const std::string_view options = f.size() > at + 3 ? f[at + 3] : std::string_view();
        const bool unified = type == "cgroup2";
        if (unified || (type == "cgroup" && hasToken(options, "memory")))
            mounts.push_back(GroupMount{unified, unescaped(f[3]), withoutTrailingSlash(unescaped(f[4]))});
        return false;
    });
    return mounts;
}

std::optional<std::string> memoryGroupPath(std::string_view procCgroup, bool unified)
{
    // "4:memory:/a/b" (version 1) or "0::/a/b" (version 2).
    std::optional<std::string> found;
    forEachLine(procCgroup, [&](std::string_view line) {
        const auto first = line.find(':');
        const auto second = first == std::string_view::npos ? first : line.find(':', first + 1);
        if (second == std::string_view::npos)
            return false;
        const std::string_view id = line.substr(0, first);
        const std::string_view controllers = line.substr(first + 1, second - first - 1);
        const bool match = unified ? id == "0" && controllers.empty() : hasToken(controllers, "memory");
        if (match)
            found = std::string(trimmed(line.substr(second + 1)));
        return match;
    });
    return found;
}

std::vector<std::string> groupDirectories(const GroupMount& mount, const std::string& groupPath)
{
    const std::string root = withoutTrailingSlash(mount.root);
    std::string relative;
    if (root == "/") {
        relative = groupPath;
    } else if (groupPath.compare(0, root.size(), root) == 0
               && (groupPath.size() == root.size() || groupPath[root.size()] == '/')) {
        relative = groupPath.substr(root.size());
    } else {
        return {mount.mountPoint};
    }
    relative = withoutTrailingSlash(relative);
    std::vector<std::string> directories;
    while (!relative.empty() && relative != "/") {
        if (relative.find("/..") == std::string::npos)
            directories.push_back(mount.mountPoint + relative);
        relative.resize(relative.rfind('/'));
    }
    directories.push_back(mount.mountPoint);
    return directories;
}

// --- Reading -------------------------------------------------------------------------

namespace {

// Small /proc and cgroup files, read without a stream: this runs every few
// milliseconds while the algorithms work.
bool readSmallFile(const std::string& path, std::string& text)
{
    text.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return true;
}

struct GroupFiles {
    std::string limit;
    std::string usage;
    std::string stat;
    std::string_view inactiveKey;
};

// The limit files of the process's group and its ancestors: version 2 where
// its memory controller is on, else version 1.
std::vector<GroupFiles> findGroupFiles()
{
    std::string mountinfo, cgroup, probe;
    if (!readSmallFile("/proc/self/mountinfo", mountinfo) || !readSmallFile("/proc/self/cgroup", cgroup))
        return {};
    for (const bool unified : {true, false}) {
        std::vector<GroupFiles> files;
        const auto path = memoryGroupPath(cgroup, unified);
        if (!path)
            continue;
        for (const GroupMount& mount : memoryGroupMounts(mountinfo)) {
            if (mount.unified != unified)
                continue;
            for (const std::string& dir : groupDirectories(mount, *path)) {
                GroupFiles group = unified
                    ? GroupFiles{dir + "/memory.max", dir + "/memory.current", dir + "/memory.stat", "inactive_file"}
                    : GroupFiles{dir + "/memory.limit_in_bytes", dir + "/memory.usage_in_bytes",
                                 dir + "/memory.stat", "total_inactive_file"};
                if (readSmallFile(group.limit, probe))
                    files.push_back(std::move(group));
            }
            if (!files.empty())
                return files;
        }
    }
    return {};
}

// The groups' limits change seldom (and reading a cgroup file can cost tens
// of microseconds): they are read again once a second, and only the groups
// with a limit are followed in between.
class GroupWatch {
public:
    void read(MemoryFigures& figures)
    {
        std::lock_guard guard(lock_);
        const auto now = std::chrono::steady_clock::now();
        if (!limitsRead_ || now - limitsReadAt_ >= std::chrono::seconds(1)) {
            limitsRead_ = true;
            limitsReadAt_ = now;
            for (Group& group : groups_)
                group.limit = readSmallFile(group.files.limit, text_) ? groupLimitValue(text_) : std::nullopt;
        }
        // The tightest group: the one with the least left under its limit,
        // less its reserve.
        std::optional<std::int64_t> least;
        for (const Group& group : groups_) {
            if (!group.limit || !readSmallFile(group.files.usage, text_))
                continue;
            const std::uint64_t limit = *group.limit;
            const std::uint64_t usage = groupNumber(text_).value_or(0);
            // Inactive file pages matter only near the limit.
            const bool near = usage + 2 * static_cast<std::uint64_t>(memoryReserveFor(limit)) >= limit;
            const std::uint64_t reclaimable = near && readSmallFile(group.files.stat, text_)
                ? groupStatValue(text_, group.files.inactiveKey).value_or(0)
                : 0;
            const std::uint64_t charged = usage > reclaimable ? usage - reclaimable : 0;
            const std::uint64_t left = charged < limit ? limit - charged : 0;
            // Limits lie below 2^62 (larger ones count as none).
            const std::int64_t headroom = static_cast<std::int64_t>(left) - memoryReserveFor(limit);
            if (least && headroom >= *least)
                continue;
            least = headroom;
            figures.groupLimit = limit;
            figures.groupUsage = usage;
            figures.groupReclaimable = reclaimable;
        }
    }

private:
    struct Group {
        GroupFiles files;
        std::optional<std::uint64_t> limit;
    };

    static std::vector<Group> found()
    {
        std::vector<Group> groups;
        for (GroupFiles& files : findGroupFiles())
            groups.push_back(Group{std::move(files), std::nullopt});
        return groups;
    }

    std::mutex lock_;
    std::vector<Group> groups_ = found();
    bool limitsRead_ = false;
    std::chrono::steady_clock::time_point limitsReadAt_;
    std::string text_;
};

} // namespace

MemoryFigures readMemoryFigures()
{
    // Never destroyed, as the ceiling below.
    static GroupWatch& groups = *new GroupWatch;
    static const auto pageSize = static_cast<std::uint64_t>(std::max(::sysconf(_SC_PAGESIZE), 1L));
    MemoryFigures figures;
    std::string text;
    if (readSmallFile("/proc/self/statm", text))
        figures.resident = residentFromStatm(text, pageSize).value_or(0);
    if (readSmallFile("/proc/meminfo", text)) {
        figures.physicalTotal = kilobyteFigure(text, "MemTotal").value_or(0);
        auto available = kilobyteFigure(text, "MemAvailable");
        if (!available)
            available = kilobyteFigure(text, "MemFree");
        figures.physicalAvailable = available.value_or(0);
    }
    groups.read(figures);
    return figures;
}

// --- The ceiling -------------------------------------------------------------------

MemoryCeiling::MemoryCeiling(Reader reader, Timing timing, Reclaimer reclaim)
    : reader_(std::move(reader)), timing_(timing), reclaim_(std::move(reclaim)),
      dueAt_(std::numeric_limits<Clock::rep>::min())
{
}

// Faster than two threads can fault pages in: a reading may wait as long as
// the headroom lasts at this pace, within the shortest and longest wait.
MemoryCeiling::Clock::duration MemoryCeiling::waitAfter(const MemoryHeadroom& headroom) const
{
    constexpr std::int64_t kFastestGrowthPerMilli = 8ll * 1024 * 1024; // 8 GiB a second
    const auto shortest = std::chrono::duration_cast<Clock::duration>(timing_.shortest);
    const auto longest = std::chrono::duration_cast<Clock::duration>(std::max(timing_.longest, timing_.shortest));
    if (!headroom.known || headroom.bytes <= 0)
        return shortest;
    const auto lasts = std::chrono::duration_cast<Clock::duration>(
        std::chrono::milliseconds(headroom.bytes / kFastestGrowthPerMilli));
    return std::clamp(lasts, shortest, longest);
}

MemoryHeadroom MemoryCeiling::headroom()
{
    const Clock::time_point now = Clock::now();
    const bool due = now.time_since_epoch().count() >= dueAt_.load(std::memory_order_acquire);
    // Whoever finds the reading due and the reader free reads; the others
    // go on with the latest value rather than wait.
    if (due && readLock_.try_lock()) {
        std::lock_guard reading(readLock_, std::adopt_lock);
        MemoryHeadroom fresh = memoryHeadroomOf(reader_());
        // Heap pages the process keeps for reuse count as taken until they
        // are handed back; before a shortage counts, they are.
        const auto reclaimEvery = std::chrono::duration_cast<Clock::duration>(timing_.reclaimEvery);
        if (fresh.known && fresh.bytes <= 0 && reclaim_ && (!reclaimed_ || now - reclaimedAt_ >= reclaimEvery)) {
            reclaim_();
            reclaimed_ = true;
            reclaimedAt_ = now;
            fresh = memoryHeadroomOf(reader_());
        }
        {
            std::lock_guard guard(valueLock_);
            value_ = fresh;
        }
        dueAt_.store((now + waitAfter(fresh)).time_since_epoch().count(), std::memory_order_release);
        return fresh;
    }
    std::lock_guard guard(valueLock_);
    return value_;
}

MemoryCeiling& MemoryCeiling::system()
{
    // Never destroyed: an algorithm thread still running while the process
    // ends may still ask it.
    static MemoryCeiling& ceiling = *new MemoryCeiling(
        readMemoryFigures,
        Timing{std::chrono::milliseconds(5), std::chrono::milliseconds(100), std::chrono::milliseconds(1000)},
        returnFreedMemory);
    return ceiling;
}

} // namespace velmor
