#include "view/Cursors.h"

#include <QCoreApplication>
#include <QLineF>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QPixmap>
#include <QPolygonF>

#include <initializer_list>
#include <map>
#include <optional>

namespace vq {

namespace {
constexpr int kSize = 32;
constexpr QPointF kCentre{kSize / 2.0, kSize / 2.0};
constexpr QPoint kHotSpotCentre{kSize / 2, kSize / 2};

// Overlapping parts of a shape add up instead of cancelling out.
QPainterPath newShape()
{
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    return path;
}

// A filled black shape with a white rim, readable on any picture.
QPixmap drawCursor(const QPainterPath& shape)
{
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QPainterPath outline = shape.simplified();
    p.strokePath(outline, QPen(Qt::white, 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.fillPath(outline, Qt::black);
    return pixmap;
}

void addPolygon(QPainterPath& path, std::initializer_list<QPointF> points)
{
    path.addPolygon(QPolygonF(points));
    path.closeSubpath();
}

// A horizontal double arrow through the centre, tip to tip `length` pixels.
void addDoubleArrow(QPainterPath& path, double length, double headWidth)
{
    const double l = kCentre.x() - length / 2.0;
    const double r = kCentre.x() + length / 2.0;
    const double y = kCentre.y();
    const double head = headWidth;
    const double shaft = 1.5;
    addPolygon(path, {{l, y}, {l + head, y - head}, {l + head, y - shaft}, {r - head, y - shaft}, {r - head, y - head},
                      {r, y}, {r - head, y + head}, {r - head, y + shaft}, {l + head, y + shaft}, {l + head, y + head}});
}

QPainterPath turnedQuarter(const QPainterPath& path)
{
    QTransform t;
    t.translate(kCentre.x(), kCentre.y());
    t.rotate(90);
    t.translate(-kCentre.x(), -kCentre.y());
    QPainterPath turned = t.map(path);
    turned.setFillRule(Qt::WindingFill);
    return turned;
}

QPainterPath zoomPointer(bool plus)
{
    QPainterPath path = newShape();
    addPolygon(path, {{1, 1}, {1, 21}, {6, 16}, {10, 25}, {13, 24}, {9, 15}, {16, 15}});
    path.addRect(19, 23, 11, 3);
    if (plus)
        path.addRect(23, 19, 3, 11);
    return path;
}

QPainterPath edgeSizer()
{
    QPainterPath path = newShape();
    addDoubleArrow(path, 26, 5);
    path.addRect(QRectF(kCentre.x() - 1.5, kCentre.y() - 10, 3, 20));
    return path;
}

QPainterPath moveArrows(double length, double headWidth)
{
    QPainterPath path = newShape();
    addDoubleArrow(path, length, headWidth);
    path.addPath(turnedQuarter(path));
    return path;
}

// The move arrows held in a ring: the drag goes on, but the pointer is past
// where it can follow.
QPainterPath holdOutside()
{
    QPainterPath ring;
    ring.addEllipse(kCentre, 12.5, 12.5);
    QPainterPathStroker stroker;
    stroker.setWidth(2.5);
    QPainterPath path = moveArrows(19, 3.5);
    path.addPath(stroker.createStroke(ring));
    return path;
}

QPainterPath rotateArrow()
{
    QPainterPath arc;
    const QRectF box(kCentre.x() - 10, kCentre.y() - 10, 20, 20);
    arc.arcMoveTo(box, 120);
    arc.arcTo(box, 120, 270);
    QPainterPathStroker stroker;
    stroker.setWidth(3.5);
    stroker.setCapStyle(Qt::FlatCap);
    QPainterPath path = newShape();
    path.addPath(stroker.createStroke(arc));
    // The head continues the arc anticlockwise from its open end.
    const QPointF end = arc.currentPosition();
    const QPointF dir = QLineF::fromPolar(1.0, arc.angleAtPercent(1.0)).p2();
    const QPointF normal(-dir.y(), dir.x());
    addPolygon(path, {end + dir * 6.0, end + normal * 6.0, end - normal * 6.0});
    return path;
}

struct Artwork {
    QPainterPath shape;
    QPoint hotSpot;
};

std::optional<Artwork> artworkFor(CursorShape shape)
{
    switch (shape) {
    case CursorShape::ZoomIn:
        return Artwork{zoomPointer(true), {1, 1}};
    case CursorShape::ZoomOut:
        return Artwork{zoomPointer(false), {1, 1}};
    case CursorShape::HoldOutside:
        return Artwork{holdOutside(), kHotSpotCentre};
    case CursorShape::Hold:
        return Artwork{moveArrows(28, 4.5), kHotSpotCentre};
    case CursorShape::DialRing:
        return Artwork{rotateArrow(), kHotSpotCentre};
    case CursorShape::SizeWidth:
        return Artwork{edgeSizer(), kHotSpotCentre};
    case CursorShape::SizeHeight:
        return Artwork{turnedQuarter(edgeSizer()), kHotSpotCentre};
    default:
        return std::nullopt;
    }
}

std::optional<Qt::CursorShape> systemShape(CursorShape shape)
{
    switch (shape) {
    case CursorShape::Arrow: return Qt::ArrowCursor;
    case CursorShape::PointingHand: return Qt::PointingHandCursor;
    case CursorShape::SizeFDiag: return Qt::SizeFDiagCursor;
    case CursorShape::SizeBDiag: return Qt::SizeBDiagCursor;
    case CursorShape::SizeVer: return Qt::SizeVerCursor;
    case CursorShape::SizeHor: return Qt::SizeHorCursor;
    default: return std::nullopt;
    }
}

std::map<CursorShape, QCursor>& cursorCache()
{
    static std::map<CursorShape, QCursor> cache;
    return cache;
}
} // namespace

QCursor CursorFor(CursorShape shape)
{
    if (const std::optional<Qt::CursorShape> system = systemShape(shape))
        return QCursor(*system);
    auto& cache = cursorCache();
    if (const auto it = cache.find(shape); it != cache.end())
        return it->second;
    const std::optional<Artwork> art = artworkFor(shape);
    if (!art)
        return QCursor(Qt::ArrowCursor);
    if (cache.empty()) {
        // Pixmaps must go while the GUI application still exists, not among
        // the static destructors after it.
        qAddPostRoutine([] { cursorCache().clear(); });
    }
    return cache.emplace(shape, QCursor(drawCursor(art->shape), art->hotSpot.x(), art->hotSpot.y())).first->second;
}

} // namespace vq
