#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QObject;

namespace vq {

struct Report;

class Document;
struct RangeMode;
struct SysSettings;

// The export's file types, numbered as its type list numbers them: 1..8 are
// the bitmap formats of WriteBmpFile, then these.
inline constexpr int kExportJpegFilter = 9;
inline constexpr int kExportGifFilter = 10;
inline constexpr int kExportPngFilter = 11;
inline constexpr int kExportTiffFilter = 12;
inline constexpr int kExportFilterCount = 12;

// The twelve entries of the type list, in order, as Qt name filters.
[[nodiscard]] QStringList ExportFilters();

// The file name the export proposes for a document at `documentPath`: its
// name up to the last dot, without line breaks; "無題" for a new document.
[[nodiscard]] QString ProposedExportName(const QString& documentPath);

// A name typed without an extension takes the chosen type's, as the desktop's
// own save dialogs do.
[[nodiscard]] QString CompleteExportPath(const QString& path, int filterIndex);

struct ExportTarget {
    int bmpFormat = 0; // 1..8 writes that bitmap format; 0 uses `type`
    QString type;      // "jpeg", "gif", "png", "tiff" or "bmp"

    [[nodiscard]] bool isJpeg() const { return bmpFormat == 0 && type == QLatin1String("jpeg"); }
};

// What `path` chosen with `filterIndex` writes. A bitmap format is written
// whatever the name; any other choice writes the type the name's extension
// names (".jpg" and ".tif" included). Nothing when it names no image type.
[[nodiscard]] std::optional<ExportTarget> ExportTargetFor(int filterIndex, const QString& path);

enum class ExportResult {
    Saved,
    NoMemory,    // the canvas image cannot be held; nothing was written
    WriteFailed, // the writer failed (the bitmap writer has said why)
};

// Draws the canvas at `zoom` as output shows it (background, nodes and their
// frames, the range frame of `mode`, the overlap marking when `sys` asks for
// it, no handles) and writes it to `path`. `quality` applies to JPEG only. The
// document is only read: its zoom and selection are the user's. A failed
// write leaves what the writer found wrong in `failure`, when given.
[[nodiscard]] ExportResult ExportCanvas(const Document& doc, const SysSettings& sys, const RangeMode& mode, float zoom,
                                        const QString& path, const ExportTarget& target, int quality,
                                        Report* failure = nullptr);

} // namespace vq
