#include "tests/support/Fixtures.h"

#include "imaging/ImageDecode.h"
#include "model/Document.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QPainter>

#include <algorithm>
#include <cstdlib>

namespace vq::test {

int placeNode(Document& doc, int cx, int cy, int halfWidth, int halfHeight, bool selected)
{
    const int index = doc.state.nodeCount;
    NodeRecord& n = doc.nodes[index];
    n = NodeRecord{};
    n.centerX = cx;
    n.centerY = cy;
    n.halfWidth = halfWidth;
    n.halfHeight = halfHeight;
    doc.screen[index].selected = selected ? 1 : 0;
    ++doc.state.nodeCount;
    return index;
}

QByteArray makeJpeg(int w, int h, QColor color)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(color);
    {
        QPainter p(&image);
        p.setPen(QPen(Qt::black, 3));
        p.drawLine(0, 0, w, h);
    }
    return jpegBytes(image, 90);
}

QByteArray jpegBytes(const QImage& image, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    writer.write(image);
    return bytes;
}

quint32 crc32Of(const QByteArray& bytes)
{
    quint32 crc = 0xffffffffu;
    for (const char c : bytes) {
        crc ^= quint8(c);
        for (int i = 0; i < 8; ++i)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QImage gradientImage(int w, int h, int blue)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            row[x] = qRgb(x * 255 / w, y * 255 / h, blue);
    }
    return image;
}

int largestChannelDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return 256;
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q))});
        }
    return worst;
}

bool nearlyEqual(const QImage& a, const QImage& b, int tolerance)
{
    return largestChannelDifference(a, b) <= tolerance;
}

PicturePtr texturedPhoto(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb((x * 7 + y) % 256, (y * 5) % 256, (x * y) % 256));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    writer.write(image);
    return Picture::fromJpegBytes(bytes);
}

QImage decodedPixels(const PicturePtr& picture)
{
    return DecodeImage(picture->bytes()).convertToFormat(QImage::Format_RGB32);
}

} // namespace vq::test
