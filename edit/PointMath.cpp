#include "edit/PointMath.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vq::PointMath {

namespace {
// Truncates toward zero the value the construction stands for: a result that
// is a whole pixel up to rounding error (4.9999999999999 for 5) counts as
// that pixel, or a foot of a perpendicular would land one pixel short.
int truncExact(double v)
{
    constexpr double kRoundingSlack = 1e-7;
    return static_cast<int>(v + (v < 0 ? -kRoundingSlack : kRoundingSlack));
}

double squaredDistance(int x1, int y1, int x2, int y2)
{
    const double dx = static_cast<double>(x2) - x1;
    const double dy = static_cast<double>(y2) - y1;
    return dx * dx + dy * dy;
}
} // namespace

int Distance(int x1, int y1, int x2, int y2)
{
    return static_cast<int>(std::sqrt(squaredDistance(x1, y1, x2, y2)));
}

std::vector<QPoint> HandlePoints(int count, int left, int top, int right, int bottom)
{
    std::vector<QPoint> points{{left, top}, {right, top}, {right, bottom}, {left, bottom}};
    if (count == 8) {
        const int midX = left + (right - left) / 2;
        const int midY = top + (bottom - top) / 2;
        points.insert(points.end(), {{midX, top}, {right, midY}, {midX, bottom}, {left, midY}});
    }
    return points;
}

QPoint RotatePoint(int cx, int cy, int x, int y, double angle)
{
    if (angle == 0.0 || angle == 2.0 * std::numbers::pi)
        return {x, y};
    const double dx = static_cast<double>(x) - cx;
    const double dy = static_cast<double>(y) - cy;
    const double r = std::sqrt(dx * dx + dy * dy);
    const double theta = std::atan2(dy, dx) + angle;
    return {cx + truncExact(r * std::cos(theta)), cy + truncExact(r * std::sin(theta))};
}

QPoint PointAlong(double d, int x1, int y1, int x2, int y2)
{
    const double length = std::sqrt(squaredDistance(x1, y1, x2, y2));
    if (d == 0.0 || length == 0.0)
        return {x1, y1};
    return {x1 + truncExact(d * (static_cast<double>(x2) - x1) / length),
            y1 + truncExact(d * (static_cast<double>(y2) - y1) / length)};
}

QPoint ProjectOntoLine(int px, int py, int x1, int y1, int x2, int y2)
{
    // The squared lengths are taken exactly, not through the truncated
    // Distance: a projection onto a horizontal line must keep the point's x.
    const double ab2 = squaredDistance(x1, y1, x2, y2);
    if (ab2 == 0.0)
        return {x1, y1};
    const double d = (squaredDistance(px, py, x1, y1) + ab2 - squaredDistance(px, py, x2, y2)) / (2.0 * std::sqrt(ab2));
    return PointAlong(d, x1, y1, x2, y2);
}

IntRect BoundingBox(const std::array<QPoint, 4>& points)
{
    IntRect box{points[0].x(), points[0].y(), points[0].x(), points[0].y()};
    for (const QPoint& p : points) {
        box.left = std::min(box.left, p.x());
        box.top = std::min(box.top, p.y());
        box.right = std::max(box.right, p.x());
        box.bottom = std::max(box.bottom, p.y());
    }
    return box;
}

} // namespace vq::PointMath
