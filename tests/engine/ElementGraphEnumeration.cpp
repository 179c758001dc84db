#include "ElementGraphEnumeration.h"

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace velmor::testing {

long double elementGraphAvailability(const StructureWorkspace& ws, bool idealTerminals)
{
    const ByteMatrix& m = ws.workMatrix;
    const int n = m.rowCount();
    if (m.columnCount() != n)
        throw std::invalid_argument("work matrix not square");
    const int s = ws.workSourceIndex;
    const int t = ws.workDestinationIndex;
    std::vector<long double> p(static_cast<std::size_t>(n));
    std::vector<int> uncertain;
    for (int j = 0; j < n; ++j) {
        const ElementEntry* entry = ws.elements.entryAt(ws.elementMap.get(j));
        if (!entry)
            throw std::invalid_argument("work index without element");
        p[static_cast<std::size_t>(j)] = idealTerminals && (j == s || j == t) ? 1 : entry->availability;
        if (p[static_cast<std::size_t>(j)] > 0 && p[static_cast<std::size_t>(j)] < 1)
            uncertain.push_back(j);
    }
    if (uncertain.size() > 22)
        throw std::invalid_argument("too many uncertain elements to enumerate");

    std::vector<char> up(static_cast<std::size_t>(n));
    std::vector<char> reached(static_cast<std::size_t>(n));
    std::vector<int> queue;
    long double total = 0;
    for (std::uint32_t mask = 0; mask < (1u << uncertain.size()); ++mask) {
        long double probability = 1;
        for (int j = 0; j < n; ++j)
            up[static_cast<std::size_t>(j)] = p[static_cast<std::size_t>(j)] == 1;
        for (std::size_t u = 0; u < uncertain.size(); ++u) {
            const auto j = static_cast<std::size_t>(uncertain[u]);
            const bool works = (mask >> u) & 1u;
            up[j] = works;
            probability *= works ? p[j] : 1 - p[j];
        }
        if (!up[static_cast<std::size_t>(s)] || !up[static_cast<std::size_t>(t)])
            continue;
        std::fill(reached.begin(), reached.end(), 0);
        reached[static_cast<std::size_t>(s)] = 1;
        queue.assign(1, s);
        for (std::size_t head = 0; head < queue.size(); ++head) {
            const int a = queue[head];
            for (int b = 0; b < n; ++b) {
                if (m.get(b, a) != 1 || !up[static_cast<std::size_t>(b)] || reached[static_cast<std::size_t>(b)])
                    continue;
                reached[static_cast<std::size_t>(b)] = 1;
                queue.push_back(b);
            }
        }
        if (reached[static_cast<std::size_t>(t)])
            total += probability;
    }
    return total;
}

} // namespace velmor::testing
