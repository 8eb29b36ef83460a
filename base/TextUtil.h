#pragma once

#include <QString>

namespace vq {

// "jpeg", "gif", "bmp", "png", "tiff" from a file name's extension; empty otherwise.
[[nodiscard]] QString ImageTypeFromPath(const QString& path);
// The type of a picture that may be added, from a file name's extension:
// those of ImageTypeFromPath, and "webp", "heif" (".heic", ".heif") and
// "avif", which are converted as they come in; empty otherwise.
[[nodiscard]] QString AddableImageTypeFromPath(const QString& path);

// Thousands commas for texts of 4 to 9 digits; other lengths unchanged.
[[nodiscard]] QString FormatThousands(const QString& digits);

// The folder part of a path (everything before its last "/").
[[nodiscard]] QString FolderOf(const QString& path);

} // namespace vq
