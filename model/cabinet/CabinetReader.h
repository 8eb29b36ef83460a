#pragma once

#include "model/cabinet/PosixFile.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace vq {

struct Report;

enum class ExtractStatus {
    Ok,
    NoDecompressor, // the decompression library could not be started
    Failed,         // not a cabinet, damaged, or a member could not be written
};

// Guards for untrusted input. Whatever they say, no member is let write more
// than the size it declares.
struct ExtractOptions {
    // Fail, before writing anything, when the members declare more than this
    // in all, and stop once this much has been written. Negative: no limit.
    qint64 maxBytesWritten = -1;
    // Free bytes on the disk holding the destination folder (negative when
    // unknown); when given, members that declare more fail before writing.
    std::function<qint64(const QString& folder)> freeSpace{};
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
// member says so; it can still be deleted. A cabinet without members fails;
// a member stopped half-way is removed again.
[[nodiscard]] ExtractResult ExtractCabinet(const QString& cabinetPath, const QString& destFolder,
                                           const ExtractOptions& options = {});

// The file name a member called `memberName` is written under: its last
// component after splitting at "/" and "\", or "unnamed" when that is empty,
// "." or "..". Shortened to fit 255 bytes of UTF-8.
[[nodiscard]] QString SafeMemberFileName(const QString& memberName);

// The largest data file the document format can describe: the magic, the
// state, the node count, every node record, and the background and each
// node's picture at the largest length their fields can give.
[[nodiscard]] qint64 MaxDataFileBytes();

// What a document's cabinet may unpack to.
struct UnpackLimits {
    qint64 maxBytes = MaxDataFileBytes();
    // Free bytes on the disk holding a folder; -1 when unknown.
    std::function<qint64(const QString& folder)> freeSpace = cab::FreeDiskSpace;
};

// The unpack job: extracts every member of the cabinet
// cabinetFolder/cabinetName into `extractFolder` and on success sets
// `dataFileName` (when given) to the file name of the last member written.
// A cabinet whose members declare more than `limits` allow, or more than the
// folder's disk has free, is refused before anything is written. On failure
// returns false with the unpack-failed report, prefixed "[Make Context]\n" or
// "[File Copy]\n", in `failure` when given.
bool RunUnpack(const QString& extractFolder, const QString& cabinetName, const QString& cabinetFolder,
               QString* dataFileName, Report* failure, const UnpackLimits& limits = {});

} // namespace vq
