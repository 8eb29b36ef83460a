#pragma once

#include "base/Report.h"

#include <optional>

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

class QMimeData;
class QObject;

namespace vq {

// An address that names an image, and the image's type name.
struct UrlImage {
    QString url;
    QString type; // as AddableImageTypeFromPath gives it; empty when none was found
};

// The type of a dropped address from its ending (".jpeg", ".jpg", ".gif",
// ".bmp", ".png", ".tif", ".tiff", then ".webp", ".heic", ".heif", ".avif",
// any case). Failing that, an image address embedded in it (a search
// result's link to the picture) replaces it, the extensions tried in the
// same order. With no
// type the address comes back unchanged and is not to be used.
[[nodiscard]] UrlImage ImageTypeFromUrl(const QString& url);

// The last "http://" or "https://" address in `url` that ends at the first
// "." + `ext`, percent-decoded until no "%" is left; empty when there is none.
[[nodiscard]] QString FindEmbeddedImageUrl(const QString& url, const QString& ext);

// Percent-decoding as Japanese browsers wrote addresses: "%e3" (lower case)
// starts a three-byte UTF-8 character; any other escape is a Shift-JIS byte,
// a lead byte taking the next escape as its trail byte. Characters that have
// no Shift-JIS form become a space. Empty when an escape is cut short.
[[nodiscard]] QString DecodeUrl(const QString& text);

// One accepted file of a drop or a file selection.
struct ImageFile {
    QString path;
    QString type;
};

// The files of `paths` that can become nodes, in order: folders, missing files
// and files of other types are skipped. With `firstOnly` the walk ends at the
// first accepted file, which is all a drop on a node replaces.
[[nodiscard]] QList<ImageFile> AcceptedImageFiles(const QStringList& paths, bool firstOnly = false);

// More files than one drop or selection may add; the excess is left out.
inline constexpr int kMaxFilesAtOnce = 10000;

// What a file-manager drop brings.
struct FileDrop {
    // False when nothing was dropped or the notification belonged to a
    // browser drop already handled. True with no images when every file was
    // skipped: a drop on a node still asks to replace, and fails to load.
    bool handled = false;
    QList<ImageFile> images;
    // Told before the images are added: too many files came at once.
    std::optional<Report> tooMany;
};

enum class DropKind {
    Ignore, // nothing the canvas takes
    Url,    // download `url` as `type`
    Image,  // take `image`, with `source` as the node's source text
    Files,  // add or replace from `files`
};

struct DropDecision {
    DropKind kind = DropKind::Ignore;
    QString url;
    QString type;
    QString source;
    QImage image;
    FileDrop files;
};

// Decides what one drop onto the canvas is, preferring a web address, then
// image data, then local files. A file list that comes with a web address
// belongs to the browser and is not added as well.
class DropHandler {
public:
    // One drop; `onNode` when it landed on a node (a file drop then only
    // needs its first image).
    [[nodiscard]] DropDecision OnDrop(const QMimeData& data, bool onNode);

    // The file-manager notification of a drop. Ignored, and the guard
    // cleared, while the address of a browser drop is pending. More than
    // 9999 files are cut to the first 10000 with the too-many report.
    [[nodiscard]] FileDrop OnDropFiles(const QStringList& paths, bool onNode);

    // The address of the last browser drop, until its file notification
    // or the end of adding files.
    [[nodiscard]] const QString& PendingDropText() const { return m_pendingDropText; }
    void ClearPendingDropText() { m_pendingDropText.clear(); }

private:
    QString m_pendingDropText;
};

// The first address other than a local file in a drop's URL list, as the
// dropping program wrote it; empty when there is none.
[[nodiscard]] QString DroppedUrlText(const QMimeData& data);
// The local files of a drop's URL list, in order.
[[nodiscard]] QStringList DroppedLocalFiles(const QMimeData& data);

} // namespace vq
