#pragma once

#include <QString>

namespace vq {

// Saves the image on the clipboard as a file of `type` (see
// SaveBitmapAsImageFile) at quality 100, unflipped. False without a message
// when the clipboard holds no image or there is no GUI application; other
// failures show message 30027 behind a prefix naming the failed step.
bool SaveClipboardImage(const QString& path, const QString& type);

// Puts `text` on the clipboard. With `keepExisting`, an image already there
// stays alongside the text in one set of data, so other programs still see the
// image; otherwise the text replaces whatever was there.
void PutTextOnClipboard(const QString& text, bool keepExisting);

} // namespace vq
