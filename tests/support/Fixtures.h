#pragma once

#include <QByteArray>
#include <QColor>
#include <QString>

namespace vq::test {

// JPEG bytes of a w x h picture filled with `color` and a diagonal stripe.
[[nodiscard]] QByteArray makeJpeg(int w, int h, QColor color = QColor(200, 80, 40));
// Writes `bytes` to `path`; false on failure.
bool writeFile(const QString& path, const QByteArray& bytes);
[[nodiscard]] QByteArray readFile(const QString& path);

} // namespace vq::test
