#include "ui/Slika.h"

#include "platform/Numbers.h"
#include "structure/StructureWorkspace.h"
#include "ui/Application.h"
#include "ui/Widgets.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QGraphicsEllipseItem>
#include <QGraphicsPathItem>
#include <QGraphicsPolygonItem>
#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPathStroker>
#include <QPushButton>
#include <QSvgGenerator>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace velmor {

namespace {

constexpr double kLooseEndSize = 8;  // the open end of an edge
constexpr double kMinimumNode = 26;  // diameter of a node, in points
constexpr double kMargin = 12;       // around the picture
constexpr double kArrowLength = 8;   // Graphviz leaves 10 * arrowsize 0.8
constexpr double kArrowHalfWidth = 3.5;
constexpr int kItemKind = 0;         // QGraphicsItem::data keys
constexpr int kItemElement = 1;

QFont nodeFont()
{
    return formFont(11, true);
}

QFont edgeLabelFont()
{
    QFont font = formFont(10);
    font.setFamilies({QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Liberation Mono"),
                      QStringLiteral("Courier New"), QStringLiteral("Monospace")});
    return font;
}

// An edge's line, which the pointer finds (for its tool tip) a few pixels
// beside it too.
class EdgeItem : public QGraphicsPathItem {
public:
    using QGraphicsPathItem::QGraphicsPathItem;
    QPainterPath shape() const override
    {
        QPainterPathStroker stroker;
        stroker.setWidth(std::max<qreal>(8, pen().widthF()));
        return stroker.createStroke(path());
    }
};

QPointF point(const LayoutPoint& p)
{
    return {p.x, p.y};
}

// Lines of text centred on `centre`, as children of `parent`.
void addCentredText(QGraphicsItem* parent, const QStringList& lines, const QPointF& centre, const QFont& font,
                    const QColor& colour)
{
    const QFontMetricsF metrics(font);
    const double lineHeight = metrics.height();
    double top = centre.y() - lineHeight * lines.size() / 2;
    for (const QString& line : lines) {
        auto* text = new QGraphicsSimpleTextItem(line, parent);
        text->setFont(font);
        text->setBrush(colour);
        text->setPos(centre.x() - metrics.horizontalAdvance(line) / 2, top);
        top += lineHeight;
    }
}

QPolygonF arrowHead(const std::vector<LayoutPoint>& points)
{
    const QPointF tip = point(points.back());
    // The direction of the last piece that has a length.
    QPointF from = tip;
    for (auto it = points.rbegin() + 1; it != points.rend(); ++it) {
        from = point(*it);
        if (std::hypot(tip.x() - from.x(), tip.y() - from.y()) > 0.5)
            break;
    }
    QPointF d = tip - from;
    const double length = std::hypot(d.x(), d.y());
    if (length <= 0)
        return {};
    d /= length;
    const QPointF normal(-d.y(), d.x());
    const QPointF base = tip - d * kArrowLength;
    return QPolygonF({tip, base + normal * kArrowHalfWidth, base - normal * kArrowHalfWidth});
}

} // namespace

QColor valueColour(double position)
{
    // Pale yellow, orange, dark brown: a scale that greys well and stays
    // clear of the source's green and the destination's red.
    const double p = std::clamp(position, 0.0, 1.0);
    struct Stop {
        double at;
        int r, g, b;
    };
    static constexpr Stop stops[] = {{0.0, 255, 247, 188}, {0.5, 254, 153, 41}, {1.0, 102, 37, 6}};
    for (std::size_t i = 1; i < std::size(stops); ++i) {
        if (p <= stops[i].at) {
            const Stop& a = stops[i - 1];
            const Stop& b = stops[i];
            const double t = (p - a.at) / (b.at - a.at);
            return QColor(static_cast<int>(std::lround(a.r + (b.r - a.r) * t)),
                          static_cast<int>(std::lround(a.g + (b.g - a.g) * t)),
                          static_cast<int>(std::lround(a.b + (b.b - a.b) * t)));
        }
    }
    return QColor(stops[2].r, stops[2].g, stops[2].b);
}

// --- View -------------------------------------------------------------------------------

PictureView::PictureView(QWidget* parent) : QGraphicsView(parent)
{
    setDragMode(QGraphicsView::ScrollHandDrag);
    setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
    setResizeAnchor(QGraphicsView::AnchorViewCenter);
    setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    setBackgroundBrush(Qt::white);
}

double PictureView::zoom() const
{
    return transform().m11();
}

void PictureView::wheelEvent(QWheelEvent* event)
{
    const double factor = std::pow(1.0015, event->angleDelta().y());
    const double next = std::clamp(zoom() * factor, 0.02, 8.0);
    scale(next / zoom(), next / zoom());
    event->accept();
}

// --- Window -----------------------------------------------------------------------------

TForm10::TForm10() : QWidget(nullptr)
{
    setObjectName(QStringLiteral("Form10"));
    setWindowTitle(QStringLiteral("Slika strukture"));
    setFont(formFont());
    resize(kClientWidth, kClientHeight); // the picture window may be resized

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);
    column->setSpacing(4);
    auto* bar = new QHBoxLayout;
    bar->setSpacing(6);
    auto* engineCaption = new QLabel(QStringLiteral("Raspored :"), this);
    engine_ = new QComboBox(this);
    engine_->setObjectName(QStringLiteral("raspored"));
    engine_->addItems({QStringLiteral("automatski"), QStringLiteral("dot"), QStringLiteral("neato"),
                       QStringLiteral("sfdp")});
    availabilities_ = new QCheckBox(QStringLiteral("raspoloživosti na slici"), this);
    availabilities_->setObjectName(QStringLiteral("raspolozivosti"));
    fit_ = new QPushButton(QStringLiteral("prilagodi prozoru"), this);
    fit_->setObjectName(QStringLiteral("prilagodi"));
    save_ = new QPushButton(QStringLiteral("spremi sliku"), this);
    save_->setObjectName(QStringLiteral("spremisliku"));
    bar->addWidget(engineCaption);
    bar->addWidget(engine_);
    bar->addSpacing(8);
    bar->addWidget(availabilities_);
    bar->addStretch(1);
    bar->addWidget(fit_);
    bar->addWidget(save_);
    column->addLayout(bar);

    scene_ = new QGraphicsScene(this);
    view_ = new PictureView(this);
    view_->setObjectName(QStringLiteral("slika"));
    view_->setScene(scene_);
    column->addWidget(view_, 1);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("stanje"));
    column->addWidget(status_);

    // Both give the picture another geometry: it is fitted to the window again.
    auto redraw = [this] {
        guarded([this] {
            draw();
            fitPicture();
        });
    };
    connect(engine_, &QComboBox::currentIndexChanged, this, redraw);
    connect(availabilities_, &QCheckBox::toggled, this, redraw);
    connect(fit_, &QPushButton::clicked, this, [this] { fitPicture(); });
    connect(save_, &QPushButton::clicked, this, [this] { saveClick(); });
    draw();
}

void TForm10::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    fitPicture();
}

void TForm10::fill()
{
    fillPending_ = false;
    const StructureWorkspace* ws = source_.workspace ? source_.workspace() : nullptr;
    if (ws) {
        const PictureOptions options = source_.options ? source_.options() : PictureOptions{};
        picture_ = buildStructurePicture(ws->elements, ws->directedMatrix, ws->undirectedMatrix, options);
        elementCount_ = ws->elements.count();
    } else {
        picture_ = {};
        elementCount_ = 0;
    }
    if (std::optional<ElementValues> given = source_.values ? source_.values() : std::nullopt) {
        values_ = std::move(given->values);
        valuesCaption_ = given->caption;
        valuesFromSource_ = true;
    } else if (valuesFromSource_) {
        values_.clear(); // they no longer belong to what is drawn
        valuesCaption_.clear();
        valuesFromSource_ = false;
    }
    if (static_cast<int>(values_.size()) != elementCount_) {
        values_.clear(); // values of another structure
        valuesCaption_.clear();
    }
    draw();
    fitPicture();
}

void TForm10::scheduleFill()
{
    if (fillPending_ || !isVisible())
        return;
    fillPending_ = true;
    QMetaObject::invokeMethod(
        this, [this] {
            if (fillPending_ && isVisible())
                guarded([this] { fill(); });
            fillPending_ = false;
        },
        Qt::QueuedConnection);
}

void TForm10::showElementValues(const std::vector<double>& values, const QString& caption)
{
    values_ = values;
    valuesCaption_ = caption;
    valuesFromSource_ = false;
    draw();
}

void TForm10::clearElementValues()
{
    const bool had = !values_.empty();
    values_.clear();
    valuesCaption_.clear();
    if (had)
        draw();
}

std::optional<double> TForm10::valueOf(int element) const
{
    if (element < 0 || static_cast<std::size_t>(element) >= values_.size() || std::isnan(values_[static_cast<std::size_t>(element)]))
        return std::nullopt;
    return values_[static_cast<std::size_t>(element)];
}

QString TForm10::availabilityText(long double availability) const
{
    const char separator = source_.decimalSeparator ? source_.decimalSeparator() : '.';
    return QString::fromStdString(formatGeneral(availability, separator));
}

QString TForm10::elementTip(const PictureElement& element, bool node) const
{
    QString tip = QString::fromStdString(elementText(element.label, node ? NodeKind : EdgeKind)) +
                  QStringLiteral(" — raspoloživost ") + availabilityText(element.availability);
    if (node) {
        const auto& n = static_cast<const PictureNode&>(element);
        if (n.role == NodeRole::Source)
            tip += QStringLiteral("\nizvorišni čvor");
        else if (n.role == NodeRole::Destination)
            tip += QStringLiteral("\nodredišni čvor");
    }
    if (const std::optional<double> value = valueOf(element.element))
        tip += QStringLiteral("\n") + valuesCaption_ + QStringLiteral(" : ") +
               QString::fromStdString(formatGeneral(*value, source_.decimalSeparator ? source_.decimalSeparator() : '.'));
    if (element.removed)
        tip += node ? QStringLiteral("\nuklonjen redukcijom") : QStringLiteral("\nuklonjena redukcijom");
    return tip;
}

void TForm10::draw()
{
    scene_->clear();
    legend_ = nullptr;
    nodeItems_.assign(picture_.nodes.size(), nullptr);
    edgeItems_.assign(picture_.edges.size(), nullptr);
    layout_ = {};
    if (picture_.nodes.empty() && picture_.edges.empty()) {
        status_->setText(QStringLiteral("Nema strukture za prikaz."));
        scene_->setSceneRect(QRectF(0, 0, 1, 1));
        return;
    }

    const bool withAvailability = availabilities_->isChecked();
    const QFont font = nodeFont();
    const QFont labelFont = edgeLabelFont();
    const QFontMetricsF nodeMetrics(font);
    const QFontMetricsF labelMetrics(labelFont);

    auto nodeLines = [&](const PictureNode& n) {
        QStringList lines{QString::fromStdString(elementText(n.label, NodeKind))};
        if (withAvailability)
            lines << availabilityText(n.availability);
        return lines;
    };
    auto edgeLines = [&](const PictureEdge& e) {
        QStringList lines{QString::fromStdString(elementText(e.label, EdgeKind))};
        if (withAvailability)
            lines << availabilityText(e.availability);
        return lines;
    };

    // Every node of the same size: that of the widest label.
    double diameter = kMinimumNode;
    for (const PictureNode& n : picture_.nodes) {
        const QStringList lines = nodeLines(n);
        double width = 0;
        for (const QString& line : lines)
            width = std::max(width, nodeMetrics.horizontalAdvance(line));
        const double height = nodeMetrics.height() * lines.size();
        diameter = std::max(diameter, std::hypot(width, height) + 4);
    }
    diameter = std::ceil(diameter);

    LayoutInput input;
    input.directed = picture_.directed;
    input.engine = static_cast<LayoutEngine>(std::max(0, engine_->currentIndex())); // items in LayoutEngine's order
    input.first = picture_.source;
    input.last = picture_.destination;
    input.nodes.assign(picture_.nodes.size(), LayoutNodeInput{diameter, diameter});
    // An open end of an edge is a small node of its own.
    std::vector<std::pair<int, int>> ends; // layout nodes of each picture edge
    for (const PictureEdge& e : picture_.edges) {
        auto end = [&](int node) {
            if (node >= 0)
                return node;
            input.nodes.push_back({kLooseEndSize, kLooseEndSize});
            return static_cast<int>(input.nodes.size()) - 1;
        };
        const int from = end(e.from);
        const int to = end(e.to);
        ends.emplace_back(from, to);
        const QStringList lines = edgeLines(e);
        double width = 0;
        for (const QString& line : lines)
            width = std::max(width, labelMetrics.horizontalAdvance(line));
        input.edges.push_back({from, to, width + 4, labelMetrics.height() * lines.size() + 2});
    }
    {
        // A large structure takes Graphviz a second or more.
        QApplication::setOverrideCursor(Qt::WaitCursor);
        layout_ = layOutStructure(input);
        QApplication::restoreOverrideCursor();
    }
    if (!layout_.ok) {
        status_->setText(QStringLiteral("Raspored nije uspio : ") + QString::fromStdString(layout_.message));
        scene_->setSceneRect(QRectF(0, 0, 1, 1));
        return;
    }

    const bool valued = !values_.empty();
    double lowest = 0, highest = 0;
    bool anyValue = false;
    for (double v : values_) {
        if (std::isnan(v))
            continue;
        lowest = anyValue ? std::min(lowest, v) : v;
        highest = anyValue ? std::max(highest, v) : v;
        anyValue = true;
    }
    auto scaled = [&](double v) { return highest > lowest ? (v - lowest) / (highest - lowest) : 1.0; };

    // Edges first, under the nodes; their labels above everything.
    for (std::size_t i = 0; i < picture_.edges.size(); ++i) {
        const PictureEdge& e = picture_.edges[i];
        const EdgeRoute& route = layout_.edges[i];
        QColor colour = e.removed ? kPictureRemovedLine : kPictureEdge;
        double width = 1.3;
        if (const std::optional<double> v = valueOf(e.element)) {
            colour = valueColour(scaled(*v)).darker(115);
            width = 1.5 + 3.0 * scaled(*v);
        }
        QPainterPath path(point(route.points.front()));
        for (std::size_t k = 1; k < route.points.size(); ++k)
            path.lineTo(point(route.points[k]));
        auto* item = new EdgeItem(path);
        QPen pen(colour, width);
        if (e.removed)
            pen.setStyle(Qt::DashLine);
        pen.setCapStyle(Qt::FlatCap);
        item->setPen(pen);
        item->setToolTip(elementTip(e, false));
        item->setData(kItemKind, QStringLiteral("edge"));
        item->setData(kItemElement, e.element);
        item->setZValue(0);
        scene_->addItem(item);
        edgeItems_[i] = item;
        if (route.arrow) {
            auto* head = new QGraphicsPolygonItem(arrowHead(route.points), item);
            head->setBrush(colour);
            head->setPen(QPen(colour, 0.8));
        }
        if (route.labelPlaced) {
            const QStringList lines = edgeLines(e);
            const double w = input.edges[i].labelWidth, h = input.edges[i].labelHeight;
            const QPointF c = point(route.labelCentre);
            const QRectF room(c.x() - w / 2, c.y() - h / 2, w, h);
            auto* box = new QGraphicsRectItem(room);
            // A label that its line runs through (the force layouts') interrupts
            // it; one beside it (dot's) leaves the line whole.
            const bool onLine = std::any_of(route.points.begin(), route.points.end(), [&](const LayoutPoint& p) {
                return std::abs(p.x - route.labelCentre.x) < 0.01 && std::abs(p.y - route.labelCentre.y) < 0.01;
            });
            box->setBrush(onLine ? QBrush(Qt::white) : QBrush(Qt::NoBrush));
            box->setPen(Qt::NoPen);
            box->setToolTip(item->toolTip());
            box->setZValue(2);
            box->setData(kItemKind, QStringLiteral("edge label"));
            box->setData(kItemElement, e.element);
            scene_->addItem(box);
            addCentredText(box, lines, c, labelFont, e.removed ? kPictureRemovedLine : colour.darker(110));
        }
    }

    for (std::size_t i = 0; i < picture_.nodes.size(); ++i) {
        const PictureNode& n = picture_.nodes[i];
        const NodePlacement& place = layout_.nodes[i];
        QColor fill = n.removed ? kPictureRemovedFill : kPictureNode;
        QColor outline = n.removed ? kPictureRemovedLine : QColor(Qt::black);
        double outlineWidth = 1;
        if (n.role == NodeRole::Source)
            fill = kPictureSource;
        else if (n.role == NodeRole::Destination)
            fill = kPictureDestination;
        if (const std::optional<double> v = valueOf(n.element)) {
            // The value fills the node; the pair keeps its colour in a ring.
            if (n.role != NodeRole::Plain) {
                outline = fill;
                outlineWidth = 3.5;
            }
            fill = valueColour(scaled(*v));
        }
        const QRectF rect(place.centre.x - place.width / 2, place.centre.y - place.height / 2, place.width,
                          place.height);
        auto* item = new QGraphicsEllipseItem(rect);
        item->setBrush(fill);
        item->setPen(QPen(outline, outlineWidth));
        item->setToolTip(elementTip(n, true));
        item->setData(kItemKind, QStringLiteral("node"));
        item->setData(kItemElement, n.element);
        item->setZValue(1);
        scene_->addItem(item);
        nodeItems_[i] = item;
        const bool dark = fill.lightnessF() < 0.45 && !n.removed;
        addCentredText(item, nodeLines(n), rect.center(), font,
                       n.removed ? kPictureRemovedLine : dark ? QColor(Qt::white) : QColor(Qt::black));
    }
    // The open ends of edges.
    for (std::size_t k = picture_.nodes.size(); k < layout_.nodes.size(); ++k) {
        const NodePlacement& place = layout_.nodes[k];
        auto* end = new QGraphicsEllipseItem(place.centre.x - place.width / 2, place.centre.y - place.height / 2,
                                             place.width, place.height);
        end->setBrush(Qt::white);
        end->setPen(QPen(kPictureRemovedLine, 1));
        end->setToolTip(QStringLiteral("grana bez čvora na ovom kraju"));
        end->setData(kItemKind, QStringLiteral("open end"));
        end->setZValue(1);
        scene_->addItem(end);
    }

    if (valued && anyValue)
        drawLegend(layout_.width + 2 * kMargin, 0);

    scene_->setSceneRect(scene_->itemsBoundingRect().adjusted(-kMargin, -kMargin, kMargin, kMargin));

    int removed = 0;
    for (const PictureNode& n : picture_.nodes)
        removed += n.removed;
    for (const PictureEdge& e : picture_.edges)
        removed += e.removed;
    QString status = QStringLiteral("čvorova : %1    grana : %2").arg(picture_.nodes.size()).arg(picture_.edges.size());
    if (picture_.reduced)
        status += QStringLiteral("    uklonjeno redukcijom : %1").arg(removed);
    status += QStringLiteral("    raspored : ") + QString::fromLatin1(engineName(layout_.engine));
    status_->setText(status);
}

void TForm10::drawLegend(double left, double top)
{
    double lowest = 0, highest = 0;
    bool any = false;
    for (double v : values_) {
        if (std::isnan(v))
            continue;
        lowest = any ? std::min(lowest, v) : v;
        highest = any ? std::max(highest, v) : v;
        any = true;
    }
    const QFont font = formFont(11);
    const QFontMetricsF metrics(font);
    constexpr double barWidth = 14, barHeight = 120;

    auto* group = new QGraphicsRectItem;
    group->setPen(Qt::NoPen);
    group->setData(kItemKind, QStringLiteral("legend"));
    group->setZValue(3);
    auto* caption = new QGraphicsSimpleTextItem(valuesCaption_, group);
    caption->setFont(formFont(11, true));
    caption->setPos(left, top);
    const double barTop = top + metrics.height() + 6;
    QLinearGradient gradient(0, barTop + barHeight, 0, barTop); // highest at the top
    for (double t : {0.0, 0.25, 0.5, 0.75, 1.0})
        gradient.setColorAt(t, valueColour(t));
    auto* bar = new QGraphicsRectItem(left, barTop, barWidth, barHeight, group);
    bar->setBrush(gradient);
    bar->setPen(QPen(Qt::black, 0.8));
    const char separator = source_.decimalSeparator ? source_.decimalSeparator() : '.';
    auto mark = [&](double value, double y) {
        auto* text = new QGraphicsSimpleTextItem(QString::fromStdString(formatGeneral(value, separator)), group);
        text->setFont(font);
        text->setPos(left + barWidth + 6, y - metrics.height() / 2);
    };
    mark(highest, barTop);
    if (highest > lowest)
        mark(lowest, barTop + barHeight);
    group->setRect(group->childrenBoundingRect());
    scene_->addItem(group);
    legend_ = group;
}

void TForm10::fitPicture()
{
    // The whole picture, enlarged up to one and a half times when it is small.
    const QRectF rect = scene_->sceneRect();
    const QSize room = view_->viewport()->size();
    view_->resetTransform();
    const double scale = std::min({1.5, room.width() / std::max(rect.width(), 1.0),
                                   room.height() / std::max(rect.height(), 1.0)});
    view_->scale(scale, scale);
    view_->centerOn(rect.center());
}

bool TForm10::exportPicture(const QString& path)
{
    const QRectF rect = scene_->sceneRect();
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    bool written = false;
    if (path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) {
        QSvgGenerator svg;
        svg.setOutputDevice(&file);
        svg.setSize(rect.size().toSize());
        svg.setViewBox(QRectF(QPointF(0, 0), rect.size()));
        svg.setTitle(QStringLiteral("Slika strukture"));
        QPainter painter;
        if (painter.begin(&svg)) {
            painter.fillRect(QRectF(QPointF(0, 0), rect.size()), Qt::white);
            scene_->render(&painter, QRectF(QPointF(0, 0), rect.size()), rect);
            written = painter.end();
        }
    } else {
        // Twice the scene's size for a sharp picture, within what an image
        // of reasonable memory holds.
        const double scale = std::min(2.0, 8000.0 / std::max({rect.width(), rect.height(), 1.0}));
        QImage image((rect.size() * scale).toSize().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        scene_->render(&painter, QRectF(QPointF(0, 0), image.size()), rect);
        painter.end();
        written = image.save(&file, "PNG");
    }
    file.close();
    if (!written || file.error() != QFileDevice::NoError) {
        file.remove();
        return false;
    }
    return true;
}

void TForm10::saveClick()
{
    guarded([this] {
        std::optional<QString> path;
        if (savePrompt_) {
            path = savePrompt_();
        } else {
            QString chosen;
            const QString png = QStringLiteral("PNG slika ( *.png ) (*.png)");
            const QString svg = QStringLiteral("SVG crtež ( *.svg ) (*.svg)");
            QString name = QFileDialog::getSaveFileName(this, QStringLiteral("Spremi sliku strukture"), QString(),
                                                        png + QStringLiteral(";;") + svg, &chosen);
            if (!name.isEmpty()) {
                if (QFileInfo(name).suffix().isEmpty())
                    name += chosen == svg ? QStringLiteral(".svg") : QStringLiteral(".png");
                path = name;
            }
        }
        if (!path)
            return;
        if (exportPicture(*path))
            status_->setText(QStringLiteral("Slika je spremljena u ") + *path);
        else
            status_->setText(QStringLiteral("Slika nije spremljena u ") + *path);
    });
}

// --- For the tests ----------------------------------------------------------------------

QGraphicsItem* TForm10::nodeItem(int element) const
{
    const int at = picture_.nodeOf(element);
    return at >= 0 && static_cast<std::size_t>(at) < nodeItems_.size() ? nodeItems_[static_cast<std::size_t>(at)] : nullptr;
}

QGraphicsItem* TForm10::edgeItem(int element) const
{
    const int at = picture_.edgeOf(element);
    return at >= 0 && static_cast<std::size_t>(at) < edgeItems_.size() ? edgeItems_[static_cast<std::size_t>(at)] : nullptr;
}

int TForm10::nodeItemCount() const
{
    int count = 0;
    for (const QGraphicsItem* item : scene_->items())
        count += item->data(kItemKind).toString() == QStringLiteral("node");
    return count;
}

int TForm10::edgeItemCount() const
{
    int count = 0;
    for (const QGraphicsItem* item : scene_->items())
        count += item->data(kItemKind).toString() == QStringLiteral("edge");
    return count;
}

QColor TForm10::nodeFill(int element) const
{
    const auto* item = qgraphicsitem_cast<QGraphicsEllipseItem*>(nodeItem(element));
    return item ? item->brush().color() : QColor();
}

QColor TForm10::nodeOutline(int element) const
{
    const auto* item = qgraphicsitem_cast<QGraphicsEllipseItem*>(nodeItem(element));
    return item ? item->pen().color() : QColor();
}

QColor TForm10::edgeColour(int element) const
{
    const auto* item = static_cast<QGraphicsPathItem*>(edgeItem(element));
    return item ? item->pen().color() : QColor();
}

QString TForm10::statusText() const
{
    return status_->text();
}

QStringList TForm10::labelTexts() const
{
    QStringList texts;
    for (const QGraphicsItem* item : scene_->items())
        if (const auto* text = qgraphicsitem_cast<const QGraphicsSimpleTextItem*>(item))
            texts << text->text();
    return texts;
}

} // namespace velmor
