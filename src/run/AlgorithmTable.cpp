#include "run/AlgorithmTable.h"

#include <array>

namespace velmor {

const AlgorithmBinding& binding(Algorithm a)
{
    static const std::array<AlgorithmBinding, kRunAlgorithms.size()> table{{
        {Algorithm::Abraham, "CheckBox3", {"RadioButton4", "RadioButton5"}, 1, "Shape1", "ABR_pok", "rezabr", "A1",
         "Abraham3", "Neispravno ponašanje Abraham niti zbog nedostatka resursa"},
        {Algorithm::Enr, "CheckBox4", {"RadioButton6", "RadioButton7", "RadioButton8"}, 0, "Shape2", "ENR_pok",
         "rezenr", "ENR4", "ENR3", "Neispravno ponašanje ENR niti zbog nedostatka resursa"},
        {Algorithm::Npr, "CheckBox5", {"RadioButton9", "RadioButton10"}, 0, "Shape3", "NPR_pok", "reznpr", "NPR4",
         "NPR3", "Neispravno ponašanje NPR niti zbog nedostatka resursa"},
        {Algorithm::Frontier, "Frontier1", {}, 0, nullptr, nullptr, nullptr, nullptr, "Frontier3",
         "Neispravno ponašanje Frontier niti zbog nedostatka resursa"},
    }};
    return table[static_cast<std::size_t>(a)];
}

} // namespace velmor
