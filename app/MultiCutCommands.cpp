#include "app/MultiCutCommands.h"

#include "app/MainWindow.h"
#include "app/StatusBarProgress.h"
#include "app/StatusBar.h"
#include "app/Application.h"
#include "shell/ShellUtilities.h"
#include "dialogs/MultiCutWindow.h"
#include "edit/AddImages.h"
#include "edit/EditSession.h"
#include "edit/MultiCut.h"
#include "edit/RangeModeControl.h"
#include "model/Document.h"
#include "view/Prompts.h"
#include "base/Settings.h"
#include "base/WaitCursor.h"
#include "resources/CommandIds.h"

namespace vq {

namespace {

// A multi-cut that has ended leaves no guide behind that says it still runs.
void clearMultiCutGuide(MainWindow& frame)
{
    StatusBar* bar = frame.statusPanes();
    if (bar && bar->guideText() == RangeModeGuide(RangeKind::MultiCut))
        bar->ShowGuideText({});
}

void tilesToNodes(MainWindow& frame, const QImage& rendered)
{
    Application& app = frame.app();
    StatusBarProgress progress(frame.statusPanes());
    {
        const WaitCursor wait;
        Report full;
        CutTilesToNodes(app.edits(), app.sys(), rendered, &progress, &full);
        if (full.id != 0)
            ShowMessage(full, &frame);
    }
    if (!app.edits().mode().active()) {
        LeaveRangeMode(app.edits());
        clearMultiCutGuide(frame);
    }
}

void tilesToFiles(MainWindow& frame, const QImage& rendered)
{
    Application& app = frame.app();
    Settings& settings = app.settings();
    const QString stored = settings.text(keys::SaveFolder);
    QString folder = ChooseFolder(stored, &frame);
    if (folder.isEmpty())
        return;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    if (folder != stored)
        settings.setText(keys::SaveFolder, folder);
    StatusBarProgress progress(frame.statusPanes());
    TileFilesResult result;
    {
        const WaitCursor wait;
        result = CutTilesToFiles(app.doc(), app.edits().mode(), app.sys(), rendered, folder, &progress);
    }
    if (!result.ran)
        return;
    ShowMessages(result.reports, &frame);
    if (result.failed > 0) {
        // "Saved successfully" would be untrue; name the first tile that was not.
        ShowMessage(kMsgSaveFailed, &frame, result.firstFailure + QLatin1Char('\n'), kStyleError);
        return;
    }
    if (ShowMessage(kMsgSavedShowFolder, &frame, {}, kStyleYesNo) != kIdNo)
        ShowFolderInExplorer(folder, &frame);
}

void executeMultiCut(MainWindow& frame)
{
    Application& app = frame.app();
    const RangeMode& mode = app.edits().mode();
    if (!mode.active() || mode.modeKind != RangeKind::MultiCut)
        return;
    QImage rendered;
    {
        const WaitCursor wait;
        rendered = RenderModePicture(app.doc(), mode);
    }
    if (rendered.isNull()) {
        // The picture decoded when it came in; what fails now is the memory.
        ShowMessage(kMsgOutOfMemory, &frame, {}, kStyleError);
        return;
    }
    switch (ShowMessage(kMsgCreateSeparately, &frame, {}, kStyleYesNoCancel)) {
    case kIdYes: tilesToNodes(frame, rendered); break;
    case kIdNo: tilesToFiles(frame, rendered); break;
    default: break;
    }
}

} // namespace

MultiCutWindow& multiCutWindowOf(MainWindow& frame)
{
    if (auto* window = frame.findChild<MultiCutWindow*>(QString(), Qt::FindDirectChildrenOnly))
        return *window;
    Application& app = frame.app();
    return *new MultiCutWindow(app.edits(), app.sys(), app.settings(), &frame);
}

void wireMultiCutCommands(MainWindow& frame)
{
    frame.registerHandler(cmd::MultiExecute, [&frame] { executeMultiCut(frame); });
    frame.registerHandler(cmd::MultiSettings, [&frame] { multiCutWindowOf(frame).showSettings(); });
    // A new range may leave the grid hanging over the node's edge; the counts
    // follow at once, so the grid shown is the one that is cut.
    QObject::connect(&frame.app().edits(), &EditSession::modeRectChanged, &frame, [&frame] {
        if (!FitMultiCutToRange(frame.app().edits(), frame.app().sys()))
            return;
        if (auto* window = frame.findChild<MultiCutWindow*>(QString(), Qt::FindDirectChildrenOnly))
            window->refresh();
    });
    // Calling the multi-cut off puts its settings away with it.
    QObject::connect(&frame.app().edits(), &EditSession::modeCancelled, &frame, [&frame](RangeKind kind) {
        if (kind != RangeKind::MultiCut)
            return;
        if (auto* window = frame.findChild<MultiCutWindow*>(QString(), Qt::FindDirectChildrenOnly))
            window->hide();
    });
}

} // namespace vq
