#include "ui/Icons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>

#include <cmath>

namespace velmor {

namespace {

const QColor kOutline(40, 40, 40);

void drawPage(QPainter& p)
{
    QPainterPath page;
    page.moveTo(2.5, 1.5);
    page.lineTo(10, 1.5);
    page.lineTo(13.5, 5);
    page.lineTo(13.5, 14.5);
    page.lineTo(2.5, 14.5);
    page.closeSubpath();
    p.setPen(QPen(kOutline, 1));
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.setBrush(QColor(220, 220, 220));
    QPainterPath fold;
    fold.moveTo(10, 1.5);
    fold.lineTo(10, 5);
    fold.lineTo(13.5, 5);
    fold.closeSubpath();
    p.drawPath(fold);
}

void drawPicture(QPainter& p, Picture picture)
{
    p.setRenderHint(QPainter::Antialiasing);
    switch (picture) {
    case Picture::EditStructure: {
        drawPage(p);
        // A small network on the page ...
        p.setPen(QPen(QColor(0, 0, 160), 1));
        p.drawLine(QPointF(4.5, 12), QPointF(6.5, 7));
        p.drawLine(QPointF(6.5, 7), QPointF(9, 11.5));
        p.drawLine(QPointF(4.5, 12), QPointF(9, 11.5));
        p.setBrush(QColor(0, 0, 200));
        for (QPointF node : {QPointF(4.5, 12), QPointF(6.5, 7), QPointF(9, 11.5)})
            p.drawEllipse(node, 1.3, 1.3);
        // ... and a pencil over it.
        p.setPen(QPen(kOutline, 0.8));
        p.setBrush(QColor(250, 200, 40));
        QPolygonF pencil({QPointF(14.5, 6), QPointF(16, 7.5), QPointF(10.5, 13), QPointF(9, 11.5)});
        p.drawPolygon(pencil);
        p.setBrush(kOutline);
        p.drawPolygon(QPolygonF({QPointF(9, 11.5), QPointF(10.5, 13), QPointF(8.3, 13.7)}));
        break;
    }
    case Picture::OpenFile: {
        p.setPen(QPen(QColor(120, 90, 10), 1));
        p.setBrush(QColor(230, 190, 70));
        p.drawPolygon(QPolygonF({QPointF(1.5, 3.5), QPointF(6, 3.5), QPointF(7.5, 5), QPointF(13.5, 5),
                                 QPointF(13.5, 13.5), QPointF(1.5, 13.5)}));
        p.setBrush(QColor(250, 220, 110));
        p.drawPolygon(QPolygonF({QPointF(4, 7.5), QPointF(15.5, 7.5), QPointF(13.5, 13.5), QPointF(1.5, 13.5)}));
        break;
    }
    case Picture::SaveFile: {
        p.setPen(QPen(QColor(10, 30, 90), 1));
        p.setBrush(QColor(50, 90, 190));
        p.drawPolygon(QPolygonF({QPointF(1.5, 1.5), QPointF(12.5, 1.5), QPointF(14.5, 3.5), QPointF(14.5, 14.5),
                                 QPointF(1.5, 14.5)}));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(3.5, 1.5, 8, 5));
        p.setBrush(QColor(190, 190, 200));
        p.drawRect(QRectF(4, 9.5, 8, 5));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(50, 90, 190));
        p.drawRect(QRectF(8.5, 2.5, 2, 3));
        break;
    }
    case Picture::FreeStructure: {
        drawPage(p);
        p.setPen(QPen(QColor(210, 0, 0), 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(5, 6.5), QPointF(11.5, 13));
        p.drawLine(QPointF(11.5, 6.5), QPointF(5, 13));
        break;
    }
    case Picture::Play:
        p.setPen(QPen(QColor(0, 90, 0), 1));
        p.setBrush(QColor(30, 170, 30));
        p.drawPolygon(QPolygonF({QPointF(3.5, 2), QPointF(14, 8), QPointF(3.5, 14)}));
        break;
    case Picture::Pause:
        p.setPen(QPen(QColor(0, 40, 110), 1));
        p.setBrush(QColor(40, 100, 200));
        p.drawRect(QRectF(3.5, 2.5, 3.5, 11));
        p.drawRect(QRectF(9.5, 2.5, 3.5, 11));
        break;
    case Picture::Resume:
        p.setPen(QPen(QColor(0, 40, 110), 1));
        p.setBrush(QColor(40, 100, 200));
        p.drawRect(QRectF(1.5, 2.5, 3, 11));
        p.setPen(QPen(QColor(0, 90, 0), 1));
        p.setBrush(QColor(30, 170, 30));
        p.drawPolygon(QPolygonF({QPointF(6.5, 2), QPointF(15, 8), QPointF(6.5, 14)}));
        break;
    case Picture::Stop:
        p.setPen(QPen(QColor(110, 0, 0), 1));
        p.setBrush(QColor(210, 30, 30));
        p.drawRoundedRect(QRectF(2.5, 2.5, 11, 11), 1.5, 1.5);
        break;
    case Picture::Reports: {
        // A result table with a small chart beside it.
        p.setPen(QPen(kOutline, 1));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        p.setBrush(QColor(0, 0, 160));
        p.setPen(Qt::NoPen);
        p.drawRect(QRectF(2, 2, 12, 3));
        p.setPen(QPen(QColor(120, 120, 120), 1));
        for (double y : {7.5, 10.5})
            p.drawLine(QPointF(2, y), QPointF(14, y));
        p.drawLine(QPointF(7.5, 5), QPointF(7.5, 14));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(220, 30, 30));
        p.drawRect(QRectF(9, 11.5, 1.5, 2.5));
        p.drawRect(QRectF(11, 9, 1.5, 5));
        break;
    }
    case Picture::MenuBar: {
        p.setPen(QPen(kOutline, 1));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(1.5, 2.5, 13, 11));
        p.setBrush(QColor(0, 0, 160));
        p.drawRect(QRectF(1.5, 2.5, 13, 3));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(200, 60, 0));
        p.drawPolygon(QPolygonF({QPointF(8, 6.5), QPointF(11, 9.3), QPointF(5, 9.3)}));
        p.drawPolygon(QPolygonF({QPointF(8, 13), QPointF(11, 10.2), QPointF(5, 10.2)}));
        break;
    }
    case Picture::Settings: {
        QPainterPath gear;
        const QPointF centre(8, 8);
        for (int i = 0; i < 16; ++i) {
            const double angle = i * M_PI / 8;
            const double radius = (i % 2 == 0) ? 7 : 5.3;
            const QPointF point(centre.x() + radius * std::cos(angle), centre.y() + radius * std::sin(angle));
            if (i == 0)
                gear.moveTo(point);
            else
                gear.lineTo(point);
        }
        gear.closeSubpath();
        gear.addEllipse(centre, 2.2, 2.2);
        gear.setFillRule(Qt::OddEvenFill);
        p.setPen(QPen(QColor(60, 60, 60), 0.8));
        p.setBrush(QColor(150, 150, 160));
        p.drawPath(gear);
        break;
    }
    case Picture::Information:
    case Picture::Help: {
        p.setPen(QPen(QColor(0, 40, 120), 1));
        p.setBrush(picture == Picture::Information ? QColor(40, 110, 220) : QColor(20, 150, 90));
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setBold(true);
        font.setPixelSize(picture == Picture::Information ? 11 : 10);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRectF(1.5, 1.5, 13, 13), Qt::AlignCenter,
                   picture == Picture::Information ? QStringLiteral("i") : QStringLiteral("?"));
        break;
    }
    case Picture::Confirm:
        p.setPen(QPen(QColor(20, 140, 20), 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF({QPointF(2.5, 8.5), QPointF(6.5, 12.5), QPointF(13.5, 3.5)}));
        break;
    }
}

} // namespace

QPixmap picturePixmap(Picture picture, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.scale(size / 16.0, size / 16.0);
    drawPicture(painter, picture);
    return pixmap;
}

QIcon pictureIcon(Picture picture)
{
    QIcon icon;
    for (int size : {16, 24, 32})
        icon.addPixmap(picturePixmap(picture, size));
    return icon;
}

QPixmap informationBackground(const QSize& size)
{
    QPixmap pixmap(size);
    QPainter painter(&pixmap);
    QLinearGradient gradient(0, 0, size.width(), size.height());
    gradient.setColorAt(0, QColor(232, 242, 252));
    gradient.setColorAt(1, QColor(196, 220, 244));
    painter.fillRect(pixmap.rect(), gradient);

    // A faint network: the same picture every time.
    painter.setRenderHint(QPainter::Antialiasing);
    QRandomGenerator random(1234);
    QList<QPointF> nodes;
    for (int i = 0; i < 24; ++i)
        nodes.append(QPointF(random.bounded(size.width()), random.bounded(size.height())));
    painter.setPen(QPen(QColor(205, 222, 242), 1));
    for (int i = 0; i < nodes.size(); ++i)
        for (int j = i + 1; j < nodes.size(); ++j)
            if (QLineF(nodes[i], nodes[j]).length() < 170)
                painter.drawLine(nodes[i], nodes[j]);
    painter.setBrush(QColor(212, 228, 246));
    for (const QPointF& node : nodes)
        painter.drawEllipse(node, 4, 4);
    return pixmap;
}

} // namespace velmor
