#include "run/MainControls.h"

namespace velmor {

void appendEnable(ControlUnit& unit, std::initializer_list<ActionPair> pairs, bool on)
{
    for (const ActionPair& pair : pairs) {
        unit.push_back(ControlChange::enable(pair.button, on));
        unit.push_back(ControlChange::enable(pair.menuItem, on));
    }
}

void appendEnable(ControlUnit& unit, std::initializer_list<const char*> controls, bool on)
{
    for (const char* control : controls)
        unit.push_back(ControlChange::enable(control, on));
}

} // namespace velmor
