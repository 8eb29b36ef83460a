#include "app/NodeImageCommands.h"

#include "app/MainWindow.h"
#include "app/Application.h"
#include "shell/ShellUtilities.h"
#include "edit/SaveNodeImage.h"
#include "model/Document.h"
#include "view/Prompts.h"
#include "base/Prompter.h"
#include "base/TextUtil.h"
#include "resources/CommandIds.h"

#include <QDir>
#include <QFileInfo>

namespace vq {

namespace {

void saveMainNodeImage(MainWindow& frame)
{
    const Document& doc = frame.app().doc();
    if (!doc.hasMainSelection() || !doc.nodes[doc.state.mainIndex].picture)
        return;
    const int index = doc.state.mainIndex;

    FileRequest request;
    request.title = QStringLiteral("保存するファイルを指定");
    request.filter = ImageFileFilter();
    request.directory = QDir::homePath();
    request.suggestedName = QStringLiteral("無題");
    request.owner = &frame;
    request.selectedFilter = JpegFileFilter();
    request.defaultSuffix = QStringLiteral("jpeg");
    // kMsgOverwrite is our own question; the dialog must not ask it first.
    request.confirmOverwrite = false;
    const QString chosen = prompter().saveFile(request).path;
    if (chosen.isEmpty())
        return;
    const QString path = WithDefaultImageExtension(chosen);
    // A name that is no image type saves nothing, and says nothing.
    if (ImageTypeFromPath(QFileInfo(path).fileName()).isEmpty())
        return;
    if (QFileInfo::exists(path) && ShowMessage(kMsgOverwrite, &frame, {}, kStyleYesNo) != kIdYes)
        return;
    Report failure;
    const NodeImageSave saved = SaveNodeImage(doc, index, path, &failure);
    if (saved == NodeImageSave::WriteFailed) {
        ShowMessage(failure, &frame);
        // The writer says nothing of its own; without this the user could not tell.
        ShowMessage(kMsgSaveFailed, &frame, path + QLatin1Char('\n'), kStyleError);
        return;
    }
    if (saved == NodeImageSave::RenderFailed)
        ShowMessage(failure, &frame);
    if (saved != NodeImageSave::Saved)
        return;
    if (ShowMessage(kMsgSavedShowFolder, &frame, {}, kStyleYesNo) != kIdNo)
        ShowFolderInExplorer(path, &frame);
}

} // namespace

void wireNodeImageCommands(MainWindow& frame)
{
    frame.registerHandler(cmd::SaveImageToFile, [&frame] { saveMainNodeImage(frame); });
}

} // namespace vq
