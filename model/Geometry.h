#pragma once

#include <QPoint>
#include <QRect>

#include <cstdint>

namespace vq {

// Every float-to-integer conversion truncates toward zero, computed in single
// precision as the stored zoom is single precision.
[[nodiscard]] inline int scaleTrunc(int value, float zoom)
{
    return static_cast<int>(static_cast<float>(value) * zoom);
}
[[nodiscard]] inline int divTrunc(int value, float zoom)
{
    return static_cast<int>(static_cast<float>(value) / zoom);
}

// A rectangle with exclusive right and bottom edges, as the document stores it.
struct IntRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    [[nodiscard]] int width() const { return right - left; }
    [[nodiscard]] int height() const { return bottom - top; }
    [[nodiscard]] bool isEmpty() const { return right <= left || bottom <= top; }
    [[nodiscard]] QRect toQRect() const { return QRect(left, top, width(), height()); }
    [[nodiscard]] bool intersects(const IntRect& o) const
    {
        return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
    }
    [[nodiscard]] IntRect intersected(const IntRect& o) const
    {
        return {std::max(left, o.left), std::max(top, o.top), std::min(right, o.right), std::min(bottom, o.bottom)};
    }
    // The screen form at `zoom`: left and top scaled, width and height scaled separately.
    [[nodiscard]] IntRect scaled(float zoom) const
    {
        const int l = scaleTrunc(left, zoom);
        const int t = scaleTrunc(top, zoom);
        return {l, t, l + scaleTrunc(width(), zoom), t + scaleTrunc(height(), zoom)};
    }
    bool operator==(const IntRect&) const = default;
};

} // namespace vq
