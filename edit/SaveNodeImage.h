#pragma once

#include <QImage>
#include <QString>

class QObject;

namespace vq {

struct Report;

class Document;

// The image-file filter of the file dialogs: all image types, then each one;
// JPEG is the second entry.
[[nodiscard]] QString ImageFileFilter();
[[nodiscard]] QString JpegFileFilter();
// The filter of the dialogs that bring pictures in: ImageFileFilter's types,
// JPEG again second, then the types converted as they come in (WebP, HEIF,
// AVIF), which a picture can be added from but never saved as.
[[nodiscard]] QString AddImageFileFilter();

// A name typed without an extension is saved as JPEG, as the save dialog's
// default extension says.
[[nodiscard]] QString WithDefaultImageExtension(const QString& path);

// Node `index`'s picture at its own pixel size, upright and opaque 32-bit
// RGB; null when the node has no picture or it cannot be decoded.
[[nodiscard]] QImage RenderNodePicture(const Document& doc, int index);

enum class NodeImageSave {
    Saved,
    NoPicture,   // no such node, or it has no picture
    UnknownType, // the name's extension names no image type
    RenderFailed,
    WriteFailed,
};

// Writes node `index`'s picture, at its own pixel size, to `path` in the type
// its extension names (JPEG at quality 100). A JPEG picture saved as JPEG is
// written byte for byte, so it loses nothing to a second compression. The
// document is only read. Why a write failed, when it was the picture, is
// left in `failure`.
[[nodiscard]] NodeImageSave SaveNodeImage(const Document& doc, int index, const QString& path,
                                          Report* failure);

} // namespace vq
