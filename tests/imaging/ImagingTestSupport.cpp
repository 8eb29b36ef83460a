#include "tests/imaging/ImagingTestSupport.h"

#include "imaging/GifWriter.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>

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

QImage DecodeJpeg(const QByteArray& bytes)
{
    return QImage::fromData(bytes, "JPEG");
}

} // namespace vq::test
