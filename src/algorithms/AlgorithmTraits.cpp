#include "algorithms/AlgorithmTraits.h"

#include "algorithms/Abraham.h"
#include "algorithms/Enr.h"
#include "algorithms/FrontierRun.h"
#include "algorithms/Npr.h"

#include <array>

namespace velmor {

const AlgorithmTraits& traits(Algorithm a)
{
    static const std::array<AlgorithmTraits, kRunAlgorithms.size()> table{{
        {Algorithm::Abraham, "Abraham", runAbraham, true, 0, {0, 1, 2, 3}, 3},
        {Algorithm::Enr, "ENR", runEnr, true, 1, {0, 2, 1}, 2},
        {Algorithm::Npr, "NPR", runNpr, true, 1, {0, 1, 2, 3}, 1},
        {Algorithm::Frontier, "Frontier", runFrontierAlgorithm, false, 0, {0, 1}, 1},
    }};
    return table[static_cast<std::size_t>(a)];
}

} // namespace velmor
