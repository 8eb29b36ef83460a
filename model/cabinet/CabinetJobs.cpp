#include "model/cabinet/CabinetJobs.h"

#include "model/DataFile.h"
#include "model/DocState.h"
#include "base/Report.h"
#include "model/RecordCodec.h"
#include "model/cabinet/CabinetReader.h"
#include "model/cabinet/CabinetWriter.h"

#include <QFileInfo>

namespace vq {

QString PathInFolder(const QString& folder, const QString& name)
{
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

bool RunPack(const QString& sourcePath, const QString& memberName, const QString& destFolder, Report* failure,
             const ReplaceOptions& placement)
{
    ReplaceOptions options = placement;
    if (options.fallbackFolder.isEmpty())
        options.fallbackFolder = QFileInfo(sourcePath).absolutePath();
    const auto write = [&](const QString& cabinet) { return WriteCabinet(cabinet, sourcePath, memberName); };
    if (ReplaceFile(PathInFolder(destFolder, memberName), write, options) != ReplaceOutcome::Failed)
        return true;
    Record(failure, {kMsgNoWriteAccess, QString(), kStyleInfo});
    return false;
}

qint64 MaxDataFileBytes()
{
    constexpr qint64 kLengthField = 4;
    constexpr qint64 kLongestPicture = 0xFFFFFFFFLL;
    constexpr qint64 kPictures = kMaxNodes + 1; // the nodes' and the background
    return kDataFileMagicBytes + kDocStateBytes + kLengthField + qint64(kMaxNodes) * kNodeRecordBytes
           + kPictures * (kLengthField + kLongestPicture);
}

bool RunUnpack(const QString& extractFolder, const QString& cabinetName, const QString& cabinetFolder,
               QString* dataFileName, Report* failure, const UnpackLimits& limits)
{
    const QString cabinet = PathInFolder(cabinetFolder, cabinetName);
    const ExtractResult result =
        ExtractCabinet(cabinet, extractFolder, {.maxBytesWritten = limits.maxBytes, .freeSpace = limits.freeSpace});
    switch (result.status) {
    case ExtractStatus::Ok:
        if (dataFileName && !result.written.isEmpty())
            *dataFileName = result.written.back();
        return true;
    case ExtractStatus::NoDecompressor:
        Record(failure, {kMsgUnpackFailed, QStringLiteral("[Make Context]\n"), kStyleError});
        return false;
    case ExtractStatus::Failed:
        break;
    }
    Record(failure, {kMsgUnpackFailed, QStringLiteral("[File Copy]\n"), kStyleError});
    return false;
}

} // namespace vq
