#include "model/cabinet/CabinetJobs.h"

#include "model/Messages.h"
#include "model/cabinet/CabinetReader.h"
#include "model/cabinet/CabinetWriter.h"

#include <QFileInfo>

#include <algorithm>

namespace vq {

namespace {

constexpr int kMsgNoWriteAccess = 30035;
constexpr int kMsgUnpackFailed = 30036;

} // namespace

QString PathInFolder(const QString& folder, const QString& name)
{
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

bool RunPack(const QString& sourcePath, const QString& memberName, const QString& destFolder, QObject* owner)
{
    if (WriteCabinet(PathInFolder(destFolder, memberName), sourcePath, memberName))
        return true;
    ShowMessage(kMsgNoWriteAccess, owner, QString(), kStyleInfo);
    return false;
}

qint64 UnpackLimit(qint64 cabinetBytes)
{
    // A document is mostly JPEG data, which deflate barely shrinks, and
    // records that shrink well but are small. Far more than that is a cabinet
    // made to fill the disk (members can even share one folder's data).
    constexpr qint64 kSlack = qint64(64) << 20;
    return std::max<qint64>(cabinetBytes, 0) * 64 + kSlack;
}

bool RunUnpack(const QString& extractFolder, const QString& cabinetName, const QString& cabinetFolder,
               QString* dataFileName, QObject* owner)
{
    const QString cabinet = PathInFolder(cabinetFolder, cabinetName);
    const ExtractResult result = ExtractCabinet(cabinet, extractFolder, {.maxBytesWritten = UnpackLimit(QFileInfo(cabinet).size())});
    switch (result.status) {
    case ExtractStatus::Ok:
        if (dataFileName && !result.written.isEmpty())
            *dataFileName = result.written.back();
        return true;
    case ExtractStatus::NoDecompressor:
        ShowMessage(kMsgUnpackFailed, owner, QStringLiteral("[Make Context]\n"), kStyleError);
        return false;
    case ExtractStatus::Failed:
        break;
    }
    ShowMessage(kMsgUnpackFailed, owner, QStringLiteral("[File Copy]\n"), kStyleError);
    return false;
}

} // namespace vq
