#pragma once

#include <QImage>
#include <QSize>

#include <cstddef>

namespace vq {

class Picture;

// Decoded pictures for drawing, kept within a memory budget and evicted
// least-recently-used first. A picture is decoded at the smallest of full,
// 1/2, 1/4 and 1/8 scale that still covers the size it is drawn at, so a
// thousand photographs shown small never hold a thousand full decodes.
class PictureCache {
public:
    static PictureCache& instance();

    [[nodiscard]] QImage image(const Picture& picture, QSize wanted);
    void forget(quint64 pictureKey);

    void setBudgetBytes(std::size_t bytes);
    [[nodiscard]] std::size_t budgetBytes() const;
    [[nodiscard]] std::size_t usedBytes() const;
    void clear();

    // 1, 2, 4 or 8: the reduction that still covers `wanted`.
    [[nodiscard]] static int reductionFor(QSize full, QSize wanted);

private:
    PictureCache();
    struct Impl;
    Impl* d;
};

} // namespace vq
