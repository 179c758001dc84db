#pragma once

#include "run/ControlChannel.h"

#include <initializer_list>

namespace velmor {

// A toolbar button and the menu item that runs the same action: they are
// always enabled and disabled together.
struct ActionPair {
    const char* button;
    const char* menuItem;
};

inline constexpr ActionPair kNewStructure{"novadatoteka", "Novastruktura1"};
inline constexpr ActionPair kOpenStructure{"otvoridatoteku", "Otvoridatoteku1"};
inline constexpr ActionPair kSaveStructure{"spremipodatke", "Spremistrukturu1"};
inline constexpr ActionPair kFreeStructure{"zatvoritrenutni", "Zatvoristrukturu1"};
inline constexpr ActionPair kStart{"play", "Start1"};
inline constexpr ActionPair kPause{"pause", "Pauze1"};
inline constexpr ActionPair kResume{"resume", "Nastavi1"};
inline constexpr ActionPair kStop{"stop", "Stop1"};
inline constexpr ActionPair kAllReports{"detaljni", "Svihodabranih1"};
inline constexpr ActionPair kMatrixView{"rezstr", "matricastrukture2"};

void appendEnable(ControlUnit& unit, std::initializer_list<ActionPair> pairs, bool on);
void appendEnable(ControlUnit& unit, std::initializer_list<const char*> controls, bool on);

} // namespace velmor
