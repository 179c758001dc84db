#include "ui/Detalji.h"

#include "ui/Widgets.h"

namespace velmor {

TForm4::TForm4() : QWidget(nullptr)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Detaljni prikaz rezulatata algoritma"));
    QFont font = formFont(13, true);
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
    setFont(font);
    fixClientSize(this, kClientWidth, kClientHeight);
    paintBackground(this, Qt::black);
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    setPalette(palette);
}

} // namespace velmor
