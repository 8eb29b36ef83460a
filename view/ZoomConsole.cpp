#include "view/ZoomConsole.h"

#include "render/ViewGeometry.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>

namespace vq {

namespace {

QImage transparentImage(QSize size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QPainterPath roundedZone(const QRect& zone, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(zone), radius, radius);
    return path;
}

// A raised, light key over the exact hit zone, so what looks pressable is
// what the hit-test treats as the button.
void drawKey(QPainter& p, const QPainterPath& shape)
{
    const QRectF box = shape.boundingRect();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 90));
    p.drawPath(shape.translated(0, 1.2));
    QLinearGradient fill(box.topLeft(), box.bottomLeft());
    fill.setColorAt(0.0, QColor(0xFB, 0xFD, 0xFF));
    fill.setColorAt(1.0, QColor(0xC3, 0xD0, 0xE2));
    p.setBrush(fill);
    p.setPen(QPen(QColor(0x2A, 0x36, 0x4A, 180), 0.8));
    p.drawPath(shape);
}

QImage makeFace()
{
    QImage image = transparentImage(QSize(kConsoleSize, kConsoleSize));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QPointF c(kConsoleRadius, kConsoleRadius);

    QRadialGradient body(QPointF(c.x(), c.y() - 28), 96);
    body.setColorAt(0.0, QColor(0x5B, 0x70, 0x94));
    body.setColorAt(0.55, QColor(0x33, 0x43, 0x5E));
    body.setColorAt(1.0, QColor(0x1B, 0x24, 0x34));
    p.setBrush(body);
    p.setPen(QPen(QColor(0x10, 0x16, 0x22, 220), 1.5));
    p.drawEllipse(c, 62.5, 62.5);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 45), 1.2));
    p.drawEllipse(c, 60.0, 60.0);

    // The read-out window behind the digits.
    const QRectF window(10.5, 36.5, 109, 58);
    QLinearGradient glass(window.topLeft(), window.bottomLeft());
    glass.setColorAt(0.0, QColor(0x07, 0x0C, 0x14, 235));
    glass.setColorAt(1.0, QColor(0x16, 0x22, 0x33, 235));
    p.setBrush(glass);
    p.setPen(QPen(QColor(255, 255, 255, 40), 1));
    p.drawRoundedRect(window, 11, 11);

    QPainterPath plus;
    for (const QRect& zone : kConsolePlusZones)
        plus = plus.united(roundedZone(zone, 2.5));
    drawKey(p, plus.simplified());
    drawKey(p, roundedZone(kConsoleMinusZone, 2.5));
    return image;
}

QImage makeDigitStrip()
{
    QImage strip = transparentImage(QSize(kDigitSize.width() * 10, kDigitSize.height()));
    QFont font(QStringLiteral("DejaVu Sans Condensed"));
    font.setStyleHint(QFont::SansSerif);
    font.setBold(true);
    font.setPixelSize(100);

    QPainterPath glyphs[10];
    QRectF all;
    for (int d = 0; d < 10; ++d) {
        glyphs[d].addText(0, 0, font, QString::number(d));
        all = all.united(glyphs[d].boundingRect());
    }
    if (all.isEmpty())
        return strip;
    // One scale for every digit so they share a baseline and a height; tall
    // glyphs read better in the narrow cells, so height may stretch a little.
    constexpr qreal kBoxW = 27.0;
    constexpr qreal kBoxH = 40.0;
    qreal widest = 0;
    for (const QPainterPath& g : glyphs)
        widest = std::max(widest, g.boundingRect().width());
    const qreal sx = kBoxW / widest;
    const qreal sy = std::min(kBoxH / all.height(), sx * 1.25);

    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    for (int d = 0; d < 10; ++d) {
        const QRectF box = glyphs[d].boundingRect();
        const qreal cellX = kDigitSize.width() * d;
        QTransform t;
        t.translate(cellX + (kDigitSize.width() - box.width() * sx) / 2.0 - box.left() * sx,
                    (kDigitSize.height() - all.height() * sy) / 2.0 - all.top() * sy);
        t.scale(sx, sy);
        const QPainterPath shape = t.map(glyphs[d]);
        p.setBrush(QColor(0, 0, 0, 150));
        p.drawPath(shape.translated(1, 1.5));
        QLinearGradient ink(0, 0, 0, kDigitSize.height());
        ink.setColorAt(0.0, QColor(0xFF, 0xFF, 0xFF));
        ink.setColorAt(1.0, QColor(0xC8, 0xE6, 0xFF));
        p.setBrush(ink);
        p.drawPath(shape);
    }
    return strip;
}

} // namespace

ZoomConsoleArt::ZoomConsoleArt() : m_face(makeFace()), m_digits(makeDigitStrip())
{
    RefreshConsoleImage(1.0f);
}

void ZoomConsoleArt::RefreshConsoleImage(float zoom)
{
    m_consoleImage = m_face.copy();
    const QString text = ZoomPercentText(zoom);
    const std::vector<QPoint> positions = ConsoleDigitPositions(static_cast<int>(text.size()));
    QPainter p(&m_consoleImage);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int d = text.at(i).digitValue();
        if (d < 0)
            continue;
        p.drawImage(positions[static_cast<std::size_t>(i)], m_digits,
                    QRect(QPoint(kDigitSize.width() * d, 0), kDigitSize));
    }
}

void ZoomConsoleArt::draw(QPainter& painter, QPoint centre, bool dialActive) const
{
    painter.drawImage(centre - QPoint(kConsoleRadius, kConsoleRadius), m_consoleImage);
    if (!dialActive)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    for (int k = 1; k <= kDialDotCount; ++k) {
        const int level = 98 + 2 * k;
        painter.setPen(QPen(QColor(level, level, 0), 5, Qt::SolidLine, Qt::RoundCap));
        painter.drawPoint(DialDotPosition(centre, k));
    }
    painter.restore();
}

} // namespace vq
