#include "ui/Tablica.h"

#include "ui/Widgets.h"

namespace velmor {

TForm8::TForm8() : QWidget(nullptr)
{
    setObjectName(QStringLiteral("Form8"));
    setWindowTitle(QStringLiteral("Matrica strukture"));
    setFont(formFont());
    resize(kClientWidth, kClientHeight); // the matrix window may be resized
}

} // namespace velmor
