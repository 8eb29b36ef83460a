#pragma once

#include "model/Geometry.h"

#include <QPoint>

#include <array>
#include <vector>

namespace vq::PointMath {

// Point constructions of the canvas view. Every integer result truncates
// toward zero, so hit zones and drawn shapes agree to the pixel.

[[nodiscard]] int Distance(int x1, int y1, int x2, int y2);
[[nodiscard]] inline int Distance(QPoint a, QPoint b) { return Distance(a.x(), a.y(), b.x(), b.y()); }

// TL, TR, BR, BL and, when `count` is 8, the edge midpoints T, R, B, L;
// any other count gives the four corners only.
[[nodiscard]] std::vector<QPoint> HandlePoints(int count, int left, int top, int right, int bottom);

// (x, y) turned about (cx, cy) by `angle` radians, positive angles clockwise
// on the screen. A zero or full turn returns the point itself rather than
// risking a pixel of drift through the polar round trip.
[[nodiscard]] QPoint RotatePoint(int cx, int cy, int x, int y, double angle);

// The point `d` pixels from (x1, y1) towards (x2, y2); (x1, y1) itself when d
// is 0 or the two points coincide.
[[nodiscard]] QPoint PointAlong(double d, int x1, int y1, int x2, int y2);

// The foot of the perpendicular from (px, py) onto the line through the two
// points; (x1, y1) when they coincide.
[[nodiscard]] QPoint ProjectOntoLine(int px, int py, int x1, int y1, int x2, int y2);

// The smallest rectangle holding the four points: left and top are the least
// coordinates, right and bottom the greatest.
[[nodiscard]] IntRect BoundingBox(const std::array<QPoint, 4>& points);

} // namespace vq::PointMath
