#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QString>

namespace vq::test {

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

} // namespace vq::test
