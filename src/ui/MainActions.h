#pragma once

#include "run/ControlChannel.h"
#include "structure/AlgorithmCells.h"

#include <functional>
#include <optional>
#include <string>

namespace velmor {

// Asks the user for a file (the open or the save dialog of the main window);
// nothing when the dialog is cancelled.
using PathPrompt = std::function<std::optional<std::string>()>;

// What the main window's user events do. The window calls one method per
// action, on the user-interface thread, and mirrors the control changes that
// the method returns. The program's controller overrides these; the defaults
// change nothing, so the window runs on its own.
//
// The window itself only places and shows windows (settings, information,
// help) and hides or shows its menu bar; everything else is decided here.
class MainActions {
public:
    virtual ~MainActions() = default;

    // "Glavni izbornik"
    virtual ControlUnit newStructure() { return {}; }                     // novadatoteka, Novastruktura1
    virtual ControlUnit openStructure(const PathPrompt&) { return {}; }   // otvoridatoteku, Otvoridatoteku1
    virtual ControlUnit saveStructure(const PathPrompt&) { return {}; }   // spremipodatke, Spremistrukturu1
    virtual ControlUnit saveResults(const PathPrompt&) { return {}; }     // Spremirezultate1
    virtual ControlUnit freeStructure() { return {}; }                    // zatvoritrenutni, Zatvoristrukturu1
    // Izlazizprograma1 or closing the main window: raise the stop requests and
    // report-abort flags; the window then ends the process.
    virtual void exitProgram() {}

    // "Postavke"
    virtual ControlUnit reductionMenu(bool /*on*/) { return {}; }        // Ukljucena1 (true), Iskljuena1 (false)
    virtual ControlUnit directionMenu(bool /*directed*/) { return {}; }  // Da1 (true), Ne1 (false)

    // "Izvršavanje"
    virtual ControlUnit showMatrix() { return {}; } // matricastrukture2, rezstr
    virtual ControlUnit start() { return {}; }      // play, Start1
    virtual ControlUnit pause() { return {}; }      // pause, Pauze1
    virtual ControlUnit resume() { return {}; }     // resume, Nastavi1
    virtual ControlUnit stop() { return {}; }       // stop, Stop1
    virtual ControlUnit stopAlgorithm(Algorithm) { return {}; } // Abraham3, ENR3, NPR3

    // "Pregled rezultata"
    virtual ControlUnit allReports() { return {}; }                   // detaljni, Svihodabranih1
    virtual ControlUnit reportFromMenu(Algorithm) { return {}; }      // A1, ENR4, NPR4
    virtual ControlUnit reportFromResultsBar(Algorithm) { return {}; } // rezabr, rezenr, reznpr
    virtual ControlUnit importance() { return {}; }                   // Vanostelemenata1
    virtual ControlUnit showPicture() { return {}; }                   // slikastrukture1

    // redim: the window has just hidden (false) or shown (true) its menu bar;
    // new detailed-report windows start from the first cascade position again.
    virtual ControlUnit menuBarToggled(bool /*shown*/) { return {}; }

    // The user changed a check box of the options panel, or chose a radio
    // button there (reported once, as checked: clearing the other buttons of
    // its group is the program's business).
    virtual ControlUnit optionChanged(const std::string& /*control*/, bool /*checked*/) { return {}; }
    // The user picked an item of ComboBox1/ComboBox2 (index into its sorted
    // items) or typed into its text.
    virtual ControlUnit nodeChosen(const std::string& /*control*/, int /*index*/) { return {}; }
    virtual ControlUnit nodeTyped(const std::string& /*control*/, const std::string& /*text*/) { return {}; }

    // The error window was closed.
    virtual ControlUnit errorClosed() { return {}; }

    // Changes that worker threads posted since the last call (taken on the
    // user-interface thread after TForm1::requestDrain).
    virtual ControlUnit pendingChanges() { return {}; }
};

} // namespace velmor
