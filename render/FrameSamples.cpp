#include "render/FrameSamples.h"

#include "render/Painters.h"

#include <QPainter>
#include <QPoint>

#include <array>

namespace vq {

namespace {

// Line widths that show each pattern clearly in six pixels: the plain
// styles at two pixels, the double line wide enough for its white middle.
constexpr int kLineWidth = 2;
constexpr int kDoubleWidth = 4;

} // namespace

QImage FrameStyleSample(int style)
{
    QImage sample(kFrameSampleSize, QImage::Format_ARGB32);
    sample.fill(Qt::white);
    if (style >= StoredFrameStyle(FrameStyle::Solid) && style <= StoredFrameStyle(FrameStyle::Double)) {
        QPainter painter(&sample);
        const int y = kFrameSampleSize.height() / 2;
        const std::array<QPoint, 2> line{QPoint(0, y), QPoint(kFrameSampleSize.width() - 1, y)};
        const FrameStyle drawn = FrameStyleFromStored(style);
        DrawStyledOutline(painter, line, 0x000000, drawn, drawn == FrameStyle::Double ? kDoubleWidth : kLineWidth, 1.0f);
    }
    // White is the mask colour, so the selector's own background shows
    // through the gaps of a pattern and the middle of the double line.
    for (int row = 0; row < sample.height(); ++row) {
        auto* pixel = reinterpret_cast<QRgb*>(sample.scanLine(row));
        for (int x = 0; x < sample.width(); ++x)
            if ((pixel[x] & 0x00FFFFFF) == 0x00FFFFFF)
                pixel[x] = 0;
    }
    return sample;
}

} // namespace vq
