#pragma once

#include <QIcon>
#include <QPixmap>

namespace velmor {

// Pictures of the toolbar and of the windows' image buttons, drawn by the
// program itself so that they look the same on every desktop.
enum class Picture {
    EditStructure, // novadatoteka
    OpenFile,      // otvoridatoteku
    SaveFile,      // spremipodatke
    FreeStructure, // zatvoritrenutni
    Play,
    Pause,
    Resume,
    Stop,
    Reports,       // detaljni
    MenuBar,       // redim
    Settings,      // postavke
    Information,   // info
    Help,          // pomoc
    Confirm,       // image button that closes a window
};

QIcon pictureIcon(Picture picture);
QPixmap picturePixmap(Picture picture, int size);

// Background of the information window: a light gradient with a faint
// network drawn on it, so that the captions on top stay readable.
QPixmap informationBackground(const QSize& size);

} // namespace velmor
