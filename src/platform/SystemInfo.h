#pragma once

#include <cstdint>
#include <string>

namespace velmor {

// The operating system as the information window describes it: a name, an
// optional edition, a major.minor version, a build figure and an extra text.
struct OsVersion {
    std::string name;    // e.g. "Debian GNU/Linux 12 (bookworm)"
    std::string edition; // e.g. the os-release VARIANT; often empty
    int major = 0;
    int minor = 0;
    long build = 0;
    std::string extra;   // shown after the build figure unless blank
};

// Name, edition, "major.minor (Build b)" or "major.minor (Build b: extra)";
// an extra text of blanks only counts as empty.
std::string describeOs(const OsVersion& version);

// Fills `version` from the content of an os-release file and the fields of
// uname: PRETTY_NAME (or NAME) and VARIANT, the first three numbers of the
// kernel release as major, minor and build, and the kernel version text as
// the extra text.
OsVersion osVersionFrom(const std::string& osRelease, const std::string& kernelRelease,
                        const std::string& kernelVersion, const std::string& systemName);

// The running system, read from /etc/os-release (or the given file) and uname.
OsVersion readOsVersion(const std::string& osReleasePath = "/etc/os-release");

// The six memory figures of the information window, in bytes.
struct MemoryStatus {
    std::uint64_t totalPhysical = 0;
    std::uint64_t availablePhysical = 0;
    std::uint64_t totalPageFile = 0;
    std::uint64_t availablePageFile = 0;
    std::uint64_t totalVirtual = 0;
    std::uint64_t availableVirtual = 0;
};

// Builds the figures from the texts of /proc/meminfo and /proc/self/status
// and the process's address-space limit (0 = none).
MemoryStatus memoryStatusFrom(const std::string& meminfo, const std::string& selfStatus,
                              std::uint64_t addressSpaceLimit);

// The figures of this moment.
MemoryStatus readMemoryStatus();

// The "#,###' KB'" pattern: bytes / 1024, truncated, grouped by three with
// the given separator, followed by " KB"; nothing before " KB" when the
// kilobytes are 0.
std::string formatKilobytes(std::uint64_t bytes, const std::string& thousandsSeparator);

} // namespace velmor
