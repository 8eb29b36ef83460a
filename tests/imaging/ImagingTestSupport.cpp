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

} // namespace vq::test
