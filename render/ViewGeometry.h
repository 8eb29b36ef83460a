#pragma once

#include "model/Geometry.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <array>
#include <vector>

namespace vq {

// Three coordinate systems meet in the view: canvas pixels (stored in the
// document), screen pixels (canvas times zoom, before scrolling) and client
// pixels (screen minus the scroll position). Every conversion truncates toward
// zero in single precision, because the stored zoom is single precision and
// rounding differently would move hit-tests by a pixel against the drawing.

[[nodiscard]] QPoint CanvasToScreen(QPoint canvas, float zoom);
[[nodiscard]] inline IntRect CanvasRectToScreen(const IntRect& canvas, float zoom) { return canvas.scaled(zoom); }
[[nodiscard]] inline QPoint ScreenToClient(QPoint screen, QPoint scroll) { return screen - scroll; }
[[nodiscard]] inline QPoint ClientToScreen(QPoint client, QPoint scroll) { return client + scroll; }
[[nodiscard]] QPoint ClientToCanvas(QPoint client, QPoint scroll, float zoom);

// The zoomed canvas occupies (0, 0) to this size in screen pixels.
[[nodiscard]] QSize ZoomedCanvasSize(int canvasWidth, int canvasHeight, float zoom);
// The scrollable extent: the canvas plus a 50-pixel margin, zoomed.
[[nodiscard]] QSize ScrollTotalSize(int canvasWidth, int canvasHeight, float zoom);
inline constexpr int kScrollMargin = 50;

inline constexpr float kMinZoom = 0.08f;
inline constexpr float kMaxZoom = 4.0f;
inline constexpr int kMaxZoomedWidth = 10000;
inline constexpr int kMaxZoomedHeight = 7500;
// Keeps the zoom within 8 %..400 % and the zoomed canvas within 10000 x 7500.
[[nodiscard]] float LimitZoom(float requested, int canvasWidth, int canvasHeight);
// The zoom at which the canvas fills the client area, before LimitZoom.
[[nodiscard]] float FitZoom(QSize client, int canvasWidth, int canvasHeight);
// The zoom as the console shows it: percent, truncated.
[[nodiscard]] QString ZoomPercentText(float zoom);

// The zoom console: a 130 x 130 image centred on its stored position.
inline constexpr int kConsoleSize = 130;
inline constexpr int kConsoleRadius = 65;
inline constexpr int kConsoleEdgeGap = 5;
inline constexpr QPoint kConsoleHome{79, 79};
inline constexpr int kDialRingInner = 65;
inline constexpr int kDialRingOuter = 73;
inline constexpr int kDialRingRadius = 69;
inline constexpr int kDialDotCount = 68;

// Digit glyphs of the console: ten 32 x 50 cells side by side.
inline constexpr QSize kDigitSize{32, 50};
inline constexpr int kDigitTop = 40;
inline constexpr int kDigitAdvance = 34;

// Where the console's centre may be drawn: at least 5 + 65 pixels inside every
// edge of `client`; the left and top bounds win in a window too small for it.
[[nodiscard]] QPoint ClampConsolePosition(int x, int y, const QRect& client);

enum ConsoleHit : int {
    kConsoleOutside = -1,
    kConsoleBody = 1,
    kConsolePlus = 2,
    kConsoleMinus = 3,
};
// Button zones in console-image coordinates (right and bottom exclusive); the
// face artwork draws its buttons over exactly these.
inline constexpr std::array<QRect, 2> kConsolePlusZones{QRect(59, 5, 12, 30), QRect(50, 14, 30, 12)};
inline constexpr QRect kConsoleMinusZone{50, 104, 30, 12};
// Which part of a console centred at `centre` the client point `p` is on.
[[nodiscard]] int HitTestConsole(QPoint p, QPoint centre);
// The ring round an active dial that a drag turns.
[[nodiscard]] bool InDialRing(QPoint p, QPoint centre);
// Zoom change in hundredths for a pointer moving from `from` to `to` around
// `centre`: clockwise on screen is positive. The angle difference is not
// unwrapped, so crossing the 9 o'clock direction jumps by almost a full turn.
[[nodiscard]] int DialStep(QPoint from, QPoint to, QPoint centre);
// Top-left corners of the digit cells for a number of `digitCount` digits.
[[nodiscard]] std::vector<QPoint> ConsoleDigitPositions(int digitCount);
// Dot k (1..68) of the dial ring round `centre`.
[[nodiscard]] QPoint DialDotPosition(QPoint centre, int k);

// Screen corners TL, TR, BR, BL of the range-mode rectangle, which both the
// mode frame and its corner hit-test use.
[[nodiscard]] std::array<QPoint, 4> ModeFrameCorners(const IntRect& modeRect, float zoom);

} // namespace vq
