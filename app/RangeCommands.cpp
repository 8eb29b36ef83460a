#include "app/RangeCommands.h"

#include "app/MainWindow.h"
#include "app/StatusBarProgress.h"
#include "app/StatusBar.h"
#include "app/Application.h"
#include "dialogs/DialogRunner.h"
#include "dialogs/BlurSettingsDialog.h"
#include "dialogs/TrimBySizeDialog.h"
#include "edit/AddImages.h"
#include "edit/Blur.h"
#include "edit/BlurExecute.h"
#include "edit/EditSession.h"
#include "edit/RangeModeControl.h"
#include "edit/Trim.h"
#include "model/Document.h"
#include "view/Prompts.h"
#include "base/Settings.h"
#include "base/WaitCursor.h"
#include "resources/CommandIds.h"
#include "render/Painters.h"

namespace vq {

namespace {

// The guide of a mode that has ended no longer tells the truth.
void clearModeGuide(MainWindow& frame, RangeKind kind)
{
    StatusBar* bar = frame.statusPanes();
    if (bar && bar->guideText() == RangeModeGuide(kind))
        bar->ShowGuideText({});
}

void enterMode(MainWindow& frame, RangeKind kind)
{
    Application& app = frame.app();
    if (!EnterRangeMode(app.edits(), kind, app.settings(), app.sys()))
        return;
    if (app.sys().dspGuide != 0) {
        if (StatusBar* bar = frame.statusPanes())
            bar->ShowGuideText(RangeModeGuide(kind));
    }
}

void cancelMode(MainWindow& frame, RangeKind kind)
{
    EditSession& edits = frame.app().edits();
    if (edits.mode().modeKind == kind)
        CancelRangeMode(edits);
}

void trimEdges(MainWindow& frame, const EdgeCuts& cuts)
{
    const WaitCursor wait;
    TrimSelected(frame.app().edits(), cuts);
}

void setFrameWidth(Application& app, int width)
{
    app.edits().changeWithoutUndo([width](Document& doc) { doc.state.modeFrameWidth = width; });
}

} // namespace

void wireRangeCommands(MainWindow& frame)
{
    Application& app = frame.app();
    EditSession& edits = app.edits();

    frame.registerHandler(cmd::TrimStart, [&frame] { enterMode(frame, RangeKind::Trim); });
    frame.registerHandler(cmd::BlurStart, [&frame] { enterMode(frame, RangeKind::Blur); });
    frame.registerHandler(cmd::MultiStart, [&frame] {
        enterMode(frame, RangeKind::MultiCut);
        // The settings window belongs to the multi-cut commands; it opens with the mode.
        if (frame.app().edits().mode().active())
            frame.invokeHandler(cmd::MultiSettings);
    });
    frame.registerHandler(cmd::TrimCancel, [&frame] { cancelMode(frame, RangeKind::Trim); });
    frame.registerHandler(cmd::BlurCancel, [&frame] { cancelMode(frame, RangeKind::Blur); });
    frame.registerHandler(cmd::MultiCancel, [&frame] { cancelMode(frame, RangeKind::MultiCut); });
    QObject::connect(&edits, &EditSession::modeCancelled, &frame,
                     [&frame](RangeKind kind) { clearModeGuide(frame, kind); });

    frame.registerHandler(cmd::TrimExecute, [&frame, &edits] {
        const WaitCursor wait;
        if (ExecuteModeTrim(edits))
            clearModeGuide(frame, RangeKind::Trim);
    });
    frame.registerHandler(cmd::BlurExecute, [&frame, &app, &edits] {
        const WaitCursor wait;
        StatusBarProgress progress(frame.statusPanes());
        if (ExecuteBlur(edits, ReadBlurSettings(app.settings()), TimeSeededRandom(), &progress))
            clearModeGuide(frame, RangeKind::Blur);
    });
    frame.registerHandler(cmd::BlurSettings, [&frame, &app] {
        BlurSettingsDialog dialog(app.settings(), &frame);
        RunDialog(dialog);
    });

    frame.registerHandler(cmd::RangeLargest, [&edits] { LargestModeRect(edits); });
    frame.registerHandler(cmd::RangeWiden, [&edits] { WidenModeRect(edits); });
    frame.registerHandler(cmd::RangeNarrow, [&edits] { NarrowModeRect(edits); });
    frame.registerHandler(cmd::RangeLineColor, [&frame, &app] {
        const QColor chosen = prompter().chooseColor(ColorFromRef(app.doc().state.modeFrameColor), &frame);
        if (!chosen.isValid())
            return;
        const ColorRef colour = RefFromColor(chosen);
        app.edits().changeWithoutUndo([colour](Document& doc) { doc.state.modeFrameColor = colour; });
    });
    for (int width = 1; width <= 5; ++width)
        frame.registerHandler(cmd::RangeLineWidth1 + width - 1, [&app, width] { setFrameWidth(app, width); });

    frame.registerHandler(cmd::TrimLeft, [&frame] { trimEdges(frame, {1, 0, 0, 0}); });
    frame.registerHandler(cmd::TrimTop, [&frame] { trimEdges(frame, {0, 1, 0, 0}); });
    frame.registerHandler(cmd::TrimRight, [&frame] { trimEdges(frame, {0, 0, 1, 0}); });
    frame.registerHandler(cmd::TrimBottom, [&frame] { trimEdges(frame, {0, 0, 0, 1}); });
    frame.registerHandler(cmd::TrimBySize, [&frame] {
        if (!frame.app().doc().hasMainSelection())
            return;
        TrimBySizeDialog dialog(&frame);
        if (RunDialog(dialog) != QDialog::Accepted)
            return;
        const CutSizes s = dialog.sizes();
        if (s.any())
            trimEdges(frame, {s.left, s.top, s.right, s.bottom});
    });
}

} // namespace vq
