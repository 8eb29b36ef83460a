#include "app/ExportCommands.h"

#include "app/MainWindow.h"
#include "app/Application.h"
#include "app/DocumentController.h"
#include "shell/ShellUtilities.h"
#include "dialogs/JpegQualityDialog.h"
#include "edit/ExportImage.h"
#include "model/Document.h"
#include "view/BackgroundWork.h"
#include "view/Prompts.h"
#include "resources/CommandIds.h"
#include "view/CanvasView.h"
#include "base/WaitCursor.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

namespace vq {

namespace {

constexpr float kFullSize = 1.0f;

QWidget* ownerWidget(QObject* owner)
{
    if (auto* w = qobject_cast<QWidget*>(owner))
        return w;
    return QApplication::activeWindow();
}

} // namespace

std::optional<int> DialogExportAsker::chooseQuality(QObject* owner)
{
    JpegQualityDialog dialog(m_settings, ownerWidget(owner));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.quality();
}

bool ExportCanvasImage(MainWindow& frame, ExportAsker& asker)
{
    Application& app = frame.app();
    const Document& doc = app.doc();
    QObject* owner = &frame;
    const QString documentPath = app.document().path();

    const QStringList filters = ExportFilters();
    FileRequest request;
    request.title = QStringLiteral("保存するファイルを指定");
    request.filter = filters.join(QStringLiteral(";;"));
    request.selectedFilter = filters.value(kExportJpegFilter - 1);
    request.directory = documentPath.isEmpty() ? QDir::homePath() : QFileInfo(documentPath).absolutePath();
    request.suggestedName = ProposedExportName(documentPath);
    request.owner = owner;
    // The export asks its own overwrite question, after the quality.
    request.confirmOverwrite = false;
    const SaveChoice choice = prompter().saveFile(request);
    if (choice.path.isEmpty())
        return false;
    const int filterIndex = int(filters.indexOf(choice.filter)) + 1;
    const QString path = CompleteExportPath(choice.path, filterIndex);
    const std::optional<ExportTarget> target = ExportTargetFor(filterIndex, path);
    if (!target) {
        // Saying nothing would leave the user believing the file was written.
        ShowMessage(kMsgWrongFormat, owner, path + QLatin1Char('\n'), kStyleError);
        return false;
    }

    int quality = 100;
    if (filterIndex == kExportJpegFilter) {
        const std::optional<int> chosen = asker.chooseQuality(owner);
        if (!chosen)
            return false;
        quality = *chosen;
    }
    if (QFileInfo::exists(path) && ShowMessage(kMsgOverwrite, owner, {}, kStyleYesNo) != kIdYes)
        return false;

    float zoom = kFullSize;
    if (doc.state.zoom != kFullSize) {
        const int answer = ShowMessage(kMsgSaveAtZoom, owner, {}, kStyleYesNoCancel);
        if (answer != kIdYes && answer != kIdNo)
            return false;
        if (answer == kIdYes)
            zoom = doc.state.zoom;
    }

    ExportResult result = ExportResult::WriteFailed;
    Report failure;
    {
        const WaitCursor wait;
        // Every picture decoded and the file encoded: seconds for a large
        // canvas, during which the window goes on painting.
        RunWhileWindowsPaint([&] {
            result = ExportCanvas(doc, app.sys(), frame.canvas()->rangeMode(), zoom, path, *target, quality, &failure);
        });
    }
    switch (result) {
    case ExportResult::NoMemory:
        ShowMessage(kMsgOutOfMemory, owner, {}, kStyleError);
        return false;
    case ExportResult::WriteFailed:
        // The bitmap writer's report names the failed step and says it all.
        ShowMessage(failure, owner);
        if (target->bmpFormat == 0)
            ShowMessage(kMsgSaveFailed, owner, path + QLatin1Char('\n'), kStyleError);
        return false;
    case ExportResult::Saved:
        break;
    }
    if (ShowMessage(kMsgSavedShowFolder, owner, {}, kStyleYesNo) == kIdYes)
        ShowFolderInExplorer(path, owner);
    return true;
}

void wireExportCommands(MainWindow& frame, std::shared_ptr<ExportAsker> asker)
{
    if (!asker)
        asker = std::make_shared<DialogExportAsker>(frame.app().settings());
    frame.registerHandler(cmd::SaveAsImage, [&frame, asker] { ExportCanvasImage(frame, *asker); });
}

} // namespace vq
