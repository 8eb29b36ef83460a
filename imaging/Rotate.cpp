#include "imaging/Rotate.h"

#include "imaging/ImageDecode.h"
#include "imaging/JpegEncode.h"
#include "imaging/JpegTransform.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>

namespace vq {

namespace {

const double kPi = 4.0 * std::atan(1.0);

// Rotation results are encoded at the program's re-encoding quality.
constexpr int kRotatedQuality = 100;

// Where a rotation puts things: the new size, and the place of the source's
// origin in it, for cos·x + sin·y, cos·y − sin·x.
struct RotationFrame {
    QSize size;
    double cos = 1;
    double sin = 0;
    double offX = 0;
    double offY = 0;
};

RotationFrame rotationFrame(QSize size, double degrees)
{
    RotationFrame f;
    const double radians = degrees * kPi / 180.0;
    f.cos = std::cos(radians);
    f.sin = std::sin(radians);
    // Pixel centres run from 0 to w − 1: the last row and column count.
    const double w = size.width() - 1;
    const double h = size.height() - 1;
    const double xs[] = {0.0, f.cos * w, f.cos * w + f.sin * h, f.sin * h};
    const double ys[] = {0.0, -f.sin * w, f.cos * h - f.sin * w, f.cos * h};
    const auto [minX, maxX] = std::minmax_element(std::begin(xs), std::end(xs));
    const auto [minY, maxY] = std::minmax_element(std::begin(ys), std::end(ys));
    f.size = QSize(static_cast<int>(*maxX - *minX + 1.5), static_cast<int>(*maxY - *minY + 1.5));
    // Rounding the size up leaves up to a pixel spare; sharing it on both
    // sides keeps the picture's centre in the middle of the new one.
    f.offX = -*minX + ((f.size.width() - 1) - (*maxX - *minX)) / 2.0;
    f.offY = -*minY + ((f.size.height() - 1) - (*maxY - *minY)) / 2.0;
    return f;
}

QImage asRgb32(const QImage& image)
{
    return image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
}

// Bilinear weights in 256ths.
inline QRgb blend4(QRgb a, QRgb b, QRgb c, QRgb d, int wx, int wy)
{
    const auto channel = [&](int shift) {
        const int top = int((a >> shift) & 0xFF) * (256 - wx) + int((b >> shift) & 0xFF) * wx;
        const int bottom = int((c >> shift) & 0xFF) * (256 - wx) + int((d >> shift) & 0xFF) * wx;
        return static_cast<QRgb>((top * (256 - wy) + bottom * wy + 32768) >> 16);
    };
    return 0xFF000000u | (channel(16) << 16) | (channel(8) << 8) | channel(0);
}

// The fixed-point position in 256ths, split into the whole pixel (floor) and
// the weight of the next one. Rounding first makes a position a hair short
// of a pixel centre read that pixel alone.
struct Sample {
    int whole;
    int weight;
};
inline Sample splitFixed(double position)
{
    const auto fixed = static_cast<std::int64_t>(std::llround(position * 256.0));
    return {static_cast<int>(fixed >> 8), static_cast<int>(fixed & 255)};
}

PicturePtr encodeRotated(const QImage& image)
{
    if (image.isNull())
        return nullptr;
    return Picture::fromJpegBytes(EncodeJpegFullChroma(image, kRotatedQuality));
}

QImage decodeFlattened(const PicturePtr& picture)
{
    if (!picture || picture->undecodable())
        return {};
    return FlattenOntoTopLeftColor(DecodeImage(picture->bytes()));
}

} // namespace

std::optional<ExactTurn> QuarterTurnOf(double degrees)
{
    const double turn = std::fmod(degrees, 360.0);
    const double positive = turn < 0 ? turn + 360.0 : turn;
    if (positive == 90.0)
        return ExactTurn::Left90;
    if (positive == 180.0)
        return ExactTurn::Half;
    if (positive == 270.0)
        return ExactTurn::Right90;
    return std::nullopt;
}

QSize TurnedSize(QSize size, ExactTurn turn)
{
    return turn == ExactTurn::Left90 || turn == ExactTurn::Right90 ? size.transposed() : size;
}

QImage TurnImage(const QImage& image, ExactTurn turn)
{
    if (image.isNull())
        return {};
    const QImage src = asRgb32(image);
    const int w = src.width();
    const int h = src.height();
    QImage dst(TurnedSize(src.size(), turn), QImage::Format_RGB32);
    if (dst.isNull())
        return {};
    // Where source pixel (x, y) lands.
    const auto target = [turn, w, h](int x, int y) -> QPoint {
        switch (turn) {
        case ExactTurn::Left90: return {y, w - 1 - x};
        case ExactTurn::Right90: return {h - 1 - y, x};
        case ExactTurn::Half: return {w - 1 - x, h - 1 - y};
        case ExactTurn::MirrorLeftRight: return {w - 1 - x, y};
        case ExactTurn::MirrorTopBottom: return {x, h - 1 - y};
        }
        return {x, y};
    };
    // In tiles, so that the columns a quarter turn writes stay in the cache.
    constexpr int kTile = 64;
    for (int ty = 0; ty < h; ty += kTile) {
        for (int tx = 0; tx < w; tx += kTile) {
            const int yEnd = std::min(h, ty + kTile);
            const int xEnd = std::min(w, tx + kTile);
            for (int y = ty; y < yEnd; ++y) {
                const auto* line = reinterpret_cast<const QRgb*>(src.constScanLine(y));
                for (int x = tx; x < xEnd; ++x) {
                    const QPoint p = target(x, y);
                    reinterpret_cast<QRgb*>(dst.scanLine(p.y()))[p.x()] = line[x];
                }
            }
        }
    }
    return dst;
}

QSize RotatedSize(QSize size, double degrees)
{
    return rotationFrame(size, degrees).size;
}

QImage RotateImage(const QImage& image, double degrees)
{
    if (image.isNull())
        return {};
    const RotationFrame f = rotationFrame(image.size(), degrees);
    if (!IsAcceptableImageSize(f.size))
        return {};
    const QImage src = asRgb32(image);
    QImage dst(f.size, QImage::Format_RGB32);
    if (src.isNull() || dst.isNull())
        return {};
    const int w = src.width();
    const int h = src.height();
    const QRgb background = kRotationBackground;
    const auto pixel = [&](int x, int y) -> QRgb {
        if (x < 0 || y < 0 || x >= w || y >= h)
            return background;
        return reinterpret_cast<const QRgb*>(src.constScanLine(y))[x];
    };
    for (int y = 0; y < dst.height(); ++y) {
        auto* out = reinterpret_cast<QRgb*>(dst.scanLine(y));
        const double dy = y - f.offY;
        // The source position of the row's first pixel; each step right
        // moves it by (cos, sin).
        const double rowX = -f.cos * f.offX - f.sin * dy;
        const double rowY = f.cos * dy - f.sin * f.offX;
        for (int x = 0; x < dst.width(); ++x) {
            const Sample sx = splitFixed(rowX + f.cos * x);
            const Sample sy = splitFixed(rowY + f.sin * x);
            if (sx.whole < -1 || sy.whole < -1 || sx.whole >= w || sy.whole >= h) {
                out[x] = background;
            } else if (sx.whole >= 0 && sy.whole >= 0 && sx.whole + 1 < w && sy.whole + 1 < h) {
                const auto* top = reinterpret_cast<const QRgb*>(src.constScanLine(sy.whole)) + sx.whole;
                const auto* bottom = reinterpret_cast<const QRgb*>(src.constScanLine(sy.whole + 1)) + sx.whole;
                out[x] = blend4(top[0], top[1], bottom[0], bottom[1], sx.weight, sy.weight);
            } else {
                // On the picture's border: the missing neighbours are background.
                out[x] = blend4(pixel(sx.whole, sy.whole), pixel(sx.whole + 1, sy.whole), pixel(sx.whole, sy.whole + 1),
                                pixel(sx.whole + 1, sy.whole + 1), sx.weight, sy.weight);
            }
        }
    }
    return dst;
}

PicturePtr TurnPicture(const PicturePtr& picture, ExactTurn turn)
{
    if (!picture)
        return nullptr;
    const QByteArray jpeg = TurnJpeg(picture->bytes(), turn);
    if (!jpeg.isEmpty()) {
        if (PicturePtr turned = Picture::fromJpegBytes(jpeg))
            return turned;
    }
    return encodeRotated(TurnImage(decodeFlattened(picture), turn));
}

PicturePtr RotatePicture(const PicturePtr& picture, double degrees)
{
    if (!picture)
        return nullptr;
    if (const std::optional<ExactTurn> turn = QuarterTurnOf(degrees))
        return TurnPicture(picture, *turn);
    if (std::fmod(degrees, 360.0) == 0.0)
        return picture;
    if (!IsAcceptableImageSize(RotatedSize(picture->pixelSize(), degrees)))
        return nullptr;
    return encodeRotated(RotateImage(decodeFlattened(picture), degrees));
}

} // namespace vq
