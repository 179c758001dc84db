#include "run/AlgorithmTable.h"

#include "algorithms/Abraham.h"
#include "algorithms/Enr.h"
#include "algorithms/Npr.h"

#include <array>

namespace velmor {

const AlgorithmBinding& binding(Algorithm a)
{
    static const std::array<AlgorithmBinding, 3> table{{
        {Algorithm::Abraham, "Abraham", runAbraham, 0, "CheckBox3", {"RadioButton4", "RadioButton5"}, "Shape1",
         "ABR_pok", "rezabr", "A1", "Abraham3", "Neispravno ponašanje Abraham niti zbog nedostatka resursa"},
        {Algorithm::Enr, "ENR", runEnr, 1, "CheckBox4", {"RadioButton6", "RadioButton7", "RadioButton8"}, "Shape2",
         "ENR_pok", "rezenr", "ENR4", "ENR3", "Neispravno ponašanje ENR niti zbog nedostatka resursa"},
        {Algorithm::Npr, "NPR", runNpr, 1, "CheckBox5", {"RadioButton9", "RadioButton10"}, "Shape3", "NPR_pok",
         "reznpr", "NPR4", "NPR3", "Neispravno ponašanje NPR niti zbog nedostatka resursa"},
    }};
    return table[static_cast<std::size_t>(a)];
}

} // namespace velmor
