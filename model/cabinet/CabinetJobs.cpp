#include "model/cabinet/CabinetJobs.h"

#include "model/Messages.h"
#include "model/cabinet/CabinetReader.h"
#include "model/cabinet/CabinetWriter.h"

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

bool RunUnpack(const QString& extractFolder, const QString& cabinetName, const QString& cabinetFolder,
               QString* dataFileName, QObject* owner)
{
    const ExtractResult result = ExtractCabinet(PathInFolder(cabinetFolder, cabinetName), extractFolder);
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
