#include "render/ViewGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vq {

QPoint CanvasToScreen(QPoint canvas, float zoom)
{
    return {scaleTrunc(canvas.x(), zoom), scaleTrunc(canvas.y(), zoom)};
}

QPoint ClientToCanvas(QPoint client, QPoint scroll, float zoom)
{
    const QPoint screen = ClientToScreen(client, scroll);
    return {divTrunc(screen.x(), zoom), divTrunc(screen.y(), zoom)};
}

QSize ZoomedCanvasSize(int canvasWidth, int canvasHeight, float zoom)
{
    return {scaleTrunc(canvasWidth, zoom), scaleTrunc(canvasHeight, zoom)};
}

QSize ScrollTotalSize(int canvasWidth, int canvasHeight, float zoom)
{
    return ZoomedCanvasSize(canvasWidth + kScrollMargin, canvasHeight + kScrollMargin, zoom);
}

float LimitZoom(float requested, int canvasWidth, int canvasHeight)
{
    // NaN compares false everywhere; treat it as the smallest zoom.
    float z = std::isnan(requested) ? kMinZoom : std::clamp(requested, kMinZoom, kMaxZoom);
    if (canvasWidth > 0 && scaleTrunc(canvasWidth, z) > kMaxZoomedWidth)
        z = static_cast<float>(kMaxZoomedWidth) / static_cast<float>(canvasWidth);
    if (canvasHeight > 0 && scaleTrunc(canvasHeight, z) > kMaxZoomedHeight)
        z = static_cast<float>(kMaxZoomedHeight) / static_cast<float>(canvasHeight);
    return z;
}

float FitZoom(QSize client, int canvasWidth, int canvasHeight)
{
    if (canvasWidth <= 0 || canvasHeight <= 0)
        return kMinZoom;
    const float zx = static_cast<float>(std::max(0, client.width())) / static_cast<float>(canvasWidth);
    const float zy = static_cast<float>(std::max(0, client.height())) / static_cast<float>(canvasHeight);
    return std::min(zx, zy);
}

QString ZoomPercentText(float zoom)
{
    return QString::number(static_cast<int>(zoom * 100.0f));
}

QPoint ClampConsolePosition(int x, int y, const QRect& client)
{
    const int l = client.left() + kConsoleEdgeGap;
    const int t = client.top() + kConsoleEdgeGap;
    const int r = client.left() + client.width() - kConsoleEdgeGap;
    const int b = client.top() + client.height() - kConsoleEdgeGap;
    x = std::max(std::min(x, r - kConsoleRadius), l + kConsoleRadius);
    y = std::max(std::min(y, b - kConsoleRadius), t + kConsoleRadius);
    return {x, y};
}

namespace {
int truncatedDistance(QPoint p, QPoint centre)
{
    const double dx = p.x() - centre.x();
    const double dy = p.y() - centre.y();
    return static_cast<int>(std::sqrt(dx * dx + dy * dy));
}
} // namespace

int HitTestConsole(QPoint p, QPoint centre)
{
    if (truncatedDistance(p, centre) > kConsoleRadius)
        return kConsoleOutside;
    const QPoint u = p - centre + QPoint(kConsoleRadius, kConsoleRadius);
    for (const QRect& zone : kConsolePlusZones) {
        if (zone.contains(u))
            return kConsolePlus;
    }
    if (kConsoleMinusZone.contains(u))
        return kConsoleMinus;
    return kConsoleBody;
}

bool InDialRing(QPoint p, QPoint centre)
{
    const int d = truncatedDistance(p, centre);
    return d >= kDialRingInner && d <= kDialRingOuter;
}

int DialStep(QPoint from, QPoint to, QPoint centre)
{
    const double before = std::atan2(double(from.y() - centre.y()), double(from.x() - centre.x()));
    const double after = std::atan2(double(to.y() - centre.y()), double(to.x() - centre.x()));
    return static_cast<int>((after - before) * 100.0);
}

std::vector<QPoint> ConsoleDigitPositions(int digitCount)
{
    int x = 15;
    if (digitCount == 1)
        x = 49;
    else if (digitCount == 2)
        x = 31;
    std::vector<QPoint> positions;
    positions.reserve(static_cast<std::size_t>(std::max(0, digitCount)));
    for (int i = 0; i < digitCount; ++i, x += kDigitAdvance)
        positions.emplace_back(x, kDigitTop);
    return positions;
}

QPoint DialDotPosition(QPoint centre, int k)
{
    const double theta = 2.0 * std::numbers::pi * k / (kDialDotCount + 1);
    return centre + QPoint(static_cast<int>(kDialRingRadius * std::cos(theta)),
                           static_cast<int>(kDialRingRadius * std::sin(theta)));
}

std::array<QPoint, 4> ModeFrameCorners(const IntRect& modeRect, float zoom)
{
    const IntRect r = modeRect.scaled(zoom);
    return {QPoint(r.left, r.top), QPoint(r.right, r.top), QPoint(r.right, r.bottom), QPoint(r.left, r.bottom)};
}

} // namespace vq
