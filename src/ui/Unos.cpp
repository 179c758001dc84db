#include "ui/Unos.h"

#include "ui/Widgets.h"

namespace velmor {

TForm5::TForm5() : QWidget(nullptr)
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Unos i promjena ulaznih podataka"));
    setFont(formFont());
    fixClientSize(this, kClientWidth, kClientHeight);
}

} // namespace velmor
