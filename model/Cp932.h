#pragma once

#include <QByteArray>
#include <QString>

namespace vq {

// Code page 932 (Shift-JIS) conversion through iconv. A character that has no
// code page 932 form becomes "?" so that the result is always well formed.
[[nodiscard]] QByteArray toCp932(const QString& text);
// Bytes that do not decode become U+FFFD.
[[nodiscard]] QString fromCp932(const QByteArray& bytes);

} // namespace vq
