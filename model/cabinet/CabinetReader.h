#pragma once

#include <QString>
#include <QStringList>

class QObject;

namespace vq {

enum class ExtractStatus {
    Ok,
    NoDecompressor, // the decompression library could not be started
    Failed,         // not a cabinet, damaged, or a member could not be written
};

struct ExtractOptions {
    // Stop with Failed once this many bytes have been written in all; a
    // guard for untrusted input. Negative means no limit.
    qint64 maxBytesWritten = -1;
};

struct ExtractResult {
    ExtractStatus status = ExtractStatus::Failed;
    // File names (inside the destination folder) of the members written, in
    // cabinet order; on failure, those written before it.
    QStringList written;
    QString error;

    [[nodiscard]] bool ok() const { return status == ExtractStatus::Ok; }
};

// Extracts every member of `cabinetPath` into `destFolder`, creating the
// folder when needed. A member's name never acts as a path: it is reduced to
// SafeMemberFileName(), so nothing lands outside the folder, and an existing
// file of that name is replaced, never written through. Each file gets the
// member's time stamp (read as local time) and is made read-only when the
// member says so; it can still be deleted. A cabinet without members fails.
[[nodiscard]] ExtractResult ExtractCabinet(const QString& cabinetPath, const QString& destFolder,
                                           const ExtractOptions& options = {});

// The file name a member called `memberName` is written under: its last
// component after splitting at "/" and "\", or "unnamed" when that is empty,
// "." or "..". Shortened to fit 255 bytes of UTF-8.
[[nodiscard]] QString SafeMemberFileName(const QString& memberName);

// The most a document's cabinet of `cabinetBytes` may unpack to.
[[nodiscard]] qint64 UnpackLimit(qint64 cabinetBytes);

// The unpack job: extracts every member of the cabinet
// cabinetFolder/cabinetName into `extractFolder` and on success sets
// `dataFileName` (when given) to the file name of the last member written.
// On failure shows message 30036 with the prefix "[Make Context]\n" or
// "[File Copy]\n" (error style, owned by `owner`) and returns false.
bool RunUnpack(const QString& extractFolder, const QString& cabinetName, const QString& cabinetFolder,
               QString* dataFileName, QObject* owner = nullptr);

} // namespace vq
