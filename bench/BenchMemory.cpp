#include "BenchMemory.h"

#include <malloc.h>

#include <fstream>
#include <sstream>
#include <string>

namespace velmor::bench {

namespace {

long long statusKilobytes(const char* field)
{
    std::ifstream status("/proc/self/status");
    const std::string prefix(field);
    for (std::string line; std::getline(status, line);)
        if (line.rfind(prefix, 0) == 0) {
            std::istringstream fields(line.substr(prefix.size()));
            long long kilobytes = 0;
            fields >> kilobytes;
            return kilobytes;
        }
    return 0;
}

} // namespace

void resetResidentPeak()
{
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
}

long long residentPeakBytes()
{
    return statusKilobytes("VmHWM:") * 1024;
}

long long residentBytes()
{
    return statusKilobytes("VmRSS:") * 1024;
}

} // namespace velmor::bench
