#pragma once

#include "imaging/Picture.h"

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QString>

namespace vq {
class Document;
}

namespace vq::test {

// Appends a node without a picture at centre (cx, cy) with the given half
// sides, selected or not, for tests of geometry alone; returns its index.
int placeNode(Document& doc, int cx, int cy, int halfWidth, int halfHeight, bool selected);

// `image` encoded as JPEG by Qt's writer at `quality`.
[[nodiscard]] QByteArray jpegBytes(const QImage& image, int quality);
// Reflected CRC-32 of `bytes`, as zlib computes it.
[[nodiscard]] quint32 crc32Of(const QByteArray& bytes);

// JPEG bytes of a w x h picture filled with `color` and a diagonal stripe.
[[nodiscard]] QByteArray makeJpeg(int w, int h, QColor color = QColor(200, 80, 40));
// Writes `bytes` to `path`; false on failure.
bool writeFile(const QString& path, const QByteArray& bytes);
[[nodiscard]] QByteArray readFile(const QString& path);

// A w x h picture whose red grows to the right and green downwards: every
// pixel differs from its neighbours, so a shifted or mirrored copy shows.
[[nodiscard]] QImage gradientImage(int w, int h, int blue = 60);
// The largest difference of any channel of any pixel; 256 for pictures of
// different sizes, so a wrong size never passes as "close enough".
[[nodiscard]] int largestChannelDifference(const QImage& a, const QImage& b);
// True when both pictures have one size and no channel differs by more than `tolerance`.
[[nodiscard]] bool nearlyEqual(const QImage& a, const QImage& b, int tolerance);

// A JPEG picture (quality 90) with detail in every direction, so a wrong
// turn or mirror shows.
[[nodiscard]] PicturePtr texturedPhoto(int w, int h);
// A picture's pixels, decoded as 32-bit RGB.
[[nodiscard]] QImage decodedPixels(const PicturePtr& picture);

} // namespace vq::test
