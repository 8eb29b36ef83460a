#pragma once

#include "model/DocState.h"
#include "model/Geometry.h"

#include <QPoint>
#include <QRect>

#include <array>
#include <functional>
#include <optional>
#include <vector>

namespace vq {

struct NodeGeometry;

// One closed orbit: 60 client positions, (-1, -1) where it passes behind the picture.
inline constexpr int kOrbitSlots = 60;
using OrbitPathSlots = std::array<QPoint, kOrbitSlots>;
inline constexpr QPoint kHiddenSlot{-1, -1};

// The quarter ellipse from the left end (step 0) up to the top (step 15) as
// offsets (t, o) from the centre, for half-axes `a` and `b`. The walk is
// exact only when it crosses the vertical axis right after its sixteenth
// step; otherwise (or when an axis is 1 or less) there is no orbit.
[[nodiscard]] std::optional<std::array<QPoint, 16>> QuarterEllipseWalk(float a, float b);

// The orbit inscribed in `ellipseBox`, turned by `angleRad` (clockwise on the
// screen) about the box's centre, running clockwise from the left end before
// the turn. Points right of the centre inside `hideBox` are hidden, so the
// orbit seems to pass behind the picture.
[[nodiscard]] std::optional<OrbitPathSlots> OrbitPath(const IntRect& ellipseBox, const IntRect& hideBox, double angleRad);

// Comets circling an unselected node under the pointer. This class only
// computes: the view owns the timer, calls tick() on each timeout and draws
// the dots it returns straight onto the window inside animBox().
class HoverAnimation {
public:
    inline static constexpr int kMaxOrbits = 10;
    inline static constexpr int kTrailLength = 8;
    // Orbit k's colour; its trail darkens from there.
    inline static constexpr std::array<ColorRef, kMaxOrbits> kOrbitColours{
        0xC0C0FF, 0xFFC0F7, 0xF7C07B, 0xA5A5FF, 0xC0C0F7, 0xF7A580, 0x7B7BFF, 0x7BC0F7, 0xF7F380, 0xF3ADFF};

    struct Dot {
        QPoint centre; // client coordinates
        ColorRef colour;
        int penWidth;
        bool operator==(const Dot&) const = default;
    };

    // Starts the animation round `node`, whose screen geometry is `geometry`;
    // `pointerView` is the pointer in view coordinates, `centerY` the node's
    // centre in canvas pixels. `rand` gives non-negative numbers as std::rand
    // does; an empty one uses Qt's global generator. False, leaving the
    // animation idle, when the zoom is below 10 %, `playAnime` is 0 or the
    // last orbit cannot be laid out.
    bool start(int node, const NodeGeometry& geometry, QPoint pointerView, QPoint scroll, float zoom, int canvasWidth,
               int centerY, int playAnime, const std::function<int()>& rand);
    void stop();

    // The dots of this step, then every orbit moves on by one slot.
    [[nodiscard]] std::vector<Dot> tick(float zoom);

    [[nodiscard]] int node() const { return m_node; }
    [[nodiscard]] bool running() const { return m_node >= 0; }
    // The client area the dots can reach, the orbits' box grown by the dot
    // pen's width (never less than 2, so small zooms keep the whole dot
    // inside); empty while idle.
    [[nodiscard]] QRect animBox() const { return m_animBox; }
    // Client area the picture covers for the orbits: the node's box, or its
    // central 100 x 100 square when the node is larger both ways.
    [[nodiscard]] IntRect hideBox() const { return m_hideBox; }
    [[nodiscard]] const std::vector<OrbitPathSlots>& paths() const { return m_paths; }
    [[nodiscard]] const std::vector<int>& positions() const { return m_positions; }

    // The timer interval for speed setting 0 (fast) .. 4 (slow).
    [[nodiscard]] static int intervalMs(int speedAnime);

private:
    int m_node = -1;
    QRect m_animBox;
    IntRect m_hideBox;
    std::vector<OrbitPathSlots> m_paths;
    std::vector<int> m_positions;
};

} // namespace vq
