#include "view/HoverAnimation.h"

#include "edit/PointMath.h"
#include "render/Painters.h"
#include "render/ScreenGeometry.h"

#include <QRandomGenerator>

#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>

namespace vq {

namespace {
constexpr int kWalkSteps = 16;
// The orbits are sized from at most this square, so on a larger node they
// circle over the picture and pass behind only this middle part of it.
constexpr int kHideSquare = 100;
constexpr int kTrailDarkening = 8;
constexpr int kSlowestSpeed = 4;

bool contains(const IntRect& r, QPoint p)
{
    return p.x() >= r.left && p.x() < r.right && p.y() >= r.top && p.y() < r.bottom;
}

bool fitsInt(float v)
{
    return std::isfinite(v) && std::fabs(v) < static_cast<float>(INT_MAX / 2);
}

// A pen wide enough to cover the dot: a circle of radius 1 drawn with it
// reaches 1 + width / 2 pixels, never more than the width itself.
int dotPenWidth(float zoom)
{
    return std::max(2, scaleTrunc(4, zoom));
}
} // namespace

std::optional<std::array<QPoint, 16>> QuarterEllipseWalk(float a, float b)
{
    if (!(a > 1.0f) || !(b > 1.0f))
        return std::nullopt;
    // A step turns about 0.1 radian, so the walk normally crosses the vertical
    // axis right after step 16; anything else means the arithmetic broke down.
    std::array<float, kWalkSteps> gs{};
    std::array<float, kWalkSteps> ms{};
    float g = 10.0f * a;
    float m = 0.0f;
    for (int j = 0; j < kWalkSteps; ++j) {
        gs[static_cast<std::size_t>(j)] = g;
        ms[static_cast<std::size_t>(j)] = m;
        m = m + g * b / a / 10.0f;
        g = g - a * m / b / 10.0f;
        if ((g < 0.0f) != (j == kWalkSteps - 1))
            return std::nullopt;
    }
    std::array<QPoint, 16> offsets{};
    for (std::size_t j = 0; j < offsets.size(); ++j) {
        const float t = gs[j] / 10.0f;
        const float o = ms[j] / 10.0f;
        if (!fitsInt(t) || !fitsInt(o))
            return std::nullopt;
        offsets[j] = QPoint(static_cast<int>(t), static_cast<int>(o));
    }
    return offsets;
}

std::optional<OrbitPathSlots> OrbitPath(const IntRect& ellipseBox, const IntRect& hideBox, double angleRad)
{
    const auto walk = QuarterEllipseWalk(static_cast<float>(ellipseBox.width()) / 2.0f,
                                         static_cast<float>(ellipseBox.height()) / 2.0f);
    if (!walk)
        return std::nullopt;
    const int h = ellipseBox.left + ellipseBox.width() / 2;
    const int l = ellipseBox.top + ellipseBox.height() / 2;
    const auto place = [&](int x, int y) {
        const QPoint p = PointMath::RotatePoint(h, l, x, y, angleRad);
        return p.x() >= h && contains(hideBox, p) ? kHiddenSlot : p;
    };
    // One slot past the end takes the bottom-up run's first point, which
    // would repeat slot 0; it is never shown.
    std::array<QPoint, kOrbitSlots + 1> ring{};
    for (int j = 0; j < kWalkSteps; ++j) {
        const int t = (*walk)[static_cast<std::size_t>(j)].x();
        const int o = (*walk)[static_cast<std::size_t>(j)].y();
        ring[static_cast<std::size_t>(j)] = place(h - t, l - o);      // left end up to the top
        ring[static_cast<std::size_t>(30 - j)] = place(h + t, l - o); // top across to the right end
    }
    // Written after the top-right run so that slot 30, the right end, comes from here.
    for (int j = 0; j < kWalkSteps; ++j) {
        const int t = (*walk)[static_cast<std::size_t>(j)].x();
        const int o = (*walk)[static_cast<std::size_t>(j)].y();
        ring[static_cast<std::size_t>(30 + j)] = place(h + t, l + o); // right end down to the bottom
        if (j < kWalkSteps - 1)
            ring[static_cast<std::size_t>(60 - j)] = place(h - t, l + o); // bottom back to the left end
    }
    OrbitPathSlots path{};
    std::copy_n(ring.begin(), kOrbitSlots, path.begin());
    return path;
}

bool HoverAnimation::start(int node, const NodeGeometry& geometry, QPoint pointerView, QPoint scroll, float zoom,
                           int canvasWidth, int centerY, int playAnime, const std::function<int()>& rand)
{
    stop();
    if (playAnime <= 0)
        return false;
    const auto next = [&rand]() {
        return rand ? rand() : static_cast<int>(QRandomGenerator::global()->generate() & 0x7FFFFFFF);
    };

    IntRect hide = PointMath::BoundingBox(geometry.corners);
    hide = {hide.left - scroll.x(), hide.top - scroll.y(), hide.right - scroll.x(), hide.bottom - scroll.y()};
    if (hide.width() > kHideSquare && hide.height() > kHideSquare) {
        const int cx = hide.left + hide.width() / 2;
        const int cy = hide.top + hide.height() / 2;
        hide = {cx - kHideSquare / 2, cy - kHideSquare / 2, cx + kHideSquare / 2, cy + kHideSquare / 2};
    }

    // The orbits centre on the pointer's x at the height of the node's centre.
    const int centreY = scaleTrunc(centerY, zoom);
    const QPoint centre =
        PointMath::ProjectOntoLine(pointerView.x(), pointerView.y(), 0, centreY, scaleTrunc(canvasWidth, zoom), centreY)
        - scroll;

    const int smallest = std::min(hide.width(), hide.height()) / 2;
    int angle = next() % 359;
    const int spreadX = scaleTrunc(10, zoom);
    const int spreadY = scaleTrunc(50, zoom);
    if (spreadX == 0 || spreadY == 0)
        return false;

    const int orbits = std::min(playAnime, kMaxOrbits);
    std::vector<OrbitPathSlots> paths;
    bool lastLaidOut = false;
    for (int k = 0; k < orbits; ++k) {
        const int halfWidth = next() % spreadX + smallest;
        const int halfHeight = next() % spreadY + smallest;
        if (k > 0) {
            angle += 120 * k;
            if (angle > 359)
                angle -= 360;
        }
        const IntRect box{centre.x() - halfWidth, centre.y() - halfHeight, centre.x() + halfWidth,
                          centre.y() + halfHeight};
        const auto path = OrbitPath(box, hide, angle * std::numbers::pi / 180.0);
        lastLaidOut = path.has_value();
        // An orbit that cannot be laid out stays invisible among the others.
        OrbitPathSlots hidden{};
        hidden.fill(kHiddenSlot);
        paths.push_back(path.value_or(hidden));
    }
    if (!lastLaidOut)
        return false;

    QRect box;
    for (const OrbitPathSlots& path : paths) {
        for (const QPoint& p : path) {
            if (p != kHiddenSlot)
                box |= QRect(p, QSize(1, 1));
        }
    }
    const int margin = dotPenWidth(zoom);
    m_animBox = box.isNull() ? QRect() : box.adjusted(-margin, -margin, margin, margin);
    m_hideBox = hide;
    m_paths = std::move(paths);
    m_positions.assign(m_paths.size(), 0);
    m_node = node;
    return true;
}

void HoverAnimation::stop()
{
    m_node = -1;
    m_animBox = QRect();
    m_hideBox = IntRect{};
    m_paths.clear();
    m_positions.clear();
}

std::vector<HoverAnimation::Dot> HoverAnimation::tick(float zoom)
{
    std::vector<Dot> dots;
    if (!running())
        return dots;
    const int width = dotPenWidth(zoom);
    for (std::size_t k = 0; k < m_paths.size(); ++k) {
        ColorRef colour = kOrbitColours[k];
        int& pos = m_positions[k];
        for (int i = 0; i < kTrailLength; ++i) {
            if (i > 0)
                colour = DarkenColour(colour, kTrailDarkening);
            int slot = pos + i - (kTrailLength - 1);
            if (slot < 0)
                slot += kOrbitSlots;
            const QPoint p = m_paths[k][static_cast<std::size_t>(slot)];
            if (p != kHiddenSlot)
                dots.push_back({p, colour, width});
        }
        // Alternate orbits run opposite ways round.
        pos = k % 2 == 0 ? (pos + 1) % kOrbitSlots : (pos + kOrbitSlots - 1) % kOrbitSlots;
    }
    return dots;
}

int HoverAnimation::intervalMs(int speedAnime)
{
    return std::clamp(speedAnime, 0, kSlowestSpeed) * 10 + 5;
}

} // namespace vq
