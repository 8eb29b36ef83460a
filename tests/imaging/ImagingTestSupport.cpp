#include "tests/imaging/ImagingTestSupport.h"

#include "imaging/GifWriter.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>

#include <gtest/gtest.h>

#include <cstdlib>

namespace vq::test {

QImage QuadrantImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const bool left = x < width / 2;
            const bool top = y < height / 2;
            line[x] = top ? (left ? kTopLeft : kTopRight) : (left ? kBottomLeft : kBottomRight);
        }
    }
    return image;
}

Quadrants SampleQuadrants(const QImage& image)
{
    const int w = image.width();
    const int h = image.height();
    return {image.pixel(w / 4, h / 4), image.pixel(3 * w / 4, h / 4), image.pixel(w / 4, 3 * h / 4),
            image.pixel(3 * w / 4, 3 * h / 4)};
}

bool Near(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance
        && std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

QByteArray Encode(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (qstrcmp(format, "gif") == 0)
        return WriteGif(image, buffer) ? bytes : QByteArray();
    QImageWriter writer(&buffer, format);
    return writer.write(image) ? bytes : QByteArray();
}

bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A small but complete JPEG stream whose frame header claims another size.
QByteArray JpegClaiming(int width, int height)
{
    QByteArray bytes = Encode(QuadrantImage(16, 16), "jpeg");
    qsizetype i = 2;
    while (i + 9 <= bytes.size() && quint8(bytes[i]) == 0xFF) {
        const unsigned marker = quint8(bytes[i + 1]);
        if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2) {
            bytes[i + 5] = char(height >> 8);
            bytes[i + 6] = char(height);
            bytes[i + 7] = char(width >> 8);
            bytes[i + 8] = char(width);
            return bytes;
        }
        i += 2 + (quint8(bytes[i + 2]) << 8 | quint8(bytes[i + 3]));
    }
    ADD_FAILURE() << "no frame header in the encoded JPEG";
    return {};
}

QImage DecodeJpeg(const QByteArray& bytes)
{
    return QImage::fromData(bytes, "JPEG");
}

QImage StoredForOrientation(const QImage& upright, int orientation)
{
    const int w = upright.width();
    const int h = upright.height();
    const bool transposed = orientation >= 5;
    const int sw = transposed ? h : w;
    const int sh = transposed ? w : h;
    QImage stored(sw, sh, QImage::Format_RGB32);
    for (int sy = 0; sy < sh; ++sy) {
        for (int sx = 0; sx < sw; ++sx) {
            // Where stored pixel (sx, sy) shows: the tag says on which side
            // of the shown picture stored row 0 and stored column 0 lie.
            int x = sx;
            int y = sy;
            switch (orientation) {
            case 2: x = w - 1 - sx; break;                  // row 0 top, column 0 right
            case 3: x = w - 1 - sx; y = h - 1 - sy; break;  // row 0 bottom, column 0 right
            case 4: y = h - 1 - sy; break;                  // row 0 bottom, column 0 left
            case 5: x = sy; y = sx; break;                  // row 0 left, column 0 top
            case 6: x = w - 1 - sy; y = sx; break;          // row 0 right, column 0 top
            case 7: x = w - 1 - sy; y = h - 1 - sx; break;  // row 0 right, column 0 bottom
            case 8: x = sy; y = h - 1 - sx; break;          // row 0 left, column 0 bottom
            default: break;
            }
            stored.setPixel(sx, sy, upright.pixel(x, y));
        }
    }
    return stored;
}

QByteArray ExifSegment(int orientation, bool bigEndian)
{
    QByteArray tiff;
    const auto u16 = [&](int v) {
        if (bigEndian)
            tiff.append(char((v >> 8) & 0xFF)).append(char(v & 0xFF));
        else
            tiff.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF));
    };
    const auto u32 = [&](quint32 v) {
        if (bigEndian) {
            u16(int(v >> 16));
            u16(int(v & 0xFFFF));
        } else {
            u16(int(v & 0xFFFF));
            u16(int(v >> 16));
        }
    };
    tiff.append(bigEndian ? "MM" : "II");
    u16(42);
    u32(8); // first directory right after the header
    u16(2); // two entries
    // Make, ASCII, 8 bytes stored after the directory.
    u16(0x010F);
    u16(2);
    u32(8);
    u32(8 + 2 + 2 * 12 + 4);
    // Orientation, SHORT, one value.
    u16(0x0112);
    u16(3);
    u32(1);
    u16(orientation);
    u16(0);
    u32(0); // no next directory
    tiff.append("Phonecam", 8);
    QByteArray segment("\xFF\xE1", 2);
    const int length = 2 + 6 + int(tiff.size());
    segment.append(char(length >> 8)).append(char(length & 0xFF));
    segment.append("Exif\0\0", 6);
    segment.append(tiff);
    return segment;
}

QByteArray WithSegment(const QByteArray& jpeg, const QByteArray& segment)
{
    QByteArray out = jpeg;
    out.insert(2, segment);
    return out;
}

QByteArray TaggedPhoto(const QImage& upright, int orientation, bool bigEndian)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(95);
    EXPECT_TRUE(writer.write(StoredForOrientation(upright, orientation)));
    return WithSegment(bytes, ExifSegment(orientation, bigEndian));
}

} // namespace vq::test
