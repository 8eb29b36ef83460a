#include "view/Feedback.h"

#include "render/Painters.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPen>

namespace vq {

namespace {

QRect outlineBox(const std::array<QPoint, 4>& c, int grow)
{
    QRect box;
    for (const QPoint& p : c)
        box |= QRect(p, QSize(1, 1));
    return box.adjusted(-grow, -grow, grow, grow);
}

// The 2 x 2 magenta and white checker of the canvas size bar.
QBrush checkerBrush()
{
    QImage tile(2, 2, QImage::Format_RGB32);
    tile.setPixel(0, 0, qRgb(255, 0, 255));
    tile.setPixel(1, 1, qRgb(255, 0, 255));
    tile.setPixel(1, 0, qRgb(255, 255, 255));
    tile.setPixel(0, 1, qRgb(255, 255, 255));
    return QBrush(tile);
}

QFont labelFont()
{
    QFont font(QStringLiteral("Meiryo UI"));
    font.setPointSize(8);
    return font;
}

void frameRect(QPainter& painter, const QRect& r, ColorRef colour)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(ColorFromRef(colour));
    const QColor c = ColorFromRef(colour);
    painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), c);
    painter.fillRect(QRect(r.left(), r.top() + r.height() - 1, r.width(), 1), c);
    painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), c);
    painter.fillRect(QRect(r.left() + r.width() - 1, r.top(), 1, r.height()), c);
}

QRect guideArea(const std::vector<QLine>& guides)
{
    QRect area;
    for (const QLine& g : guides)
        area |= QRect(g.p1(), g.p2()).normalized().adjusted(-1, -1, 1, 1);
    return area;
}

void drawGuides(QPainter& painter, const std::vector<QLine>& guides)
{
    if (guides.empty())
        return;
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(ColorFromRef(kGuideGapColour), 1, Qt::SolidLine, Qt::FlatCap));
    for (const QLine& g : guides)
        painter.drawLine(g);
    QPen dashes(ColorFromRef(kGuideColour), 1, Qt::CustomDashLine, Qt::FlatCap);
    dashes.setDashPattern({4, 2});
    painter.setPen(dashes);
    for (const QLine& g : guides)
        painter.drawLine(g);
}

} // namespace

QRect FeedbackArea(const Feedback& f)
{
    switch (f.kind) {
    case Feedback::Kind::None: return {};
    case Feedback::Kind::Resize: return f.rect.normalized().adjusted(-1, -1, 1, 1) | guideArea(f.guides);
    case Feedback::Kind::Band:
    case Feedback::Kind::Console: return f.rect.normalized().adjusted(-1, -1, 1, 1);
    case Feedback::Kind::CanvasBar: {
        QRect a = f.rect;
        if (!f.label.isEmpty()) {
            const QFontMetrics fm(labelFont());
            a |= fm.boundingRect(f.label).translated(f.labelAt).adjusted(-2, -2, 2, 2);
        }
        return a;
    }
    case Feedback::Kind::Move: return outlineBox(f.corners, 3) | guideArea(f.guides);
    case Feedback::Kind::ModeFrame: return outlineBox(f.corners, f.penWidth + 2);
    case Feedback::Kind::HoverDots: return f.dotArea;
    }
    return {};
}

void PaintFeedback(QPainter& painter, const Feedback& f)
{
    if (f.isNone())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    const std::array<QPoint, 5> closed{f.corners[0], f.corners[1], f.corners[2], f.corners[3], f.corners[0]};
    switch (f.kind) {
    case Feedback::Kind::None: break;
    case Feedback::Kind::Band: {
        QPen pen(ColorFromRef(kBandColour), 1, Qt::DotLine);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        const QRect r = f.rect.normalized();
        painter.drawRect(r.adjusted(0, 0, -1, -1));
        break;
    }
    case Feedback::Kind::Console: frameRect(painter, f.rect, kConsoleDragColour); break;
    case Feedback::Kind::Resize:
        frameRect(painter, f.rect.normalized(), kResizeColour);
        drawGuides(painter, f.guides);
        break;
    case Feedback::Kind::Move:
        // Three widths, lightest and widest first, so the outline reads on
        // light and dark pictures alike.
        for (int i = 0; i < 3; ++i)
            DrawPenShape(painter, closed, kMovePens[static_cast<std::size_t>(i)], FrameStyle::Solid, 3 - i);
        drawGuides(painter, f.guides);
        break;
    case Feedback::Kind::CanvasBar:
        painter.fillRect(f.rect, checkerBrush());
        if (!f.label.isEmpty()) {
            painter.setFont(labelFont());
            painter.setPen(ColorFromRef(kCanvasSizeLabelColour));
            painter.drawText(f.labelAt, f.label);
        }
        break;
    case Feedback::Kind::ModeFrame:
        DrawPenShape(painter, closed, f.colour == kNoColor ? 0x404040 : f.colour, FrameStyle::Solid, f.penWidth);
        break;
    case Feedback::Kind::HoverDots:
        painter.setBrush(Qt::NoBrush);
        for (const Feedback::Dot& d : f.dots) {
            painter.setPen(QPen(ColorFromRef(d.colour), d.penWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            painter.drawEllipse(QRect(d.centre.x() - 1, d.centre.y() - 1, 3, 3));
        }
        break;
    }
    painter.restore();
}

} // namespace vq
