#pragma once

#include "algorithms/AlgorithmTraits.h"

#include <string_view>
#include <vector>

namespace velmor {

// The main window's controls of each algorithm and the message its thread
// gives when it cannot be created: one row per algorithm, used by code
// written once. What the algorithms themselves differ in is traits(a).
// Frontier is chosen by a check-mark menu item and has no panel: no
// variants, lamp, progress label or report (null).
struct AlgorithmBinding {
    Algorithm algorithm;
    const char* checkBox;               // "Odaberi"
    std::vector<const char*> variants;  // its variant radio buttons, in the order of their values
    int firstVariant;                   // the value of the first variant button
    const char* lamp;
    const char* progressLabel;
    const char* reportButton;
    const char* reportMenuItem;
    const char* stopMenuItem;
    std::string_view threadFailure;     // first line when its thread cannot be created
};

const AlgorithmBinding& binding(Algorithm a);

} // namespace velmor
