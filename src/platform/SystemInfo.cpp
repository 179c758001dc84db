#include "platform/SystemInfo.h"

#include <sys/resource.h>
#include <sys/utsname.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

namespace velmor {

namespace {

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::string readWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Value of KEY=value in an os-release text, quotes removed.
std::string osReleaseValue(const std::string& text, const std::string& key)
{
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        line = trimmed(line);
        if (line.size() <= key.size() || line.compare(0, key.size(), key) != 0 || line[key.size()] != '=')
            continue;
        std::string value = line.substr(key.size() + 1);
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        return value;
    }
    return {};
}

// A figure in kB of a /proc text ("MemTotal:  16318412 kB"); -1 when absent.
long long procKilobytes(const std::string& text, const std::string& key)
{
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.size() <= key.size() || line.compare(0, key.size(), key) != 0 || line[key.size()] != ':')
            continue;
        std::istringstream fields(line.substr(key.size() + 1));
        long long value = -1;
        if (fields >> value)
            return value;
        return -1;
    }
    return -1;
}

std::uint64_t kilobytesToBytes(long long kilobytes)
{
    return kilobytes > 0 ? static_cast<std::uint64_t>(kilobytes) * 1024u : 0u;
}

// The address space a process of this build can use when nothing limits it:
// the user half of a 48-bit address space on 64-bit Linux, 3 GiB on 32-bit.
constexpr std::uint64_t kUserAddressSpace = sizeof(void*) == 8 ? (std::uint64_t{1} << 47) : (std::uint64_t{3} << 30);

} // namespace

std::string describeOs(const OsVersion& version)
{
    std::string text = version.name;
    if (!version.edition.empty())
        text += (text.empty() ? "" : " ") + version.edition;
    if (!text.empty())
        text += ' ';
    text += std::to_string(version.major) + "." + std::to_string(version.minor) + " (Build " + std::to_string(version.build);
    if (trimmed(version.extra).empty())
        text += ")";
    else
        text += ": " + version.extra + ")";
    return text;
}

OsVersion osVersionFrom(const std::string& osRelease, const std::string& kernelRelease,
                        const std::string& kernelVersion, const std::string& systemName)
{
    OsVersion version;
    version.name = osReleaseValue(osRelease, "PRETTY_NAME");
    if (version.name.empty())
        version.name = osReleaseValue(osRelease, "NAME");
    if (version.name.empty())
        version.name = systemName;
    version.edition = osReleaseValue(osRelease, "VARIANT");

    // "6.1.0-18-amd64": major 6, minor 1, build 0; missing numbers stay 0.
    long numbers[3] = {0, 0, 0};
    std::size_t at = 0;
    for (int i = 0; i < 3 && at < kernelRelease.size() && std::isdigit(static_cast<unsigned char>(kernelRelease[at])); ++i) {
        long value = 0;
        while (at < kernelRelease.size() && std::isdigit(static_cast<unsigned char>(kernelRelease[at])) && value < 100000000)
            value = value * 10 + (kernelRelease[at++] - '0');
        numbers[i] = value;
        if (at >= kernelRelease.size() || kernelRelease[at] != '.')
            break;
        ++at;
    }
    version.major = static_cast<int>(numbers[0]);
    version.minor = static_cast<int>(numbers[1]);
    version.build = numbers[2];
    version.extra = kernelVersion;
    return version;
}

OsVersion readOsVersion(const std::string& osReleasePath)
{
    std::string osRelease = readWholeFile(osReleasePath);
    if (osRelease.empty() && osReleasePath == "/etc/os-release")
        osRelease = readWholeFile("/usr/lib/os-release");
    utsname names{};
    if (uname(&names) != 0)
        return osVersionFrom(osRelease, "", "", "Linux");
    return osVersionFrom(osRelease, names.release, names.version, names.sysname);
}

// The six figures on Linux:
// - physical memory: MemTotal and MemAvailable (MemFree on old kernels) of
//   /proc/meminfo; MemAvailable is what a new program can get without swapping;
// - "paging file": the swap space, SwapTotal and SwapFree;
// - virtual address space of the process: its RLIMIT_AS when one is set,
//   otherwise the user address space of the architecture; available is that
//   total less the process's present VmSize from /proc/self/status.
MemoryStatus memoryStatusFrom(const std::string& meminfo, const std::string& selfStatus,
                              std::uint64_t addressSpaceLimit)
{
    MemoryStatus status;
    status.totalPhysical = kilobytesToBytes(procKilobytes(meminfo, "MemTotal"));
    long long available = procKilobytes(meminfo, "MemAvailable");
    if (available < 0)
        available = procKilobytes(meminfo, "MemFree");
    status.availablePhysical = kilobytesToBytes(available);
    status.totalPageFile = kilobytesToBytes(procKilobytes(meminfo, "SwapTotal"));
    status.availablePageFile = kilobytesToBytes(procKilobytes(meminfo, "SwapFree"));

    status.totalVirtual = addressSpaceLimit != 0 ? std::min(addressSpaceLimit, kUserAddressSpace) : kUserAddressSpace;
    const std::uint64_t used = kilobytesToBytes(procKilobytes(selfStatus, "VmSize"));
    status.availableVirtual = used < status.totalVirtual ? status.totalVirtual - used : 0;
    return status;
}

MemoryStatus readMemoryStatus()
{
    std::uint64_t limit = 0;
    rlimit addressSpace{};
    if (getrlimit(RLIMIT_AS, &addressSpace) == 0 && addressSpace.rlim_cur != RLIM_INFINITY)
        limit = static_cast<std::uint64_t>(addressSpace.rlim_cur);
    return memoryStatusFrom(readWholeFile("/proc/meminfo"), readWholeFile("/proc/self/status"), limit);
}

std::string formatKilobytes(std::uint64_t bytes, const std::string& thousandsSeparator)
{
    const std::uint64_t kilobytes = bytes / 1024u;
    std::string text;
    if (kilobytes != 0) {
        const std::string digits = std::to_string(kilobytes);
        for (std::size_t i = 0; i < digits.size(); ++i) {
            if (i != 0 && (digits.size() - i) % 3 == 0)
                text += thousandsSeparator;
            text += digits[i];
        }
    }
    return text + " KB";
}

} // namespace velmor
