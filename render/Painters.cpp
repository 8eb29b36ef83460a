#include "render/Painters.h"

#include "imaging/Picture.h"
#include "imaging/PictureCache.h"
#include "model/Document.h"
#include "base/Settings.h"
#include "model/RangeModeState.h"
#include "render/PictureSupply.h"
#include "render/ScreenGeometry.h"
#include "render/ViewGeometry.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPen>
#include <QRegion>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace vq {

namespace {

// Styles and widths are stored as 32-bit fields but have always been taken as
// 16-bit values when drawing.
int asShort(int value)
{
    return static_cast<std::int16_t>(value);
}

// The part of the painter's logical plane that can reach the device.
QRect visibleRect(const QPainter& painter)
{
    if (painter.hasClipping())
        return painter.clipBoundingRect().toAlignedRect();
    const QPaintDevice* device = painter.device();
    const QRect deviceRect(0, 0, device->width(), device->height());
    bool invertible = false;
    const QTransform toLogical = painter.deviceTransform().inverted(&invertible);
    return invertible ? toLogical.mapRect(deviceRect) : deviceRect;
}

// Below three pixels a round end is indistinguishable from a square one in
// aliased drawing, and flattening the curves of thousands of tiny caps is
// most of the cost of painting many framed nodes.
constexpr int kRoundFrom = 3;

// Round and square caps lengthen every dash by one pen width, so capped pens
// get patterns shortened by that much to keep the rhythm of the plain dash styles.
void applyLineStyle(QPen& pen, FrameStyle style)
{
    constexpr qreal kDot = 0.01;
    const bool capped = pen.capStyle() != Qt::FlatCap;
    switch (style) {
    case FrameStyle::Dash:
        pen.setDashPattern(capped ? QList<qreal>{3, 3} : QList<qreal>{4, 2});
        break;
    case FrameStyle::Dot:
        pen.setDashPattern(capped ? QList<qreal>{kDot, 3} : QList<qreal>{1, 2});
        break;
    case FrameStyle::DashDot:
        pen.setDashPattern(capped ? QList<qreal>{3, 3, kDot, 3} : QList<qreal>{4, 2, 1, 2});
        break;
    case FrameStyle::DashDotDot:
        pen.setDashPattern(capped ? QList<qreal>{3, 3, kDot, 3, kDot, 3} : QList<qreal>{4, 2, 1, 2, 1, 2});
        break;
    default:
        pen.setStyle(Qt::SolidLine);
        break;
    }
}

// The widest pen a frame of this width and style takes at `zoom`.
int framePenWidth(FrameStyle style, int width, float zoom)
{
    if (style == FrameStyle::Double) {
        const int inner = std::max(1, width / 4);
        const int side = std::max(1, width / 2);
        return std::max(1, scaleTrunc(inner + 2 * side, zoom));
    }
    return std::max(1, scaleTrunc(width, zoom));
}

// Thin dashes along a horizontal or vertical side, pixel by pixel from its
// first pixel in whichever direction it runs, the last pixel left to the next
// side as thin lines always have. Qt's own stroker starts leftward and
// upward dashes a pixel late, which opens the corners. False for slanted
// lines, which the stroker draws.
bool drawThinDashes(QPainter& painter, QPoint from, QPoint to, FrameStyle style, int width, const QColor& colour)
{
    if (from.x() != to.x() && from.y() != to.y())
        return false;
    static constexpr int kDash[] = {4, 2};
    static constexpr int kDot[] = {1, 2};
    static constexpr int kDashDot[] = {4, 2, 1, 2};
    static constexpr int kDashDotDot[] = {4, 2, 1, 2, 1, 2};
    std::span<const int> pattern;
    switch (style) {
    case FrameStyle::Dash: pattern = kDash; break;
    case FrameStyle::Dot: pattern = kDot; break;
    case FrameStyle::DashDot: pattern = kDashDot; break;
    case FrameStyle::DashDotDot: pattern = kDashDotDot; break;
    default: return false;
    }
    const QPoint step(to.x() > from.x() ? 1 : (to.x() < from.x() ? -1 : 0),
                      to.y() > from.y() ? 1 : (to.y() < from.y() ? -1 : 0));
    const int length = std::max(std::abs(to.x() - from.x()), std::abs(to.y() - from.y()));
    // Even widths lie up and left of the line, as the stroker puts them.
    const int before = width / 2;
    std::size_t part = 0;
    int t = 0;
    while (t < length) {
        const int run = std::min(pattern[part] * width, length - t);
        if (part % 2 == 0) {
            const QPoint a = from + step * t;
            const QPoint b = from + step * (t + run - 1);
            const QRect r(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                          QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
            painter.fillRect(r.adjusted(-before, -before, width - 1 - before, width - 1 - before), colour);
        }
        t += run;
        part = (part + 1) % pattern.size();
    }
    return true;
}

std::array<QPoint, 5> closedOutline(const std::array<QPoint, 4>& c)
{
    return {c[0], c[1], c[2], c[3], c[0]};
}

bool pixelAligned(const QPainter& painter)
{
    return painter.deviceTransform().type() <= QTransform::TxTranslate;
}

// The quiet fill of a picture whose decode has not arrived yet: it tells the
// node is there without drawing attention, on light and dark canvases alike.
const QColor kPlaceholderFill(0xE6, 0xE6, 0xE6);

// Stretches a stand-in (or a decode for a scaled device) over `target`,
// within `clip` when given.
void drawStretched(QPainter& painter, const QImage& image, const QRect& target, const QRegion* clip)
{
    painter.save();
    if (clip)
        painter.setClipRegion(*clip, Qt::IntersectClip);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(QRectF(target), image);
    painter.restore();
}

void drawPlaceholder(QPainter& painter, const QRect& target, const QRegion* clip)
{
    if (!clip) {
        painter.fillRect(target, kPlaceholderFill);
        return;
    }
    for (const QRect& part : *clip)
        painter.fillRect(part, kPlaceholderFill);
}

// Draws from the decode that covers the device size, scaled by Qt within the
// painter's clip: for printers and other scaled devices, and for targets too
// large to keep a scaled copy of.
bool drawPictureScaledByQt(QPainter& painter, const Picture& picture, const QRect& target, const QRegion* clip)
{
    const QSize deviceSize = painter.deviceTransform().mapRect(QRectF(target)).size().toSize();
    const PictureSupply::Supplied source = CurrentPictureSupply().covering(picture, deviceSize);
    if (!source.image.isNull())
        drawStretched(painter, source.image, target, clip);
    else if (source.pending)
        drawPlaceholder(painter, target, clip);
    else
        return false;
    return true;
}

// Copies the parts `shown` of the picture scaled to `target`.
bool drawPictureRegion(QPainter& painter, const Picture& picture, const QRect& target, const QRegion& shown)
{
    if (shown.isEmpty())
        return true;
    if (qint64(target.width()) * target.height() > PictureCache::kMaxScaledPixels)
        return drawPictureScaledByQt(painter, picture, target, &shown);
    const PictureSupply::Supplied scaled = CurrentPictureSupply().scaled(picture, target.size());
    if (scaled.image.size() == target.size()) {
        for (const QRect& part : shown)
            painter.drawImage(part.topLeft(), scaled.image, part.translated(-target.topLeft()));
    } else if (!scaled.image.isNull()) {
        drawStretched(painter, scaled.image, target, &shown);
    } else if (scaled.pending) {
        drawPlaceholder(painter, target, &shown);
    } else {
        return false;
    }
    return true;
}

bool drawPictureClipped(QPainter& painter, const Picture& picture, const QRect& target, const QRect& visible)
{
    if (target.isEmpty())
        return true;
    if (pixelAligned(painter))
        return drawPictureRegion(painter, picture, target, QRegion(target.intersected(visible)));
    return drawPictureScaledByQt(painter, picture, target, nullptr);
}

// How far a node's outline reaches beyond its rectangle.
int outlineReach(const NodeRecord& node, float zoom)
{
    const FrameStyle style = FrameStyleFromStored(asShort(node.frameStyle));
    const int pen = node.frameColor != kNoColor ? framePenWidth(style, asShort(node.frameWidth), zoom)
                                                : std::max(1, static_cast<int>(zoom));
    return pen / 2 + 2;
}

// What of a node can reach the device, worked out before drawing: pictures
// are opaque and fill their rectangles, so the parts of a node's picture under
// higher pictures, and outlines wholly under them, need not be drawn. The
// result is the same as drawing everything in stacking order.
struct NodeVisibility {
    QRegion picture;
    bool outline = false;
};

std::vector<NodeVisibility> workOutVisibility(const Document& doc, int count, float zoom, const QRect& visible)
{
    std::vector<NodeVisibility> result(static_cast<std::size_t>(count));
    QRegion covered;
    for (int i = count - 1; i >= 0; --i) {
        const NodeRecord& node = doc.nodes[i];
        // A picture that cannot be decoded draws nothing and hides nothing.
        if (!node.picture || node.picture->undecodable())
            continue;
        const QRect target = doc.NodeRect(i).scaled(zoom).toQRect();
        const int reach = outlineReach(node, zoom);
        const QRect outlineBox = target.adjusted(-reach, -reach, reach, reach).intersected(visible);
        if (outlineBox.isEmpty())
            continue;
        NodeVisibility& v = result[static_cast<std::size_t>(i)];
        v.outline = !QRegion(outlineBox).subtracted(covered).isEmpty();
        if (!v.outline)
            continue;
        const QRect shown = target.intersected(visible);
        if (shown.isEmpty())
            continue;
        v.picture = QRegion(shown).subtracted(covered);
        if (!v.picture.isEmpty())
            covered += shown;
    }
    return result;
}

// `visibility` null: draw the whole node within `visible`.
bool paintNodeClipped(QPainter& painter, const Document& doc, const RangeMode& mode, int index, float zoom,
                      const QRect& visible, const NodeVisibility* visibility)
{
    const NodeRecord& node = doc.nodes[index];
    if (!node.picture)
        return false;
    const IntRect r = doc.NodeRect(index).scaled(zoom);
    const QRect target = r.toQRect();
    bool outlineShows = false;
    if (visibility) {
        if (!target.isEmpty() && !drawPictureRegion(painter, *node.picture, target, visibility->picture))
            return false;
        outlineShows = visibility->outline;
    } else {
        const int reach = outlineReach(node, zoom);
        outlineShows = target.adjusted(-reach, -reach, reach, reach).intersects(visible);
        if (outlineShows && !drawPictureClipped(painter, *node.picture, target, visible))
            return false;
    }
    if (!outlineShows)
        return true;

    const std::array<QPoint, 5> outline{QPoint(r.left, r.top), QPoint(r.right, r.top), QPoint(r.right, r.bottom),
                                        QPoint(r.left, r.bottom), QPoint(r.left, r.top)};
    if (node.frameColor != kNoColor)
        DrawStyledOutline(painter, outline, node.frameColor, FrameStyleFromStored(asShort(node.frameStyle)),
                          asShort(node.frameWidth), zoom);
    else if (mode.active())
        DrawPenShape(painter, outline, kFramelessOutline, FrameStyle::Solid, std::max(1, static_cast<int>(zoom)));
    return true;
}

// Inverting a pixel twice restores it, so only the parity of the number of
// rectangles over each pixel matters. Working that out once and inverting each
// pixel at most once keeps the cost at one pass over the area, however many
// rectangles pile up. Only for a raster image painted pixel for pixel;
// false (nothing done) elsewhere.
bool invertByParity(QPainter& painter, const std::vector<QRect>& rects)
{
    QPaintDevice* device = painter.device();
    if (!device || device->devType() != QInternal::Image || !pixelAligned(painter))
        return false;
    auto* image = static_cast<QImage*>(device);
    if ((image->format() != QImage::Format_RGB32 && image->format() != QImage::Format_ARGB32_Premultiplied)
        || !image->isDetached())
        return false;
    QRect area(0, 0, image->width(), image->height());
    if (painter.hasClipping()) {
        const QRegion clip = painter.clipRegion();
        if (clip.rectCount() > 1)
            return false;
        area &= painter.deviceTransform().mapRect(clip.boundingRect());
    }
    const QPoint offset(static_cast<int>(painter.deviceTransform().dx()),
                        static_cast<int>(painter.deviceTransform().dy()));
    std::vector<QRect> onDevice;
    QRect bounds;
    for (const QRect& r : rects) {
        const QRect d = r.translated(offset).intersected(area);
        if (d.isEmpty())
            continue;
        onDevice.push_back(d);
        bounds |= d;
    }
    if (onDevice.empty())
        return true;
    constexpr QRgb kInvert = 0x00FFFFFF;
    qint64 totalArea = 0;
    for (const QRect& d : onDevice)
        totalArea += qint64(d.width()) * d.height();
    if (totalArea <= qint64(bounds.width()) * bounds.height()) {
        // Few pixels under rectangles: invert them one rectangle at a time.
        for (const QRect& d : onDevice) {
            for (int y = d.top(); y <= d.bottom(); ++y) {
                auto* line = reinterpret_cast<QRgb*>(image->scanLine(y));
                for (int x = d.left(); x <= d.right(); ++x)
                    line[x] ^= kInvert;
            }
        }
        return true;
    }
    // Piled-up rectangles: each one toggles the parity of the columns it
    // spans, from its top row to its bottom row; along a row the parity is the
    // running XOR of the column toggles. One pass over the rows that any
    // rectangle reaches inverts each pixel at most once.
    struct Event {
        int y;
        int x0;
        int x1;
        int opens; // +1 at the top row, -1 below the bottom row
    };
    std::vector<Event> events;
    events.reserve(onDevice.size() * 2);
    for (const QRect& d : onDevice) {
        const int x0 = d.left() - bounds.left();
        const int x1 = x0 + d.width();
        events.push_back({d.top() - bounds.top(), x0, x1, 1});
        events.push_back({d.top() - bounds.top() + d.height(), x0, x1, -1});
    }
    std::sort(events.begin(), events.end(), [](const Event& a, const Event& b) { return a.y < b.y; });
    std::vector<QRgb> columns(static_cast<std::size_t>(bounds.width() + 1), 0);
    std::size_t next = 0;
    int open = 0;
    for (int y = 0; y < bounds.height(); ++y) {
        for (; next < events.size() && events[next].y == y; ++next) {
            const Event& e = events[next];
            columns[static_cast<std::size_t>(e.x0)] ^= kInvert;
            columns[static_cast<std::size_t>(e.x1)] ^= kInvert;
            open += e.opens;
        }
        if (open == 0)
            continue;
        auto* line = reinterpret_cast<QRgb*>(image->scanLine(bounds.top() + y)) + bounds.left();
        QRgb run = 0;
        for (int x = 0; x < bounds.width(); ++x) {
            run ^= columns[static_cast<std::size_t>(x)];
            line[x] ^= run;
        }
    }
    return true;
}

void fillSquare(QPainter& painter, QPoint centre, int half, ColorRef pen, ColorRef fill)
{
    const QRect outer(centre.x() - half, centre.y() - half, 2 * half, 2 * half);
    painter.fillRect(outer, ColorFromRef(pen));
    painter.fillRect(outer.adjusted(1, 1, -1, -1), ColorFromRef(fill));
}

} // namespace

QStringList FrameStyleNames()
{
    return {QStringLiteral("実線"), QStringLiteral("破線"), QStringLiteral("点線"),
            QStringLiteral("1点破線"), QStringLiteral("2点破線"), QStringLiteral("2重線")};
}

QColor ColorFromRef(ColorRef colour)
{
    if (colour == kNoColor)
        return {};
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

ColorRef RefFromColor(const QColor& colour)
{
    if (!colour.isValid())
        return kNoColor;
    return colour.red() | (colour.green() << 8) | (colour.blue() << 16);
}

ColorRef DarkenColour(ColorRef colour, int amount)
{
    if (colour == kNoColor || colour == 0)
        return 0x808080;
    const auto channel = [&](int shift) { return std::max(0, ((colour >> shift) & 0xFF) - amount) << shift; };
    return channel(0) | channel(8) | channel(16);
}

void DrawPenShape(QPainter& painter, std::span<const QPoint> points, ColorRef colour, FrameStyle penStyle, int widthPixels)
{
    if (colour == kNoColor || points.size() < 2)
        return;
    const int width = std::max(1, widthPixels);
    // A round end on a pen this thin covers exactly the square a square cap
    // covers, and the square is far cheaper: thousands of framed nodes are
    // painted with such pens. Thin dashes keep flat ends, as their pattern
    // is counted in whole pixels.
    const bool round = width >= kRoundFrom;
    const bool solid = penStyle == FrameStyle::Solid || penStyle == FrameStyle::Double;
    QPen pen(ColorFromRef(colour), width, Qt::SolidLine,
             round ? Qt::RoundCap : (solid ? Qt::SquareCap : Qt::FlatCap), round ? Qt::RoundJoin : Qt::MiterJoin);
    applyLineStyle(pen, penStyle);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    // Separate segments, so every side starts its dash pattern afresh at the
    // corner instead of running on round it.
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
        if (pen.capStyle() == Qt::FlatCap && drawThinDashes(painter, points[i], points[i + 1], penStyle, width,
                                                            ColorFromRef(colour)))
            continue;
        painter.drawLine(points[i], points[i + 1]);
    }
    painter.restore();
}

void DrawStyledOutline(QPainter& painter, std::span<const QPoint> points, ColorRef colour, FrameStyle style, int width,
                       float zoom)
{
    if (style != FrameStyle::Double || colour == kNoColor) {
        DrawPenShape(painter, points, colour, style, std::max(1, scaleTrunc(width, zoom)));
        return;
    }
    const int inner = std::max(1, width / 4);
    const int side = std::max(1, width / 2);
    DrawPenShape(painter, points, colour, FrameStyle::Solid, std::max(1, scaleTrunc(inner + 2 * side, zoom)));
    const int middle = scaleTrunc(inner, zoom);
    if (middle > 0)
        DrawPenShape(painter, points, 0xFFFFFF, FrameStyle::Solid, middle);
}

void InvertRect(QPainter& painter, const QRect& rect)
{
    if (rect.isEmpty())
        return;
    painter.save();
    const QPaintDevice* device = painter.device();
    const bool opaqueRaster = painter.paintEngine() && painter.paintEngine()->type() == QPaintEngine::Raster
                              && device->devType() == QInternal::Image
                              && (static_cast<const QImage*>(device)->format() == QImage::Format_RGB32
                                  || static_cast<const QImage*>(device)->format()
                                         == QImage::Format_ARGB32_Premultiplied);
    // XOR is exact and its own inverse; elsewhere difference with white gives
    // the same colours on opaque pixels.
    painter.setCompositionMode(opaqueRaster ? QPainter::RasterOp_SourceXorDestination
                                            : QPainter::CompositionMode_Difference);
    painter.fillRect(rect, Qt::white);
    painter.restore();
}

bool DrawPicture(QPainter& painter, const Picture& picture, const QRect& target)
{
    return drawPictureClipped(painter, picture, target, visibleRect(painter));
}

bool PaintCanvasBackground(QPainter& painter, const Document& doc, float zoom)
{
    const DocState& s = doc.state;
    const QSize size = ZoomedCanvasSize(s.canvasWidth, s.canvasHeight, zoom);
    const QRect canvas(QPoint(0, 0), size);
    if (s.backPicture) {
        if (!DrawPicture(painter, *s.backPicture, canvas))
            return false;
    } else {
        painter.fillRect(canvas, s.backColor == kNoColor ? QColor(Qt::white) : ColorFromRef(s.backColor));
    }
    if (s.canvasFrameColor != kNoColor) {
        const int r = size.width() - 1;
        const int b = size.height() - 1;
        const std::array<QPoint, 5> outline{QPoint(0, 0), QPoint(r, 0), QPoint(r, b), QPoint(0, b), QPoint(0, 0)};
        DrawStyledOutline(painter, outline, s.canvasFrameColor, FrameStyleFromStored(asShort(s.canvasFrameStyle)),
                          asShort(s.canvasFrameWidth), zoom);
    }
    return true;
}

void PaintGrid(QPainter& painter, const Document& doc, float zoom)
{
    const DocState& s = doc.state;
    const int type = s.gridMode;
    if (type < 1)
        return;
    const QSize canvas = ZoomedCanvasSize(s.canvasWidth, s.canvasHeight, zoom);
    const int w = canvas.width();
    const int h = canvas.height();
    const QRect visible = visibleRect(painter);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    const auto pen = [](ColorRef colour, Qt::PenStyle style) {
        QPen p(ColorFromRef(colour), 1, style, Qt::FlatCap, Qt::MiterJoin);
        return p;
    };
    const QPen dotted = pen(DarkenColour(s.backColor, 64), Qt::DotLine);
    if (type >= 5) {
        painter.setPen(dotted);
        painter.drawLine(w / 2, 0, w / 2, h);
        painter.drawLine(0, h / 2, w, h / 2);
        painter.restore();
        return;
    }
    const QPen dashed = pen(DarkenColour(s.backColor, 128), Qt::DashLine);
    const QPen solid = pen(DarkenColour(s.backColor, 128), Qt::SolidLine);
    const auto penFor = [&](int k) -> const QPen& {
        if (k % 10 == 0)
            return solid;
        return k % 5 == 0 ? dashed : dotted;
    };
    // Only the visible stretch of each line is drawn; it starts on a whole
    // period of both patterns (dot 3, dash 6) so scrolling keeps the rhythm.
    constexpr int kPeriod = 6;
    const auto span = [&](int from, int to, int length) {
        const int a = std::clamp((from - kPeriod) / kPeriod * kPeriod, 0, length);
        const int b = std::clamp(to + kPeriod, 0, length);
        return std::pair{a, b};
    };
    const int spacing = 30 * type - 20;
    const auto [y0, y1] = span(visible.top(), visible.bottom(), h);
    for (int k = std::max(1, visible.left() / spacing); k * spacing <= w && k * spacing <= visible.right() + 1; ++k) {
        painter.setPen(penFor(k));
        painter.drawLine(k * spacing, y0, k * spacing, y1);
    }
    const auto [x0, x1] = span(visible.left(), visible.right(), w);
    for (int k = std::max(1, visible.top() / spacing); k * spacing <= h && k * spacing <= visible.bottom() + 1; ++k) {
        painter.setPen(penFor(k));
        painter.drawLine(x0, k * spacing, x1, k * spacing);
    }
    painter.restore();
}

bool PaintNode(QPainter& painter, const Document& doc, const RangeMode& mode, int index, float zoom)
{
    return paintNodeClipped(painter, doc, mode, index, zoom, visibleRect(painter), nullptr);
}

void PaintModeFrame(QPainter& painter, const DocState& state, const RangeMode& mode, float zoom)
{
    const std::array<QPoint, 4> c = ModeFrameCorners(mode.modeRect, zoom);
    InvertRect(painter, QRect(c[0], c[2]).adjusted(0, 0, -1, -1));
    const ColorRef f = state.modeFrameColor;
    const ColorRef fd = DarkenColour(f, 64);
    const int wpx = std::max(1, scaleTrunc(state.modeFrameWidth, zoom));
    const auto outline = closedOutline(c);
    if (mode.modePart == ModePart::Inside) {
        DrawPenShape(painter, outline, fd, FrameStyle::Solid, wpx);
    } else {
        DrawPenShape(painter, outline, f, FrameStyle::Dot, wpx);
        enum Edge { Left, Top, Right, Bottom };
        const std::array<std::array<QPoint, 2>, 4> edges{{{c[0], c[3]}, {c[0], c[1]}, {c[1], c[2]}, {c[2], c[3]}}};
        const auto edge = [&](Edge e) { DrawPenShape(painter, edges[e], fd, FrameStyle::Solid, wpx); };
        switch (mode.modePart) {
        case ModePart::Left: edge(Left); break;
        case ModePart::Top: edge(Top); break;
        case ModePart::Right: edge(Right); break;
        case ModePart::Bottom: edge(Bottom); break;
        case ModePart::TopLeft: edge(Top); edge(Left); break;
        case ModePart::TopRight: edge(Top); edge(Right); break;
        case ModePart::BottomRight: edge(Right); edge(Bottom); break;
        case ModePart::BottomLeft: edge(Bottom); edge(Left); break;
        case ModePart::Inside: break;
        }
    }
    if (f != kNoColor) {
        for (const QPoint& p : c)
            painter.fillRect(QRect(p.x() - 2, p.y() - 2, 4, 4), ColorFromRef(f));
    }
}

void PaintMultiCutCells(QPainter& painter, const DocState& state, const SysSettings& sys, const RangeMode& mode,
                        float zoom)
{
    if (sys.multiCntX == 1 && sys.multiCntY == 1)
        return;
    const IntRect r = mode.modeRect.scaled(zoom);
    const int w = r.width();
    const int h = r.height();
    const int gx = scaleTrunc(MarginToThousandths(sys.multiMarginX), zoom);
    const int gy = scaleTrunc(MarginToThousandths(sys.multiMarginY), zoom);
    const int wpx = std::max(1, scaleTrunc(state.modeFrameWidth, zoom));
    for (int row = 0; row < sys.multiCntY; ++row) {
        for (int col = 0; col < sys.multiCntX; ++col) {
            if (row == 0 && col == 0)
                continue;
            const QPoint shift(col * w + col * gx / 1000, row * h + row * gy / 1000);
            const std::array<QPoint, 5> cell{QPoint(r.left, r.top) + shift, QPoint(r.right, r.top) + shift,
                                             QPoint(r.right, r.bottom) + shift, QPoint(r.left, r.bottom) + shift,
                                             QPoint(r.left, r.top) + shift};
            DrawPenShape(painter, cell, state.modeFrameColor, FrameStyle::Solid, wpx);
        }
    }
}

void PaintHandles(QPainter& painter, const NodeGeometry& geometry, bool mainSelection)
{
    const ColorRef pen = mainSelection ? kMainHandlePen : kOtherHandlePen;
    const ColorRef fill = mainSelection ? kMainHandleFill : kOtherHandleFill;
    for (const QPoint& p : geometry.corners)
        fillSquare(painter, p, 4, pen, fill);
    for (const QPoint& p : geometry.edgeMids)
        fillSquare(painter, p, 3, pen, fill);
}

void PaintNodes(QPainter& painter, const Document& doc, const SysSettings& sys, const RangeMode& mode, float zoom,
                bool withHandles)
{
    PaintNodes(painter, doc, ComputeScreenGeometry(doc, zoom), sys, mode, zoom, withHandles);
}

void PaintNodes(QPainter& painter, const Document& doc, const ScreenGeometry& geometry, const SysSettings& sys,
                const RangeMode& mode, float zoom, bool withHandles)
{
    const int count = std::clamp(doc.state.nodeCount, 0, std::min(static_cast<int>(doc.nodes.size()), geometry.count()));
    const QRect visible = visibleRect(painter);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);

    std::vector<NodeVisibility> visibility;
    if (pixelAligned(painter)) {
        visibility = workOutVisibility(doc, count, zoom, visible);
        std::vector<PictureCache::ScaledRequest> wanted;
        for (int i = 0; i < count; ++i) {
            const QRect target = doc.NodeRect(i).scaled(zoom).toQRect();
            if (!visibility[static_cast<std::size_t>(i)].picture.isEmpty() && !target.isEmpty()
                && qint64(target.width()) * target.height() <= PictureCache::kMaxScaledPixels)
                wanted.push_back({doc.nodes[i].picture.get(), target.size()});
        }
        CurrentPictureSupply().expect(wanted);
        // A picture found undecodable just now uncovers what lies beneath it.
        if (std::any_of(wanted.begin(), wanted.end(), [](const auto& w) { return w.picture->undecodable(); }))
            visibility = workOutVisibility(doc, count, zoom, visible);
    }
    // A node that cannot be drawn shows nothing at all: no frame, no range
    // overlay, no handles.
    std::vector<char> drawn(static_cast<std::size_t>(count), 0);
    for (int i = 0; i < count; ++i) {
        const NodeVisibility* v = visibility.empty() ? nullptr : &visibility[static_cast<std::size_t>(i)];
        drawn[static_cast<std::size_t>(i)] = paintNodeClipped(painter, doc, mode, i, zoom, visible, v) ? 1 : 0;
        if (drawn[static_cast<std::size_t>(i)] && i == mode.modeNode) {
            PaintModeFrame(painter, doc.state, mode, zoom);
            if (mode.modeKind == RangeKind::MultiCut)
                PaintMultiCutCells(painter, doc.state, sys, mode, zoom);
        }
    }

    std::vector<QRect> inverted;
    if (sys.dspOverlap != 0) {
        for (int i = count - 1; i >= 1; --i) {
            for (const QRect& r : geometry.nodes[static_cast<std::size_t>(i)].overlapRects) {
                if (!r.isEmpty() && r.intersects(visible))
                    inverted.push_back(r);
            }
        }
    }
    if (!invertByParity(painter, inverted)) {
        for (const QRect& r : inverted)
            InvertRect(painter, r);
    }

    if (withHandles) {
        for (int i = 0; i < count; ++i) {
            const NodeRecord& node = doc.nodes[i];
            // Drawn, or at least drawable: a node scrolled out of sight still
            // keeps its handles where they belong.
            const bool drawable = node.picture && !node.picture->undecodable();
            if (doc.screen[i].selected != 0 && (drawn[static_cast<std::size_t>(i)] || drawable))
                PaintHandles(painter, geometry.nodes[static_cast<std::size_t>(i)], i == doc.state.mainIndex);
        }
    }
    painter.restore();
}

} // namespace vq
