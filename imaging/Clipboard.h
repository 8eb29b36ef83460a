#pragma once

#include "base/Report.h"

#include <QImage>
#include <QString>

class QMimeData;

namespace vq {

// Saves the image on the clipboard as a file of `type` (see
// SaveBitmapAsImageFile) at quality 100, unflipped. False without a message
// when the clipboard holds no image or there is no GUI application; other
// failures append, in the order they arose, the paste-failed report behind a
// prefix naming the failed step to `reports`, when given.
bool SaveClipboardImage(const QString& path, const QString& type, Reports* reports = nullptr);

// True when clipboard or drop data offers an image: one Qt can make, or
// JPEG, HEIF, AVIF or WebP data, which UprightImageFromMime decodes itself.
[[nodiscard]] bool MimeOffersImage(const QMimeData& data);

// The image that clipboard or drop data offers, upright and in sRGB: JPEG,
// HEIF, AVIF and WebP data is decoded by DecodeImageUpright (turned as its
// orientation asks, converted from its profile, four-colour inks read as
// they are stored); anything else is the image Qt makes of the data,
// converted from the profile its PNG data embeds. Null when there is none.
[[nodiscard]] QImage UprightImageFromMime(const QMimeData& data);

// Puts `text` on the clipboard. With `keepExisting`, an image already there
// stays alongside the text in one set of data, so other programs still see the
// image; otherwise the text replaces whatever was there.
void PutTextOnClipboard(const QString& text, bool keepExisting);

} // namespace vq
