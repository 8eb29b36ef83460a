#pragma once

#include "imaging/Picture.h"
#include "tests/support/Fixtures.h"

#include <QColor>
#include <QImage>
#include <QPainter>

#include <cstdlib>

namespace vq::test {

// A JPEG picture of `size`: left half `left`, right half `right`.
inline PicturePtr makeJpegPicture(QSize size, QColor left, QColor right)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(left);
    {
        QPainter p(&image);
        p.fillRect(QRect(size.width() / 2, 0, size.width() - size.width() / 2, size.height()), right);
    }
    return Picture::fromJpegBytes(test::jpegBytes(image, 100));
}

inline PicturePtr makeJpegPicture(QSize size, QColor colour)
{
    return makeJpegPicture(size, colour, colour);
}

// Colours survive JPEG only approximately.
inline bool near(QRgb actual, QColor expected, int tolerance = 12)
{
    return std::abs(qRed(actual) - expected.red()) <= tolerance
        && std::abs(qGreen(actual) - expected.green()) <= tolerance
        && std::abs(qBlue(actual) - expected.blue()) <= tolerance;
}

inline bool exactly(QRgb actual, QColor expected)
{
    return (actual & 0xFFFFFF) == (expected.rgb() & 0xFFFFFF);
}

} // namespace vq::test
