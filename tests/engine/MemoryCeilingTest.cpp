// The memory ceiling: the /proc and cgroup texts it reads, the headroom it
// makes of them, and when it reads them again.

#include "platform/MemoryCeiling.h"

#include <gtest/gtest.h>

#include <atomic>
#include <limits>
#include <thread>
#include <vector>

using namespace velmor;

namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;
constexpr std::uint64_t kGiB = 1024 * kMiB;

const char* const kMeminfo = "MemTotal:       24683772 kB\n"
                             "MemFree:        23039100 kB\n"
                             "MemAvailable:   23875972 kB\n"
                             "Buffers:           12345 kB\n"
                             "HugePages_Total:       0\n";

const char* const kStatus = "Name:\tvelmor-cli\n"
                            "VmPeak:\t  204800 kB\n"
                            "VmHWM:\t    9000 kB\n"
                            "VmRSS:\t    8123 kB\n";

// A machine with both hierarchies: version 1 controllers, of which one is
// the memory controller, and an unused version 2 mount.
const char* const kHybridMountinfo =
    "24 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
    "31 24 0:26 / /sys/fs/cgroup ro,nosuid shared:9 - tmpfs tmpfs ro,mode=755\n"
    "32 31 0:27 / /sys/fs/cgroup/unified rw,nosuid shared:10 - cgroup2 cgroup2 rw,nsdelegate\n"
    "35 31 0:30 / /sys/fs/cgroup/cpu,cpuacct rw,nosuid shared:14 - cgroup cgroup rw,cpu,cpuacct\n"
    "38 31 0:33 / /sys/fs/cgroup/memory rw,nosuid shared:17 - cgroup cgroup rw,memory\n";

const char* const kHybridCgroup = "9:name=systemd:/\n"
                                  "4:memory:/process_api/32a33edf\n"
                                  "3:cpu,cpuacct:/\n"
                                  "0::/\n";

} // namespace

TEST(MemoryTexts, KilobyteFiguresOfMeminfoAndStatus)
{
    EXPECT_EQ(kilobyteFigure(kMeminfo, "MemTotal"), 24683772ull * 1024);
    EXPECT_EQ(kilobyteFigure(kMeminfo, "MemAvailable"), 23875972ull * 1024);
    // A key is matched whole, never as the start of a longer one.
    EXPECT_EQ(kilobyteFigure(kMeminfo, "Mem"), std::nullopt);
    EXPECT_EQ(kilobyteFigure(kMeminfo, "SwapTotal"), std::nullopt);
    // A figure without a unit is a count, not kilobytes.
    EXPECT_EQ(kilobyteFigure(kMeminfo, "HugePages_Total"), 0u);
    EXPECT_EQ(kilobyteFigure(kStatus, "VmRSS"), 8123ull * 1024);
    EXPECT_EQ(kilobyteFigure(kStatus, "VmHWM"), 9000ull * 1024);
    EXPECT_EQ(kilobyteFigure("VmRSS:\t\n", "VmRSS"), std::nullopt);
}

TEST(MemoryTexts, ResidentPagesOfStatm)
{
    EXPECT_EQ(residentFromStatm("765 441 413 5 0 123 0\n", 4096), 441u * 4096);
    EXPECT_EQ(residentFromStatm("765 441", 16384), 441u * 16384);
    EXPECT_EQ(residentFromStatm("765\n", 4096), std::nullopt);
    EXPECT_EQ(residentFromStatm("", 4096), std::nullopt);
    EXPECT_EQ(residentFromStatm("a b c", 4096), std::nullopt);
}

TEST(MemoryTexts, GroupLimitsUsageAndStat)
{
    EXPECT_EQ(groupLimitValue("max\n"), std::nullopt);                 // version 2, no limit
    EXPECT_EQ(groupLimitValue("9223372036854771712\n"), std::nullopt); // version 1, no limit
    EXPECT_EQ(groupLimitValue("536870912\n"), 536870912u);
    EXPECT_EQ(groupLimitValue(""), std::nullopt);
    EXPECT_EQ(groupLimitValue("12abc\n"), std::nullopt);
    EXPECT_EQ(groupNumber("6017024\n"), 6017024u);
    EXPECT_EQ(groupNumber("-5\n"), std::nullopt);

    const char* const v2Stat = "anon 1839104\nfile 2000000\nactive_file 836736\ninactive_file 1163264\n";
    EXPECT_EQ(groupStatValue(v2Stat, "inactive_file"), 1163264u);
    EXPECT_EQ(groupStatValue(v2Stat, "active_file"), 836736u);
    const char* const v1Stat = "cache 2000000\ninactive_file 1163264\ntotal_inactive_file 5000000\n";
    EXPECT_EQ(groupStatValue(v1Stat, "total_inactive_file"), 5000000u);
    EXPECT_EQ(groupStatValue(v1Stat, "inactive_file"), 1163264u);
    EXPECT_EQ(groupStatValue(v1Stat, "inactive"), std::nullopt);
}

TEST(MemoryTexts, MemoryControllerMounts)
{
    const std::vector<GroupMount> mounts = memoryGroupMounts(kHybridMountinfo);
    ASSERT_EQ(mounts.size(), 2u); // the cpu controller and the other file systems are not memory's
    EXPECT_TRUE(mounts[0].unified);
    EXPECT_EQ(mounts[0].mountPoint, "/sys/fs/cgroup/unified");
    EXPECT_FALSE(mounts[1].unified);
    EXPECT_EQ(mounts[1].mountPoint, "/sys/fs/cgroup/memory");
    EXPECT_EQ(mounts[1].root, "/");

    // Optional fields vary in number; a blank in a path comes escaped; a
    // container sees its own group as the mount's root.
    const std::vector<GroupMount> container = memoryGroupMounts(
        "1402 1390 0:29 /docker/abc /sys/fs/cgroup\\040x rw shared:5 master:3 - cgroup2 cgroup2 rw\n"
        "broken line\n");
    ASSERT_EQ(container.size(), 1u);
    EXPECT_TRUE(container[0].unified);
    EXPECT_EQ(container[0].root, "/docker/abc");
    EXPECT_EQ(container[0].mountPoint, "/sys/fs/cgroup x");
}

TEST(MemoryTexts, GroupPathOfEachVersion)
{
    EXPECT_EQ(memoryGroupPath(kHybridCgroup, false), "/process_api/32a33edf");
    EXPECT_EQ(memoryGroupPath(kHybridCgroup, true), "/");
    EXPECT_EQ(memoryGroupPath("0::/user.slice/user-1000.slice/session-2.scope\n", true),
              "/user.slice/user-1000.slice/session-2.scope");
    EXPECT_EQ(memoryGroupPath("0::/user.slice\n", false), std::nullopt);
    EXPECT_EQ(memoryGroupPath("5:blkio,memory:/a:b\n", false), "/a:b"); // a colon in the path stays
    EXPECT_EQ(memoryGroupPath("7:memoryless:/x\n", false), std::nullopt);
}

TEST(MemoryTexts, GroupDirectoriesUpToTheMountPoint)
{
    const GroupMount host{false, "/", "/sys/fs/cgroup/memory"};
    EXPECT_EQ(groupDirectories(host, "/process_api/32a33edf"),
              (std::vector<std::string>{"/sys/fs/cgroup/memory/process_api/32a33edf",
                                        "/sys/fs/cgroup/memory/process_api", "/sys/fs/cgroup/memory"}));
    EXPECT_EQ(groupDirectories(host, "/"), (std::vector<std::string>{"/sys/fs/cgroup/memory"}));

    const GroupMount container{true, "/docker/abc", "/sys/fs/cgroup"};
    EXPECT_EQ(groupDirectories(container, "/docker/abc"), (std::vector<std::string>{"/sys/fs/cgroup"}));
    EXPECT_EQ(groupDirectories(container, "/docker/abc/sub/"),
              (std::vector<std::string>{"/sys/fs/cgroup/sub", "/sys/fs/cgroup"}));
    // Outside the mount's root (or a sibling with the same start) only the
    // mount point is known.
    EXPECT_EQ(groupDirectories(container, "/docker/abcd"), (std::vector<std::string>{"/sys/fs/cgroup"}));
    EXPECT_EQ(groupDirectories(container, "/other"), (std::vector<std::string>{"/sys/fs/cgroup"}));
}

TEST(MemoryHeadroom, ReserveIsATenthWithAFloorAndAtMostHalf)
{
    EXPECT_EQ(memoryReserveFor(24 * kGiB), static_cast<std::int64_t>(24 * kGiB / 10));
    EXPECT_EQ(memoryReserveFor(1 * kGiB), static_cast<std::int64_t>(256 * kMiB));
    EXPECT_EQ(memoryReserveFor(256 * kMiB), static_cast<std::int64_t>(128 * kMiB));
    EXPECT_EQ(memoryReserveFor(0), 0);
}

TEST(MemoryHeadroom, TheTighterOfMachineAndGroup)
{
    MemoryFigures f;
    EXPECT_FALSE(memoryHeadroomOf(f).known); // nothing read: nothing is ever stopped

    f.physicalTotal = 16 * kGiB;
    f.physicalAvailable = 10 * kGiB;
    f.resident = 3 * kGiB;
    MemoryHeadroom h = memoryHeadroomOf(f);
    ASSERT_TRUE(h.known);
    EXPECT_EQ(h.resident, static_cast<std::int64_t>(3 * kGiB));
    EXPECT_EQ(h.reserve, memoryReserveFor(16 * kGiB));
    EXPECT_EQ(h.bytes, static_cast<std::int64_t>(10 * kGiB) - h.reserve);

    // A 2 GiB group with 1.5 GiB charged, a quarter GiB of it inactive file
    // pages: 0.75 GiB left, less the group's reserve.
    f.groupLimit = 2 * kGiB;
    f.groupUsage = 1536 * kMiB;
    f.groupReclaimable = 256 * kMiB;
    h = memoryHeadroomOf(f);
    EXPECT_EQ(h.reserve, memoryReserveFor(2 * kGiB));
    EXPECT_EQ(h.bytes, static_cast<std::int64_t>(768 * kMiB) - h.reserve);

    // Over its limit a group has nothing left, not a wrapped-around figure.
    f.groupUsage = 3 * kGiB;
    f.groupReclaimable = 0;
    h = memoryHeadroomOf(f);
    EXPECT_EQ(h.bytes, -h.reserve);

    // The machine binds when it has less to give than the group allows.
    f.groupLimit = 64 * kGiB;
    f.groupUsage = 0;
    f.physicalAvailable = 1 * kGiB;
    h = memoryHeadroomOf(f);
    EXPECT_EQ(h.bytes, static_cast<std::int64_t>(1 * kGiB) - memoryReserveFor(16 * kGiB));
}

TEST(MemoryCeiling, ReadsAgainOnlyAfterTheRefreshInterval)
{
    using std::chrono::hours;
    using std::chrono::milliseconds;
    int reads = 0;
    MemoryCeiling rarely(
        [&reads] {
            ++reads;
            return MemoryFigures{0, 8 * kGiB, 4 * kGiB, 0, 0, 0};
        },
        {hours(1), hours(1)});
    const MemoryHeadroom first = rarely.headroom();
    EXPECT_TRUE(first.known);
    EXPECT_EQ(rarely.headroom().bytes, first.bytes);
    EXPECT_EQ(reads, 1);

    int eager = 0;
    MemoryCeiling always([&eager] { return MemoryFigures{0, 8 * kGiB, ++eager * kGiB, 0, 0, 0}; },
                         {milliseconds(0), milliseconds(0)});
    const std::int64_t a = always.headroom().bytes;
    const std::int64_t b = always.headroom().bytes;
    EXPECT_EQ(b - a, static_cast<std::int64_t>(kGiB));
}

TEST(MemoryCeiling, ReadsTheMoreOftenTheLessIsLeft)
{
    // Gigabytes left wait for the longest interval; a shortage is read at
    // once every time.
    std::uint64_t available = 6 * kGiB;
    int reads = 0;
    MemoryCeiling paced(
        [&] {
            ++reads;
            return MemoryFigures{0, 8 * kGiB, available, 0, 0, 0};
        },
        {std::chrono::milliseconds(0), std::chrono::hours(1)});
    EXPECT_GT(paced.headroom().bytes, 0);
    available = 0;
    EXPECT_GT(paced.headroom().bytes, 0); // the reading of plenty still stands
    EXPECT_EQ(reads, 1);

    MemoryCeiling short_(
        [&] {
            ++reads;
            return MemoryFigures{0, 8 * kGiB, 0, 0, 0, 0};
        },
        {std::chrono::milliseconds(0), std::chrono::hours(1)});
    reads = 0;
    EXPECT_LT(short_.headroom().bytes, 0);
    EXPECT_LT(short_.headroom().bytes, 0);
    EXPECT_EQ(reads, 2);
}

TEST(MemoryCeiling, HandsFreedMemoryBackBeforeAShortageCounts)
{
    // The process keeps 3.5 GiB of freed heap: without it handed back the
    // machine looks short.
    std::uint64_t kept = 3584 * kMiB;
    int reclaims = 0;
    MemoryCeiling ceiling([&kept] { return MemoryFigures{0, 8 * kGiB, 4 * kGiB - kept, 0, 0, 0}; },
                          {std::chrono::milliseconds(0), std::chrono::milliseconds(0), std::chrono::hours(1)},
                          [&] {
                              ++reclaims;
                              kept = 0;
                          });
    EXPECT_GT(ceiling.headroom().bytes, 0);
    EXPECT_EQ(reclaims, 1);
    // A real shortage is not handed back over and over.
    kept = 4 * kGiB;
    EXPECT_LE(ceiling.headroom().bytes, 0);
    EXPECT_LE(ceiling.headroom().bytes, 0);
    EXPECT_EQ(reclaims, 1);
}

TEST(MemoryCeiling, ThreadsSeeOnlyReadingsInTheirOrder)
{
    // Readings only grow; every thread must see them grow too, whoever read.
    std::atomic<std::uint64_t> next{1};
    MemoryCeiling ceiling([&next] { return MemoryFigures{0, 1ull << 50, (next++) * kGiB, 0, 0, 0}; },
                          {std::chrono::milliseconds(0), std::chrono::milliseconds(0)});
    std::atomic<bool> ordered{true};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            std::int64_t last = std::numeric_limits<std::int64_t>::min();
            for (int i = 0; i < 2000; ++i) {
                const MemoryHeadroom h = ceiling.headroom();
                if (h.known && h.bytes < last)
                    ordered = false;
                if (h.known)
                    last = h.bytes;
            }
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_TRUE(ordered.load());
    EXPECT_GT(next.load(), 1u);
}

TEST(MemoryCeiling, ThisMachineIsKnown)
{
    // Every Linux has /proc/meminfo; the process itself is resident.
    const MemoryFigures f = readMemoryFigures();
    EXPECT_GT(f.physicalTotal, 0u);
    EXPECT_LE(f.physicalAvailable, f.physicalTotal);
    EXPECT_GT(f.resident, 0u);
    EXPECT_TRUE(MemoryCeiling::system().headroom().known);
}
