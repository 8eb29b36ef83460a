#include "app/RangeCommands.h"

#include "app/CMainFrame.h"
#include "app/StatusBarProgress.h"
#include "app/CMyStatusBar.h"
#include "app/CT52106App.h"
#include "dialogs/CBokashiDlg.h"
#include "dialogs/CCutDlg.h"
#include "edit/AddImages.h"
#include "edit/Blur.h"
#include "edit/BlurExecute.h"
#include "edit/EditSession.h"
#include "edit/RangeModes.h"
#include "edit/Trim.h"
#include "model/Document.h"
#include "model/Prompter.h"
#include "model/Settings.h"
#include "model/WaitCursor.h"
#include "resources/CommandIds.h"
#include "view/Painters.h"

namespace vq {

namespace {

// The guide of a mode that has ended no longer tells the truth.
void clearModeGuide(CMainFrame& frame, int kind)
{
    CMyStatusBar* bar = frame.statusPanes();
    if (bar && bar->guideText() == RangeModeGuide(kind))
        bar->ShowGuideText({});
}

void enterMode(CMainFrame& frame, int kind)
{
    CT52106App& app = frame.app();
    if (!EnterRangeMode(app.edits(), kind, app.settings(), app.sys()))
        return;
    if (app.sys().dspGuide != 0) {
        if (CMyStatusBar* bar = frame.statusPanes())
            bar->ShowGuideText(RangeModeGuide(kind));
    }
}

void cancelMode(CMainFrame& frame, int kind)
{
    EditSession& edits = frame.app().edits();
    if (edits.mode().modeKind == kind)
        CancelRangeMode(edits);
}

void trimEdges(CMainFrame& frame, const EdgeCuts& cuts)
{
    const WaitCursor wait;
    TrimSelected(frame.app().edits(), cuts);
}

void setFrameWidth(CT52106App& app, int width)
{
    app.doc().state.modeFrameWidth = width;
    app.edits().commitChange();
}

} // namespace

void wireRangeCommands(CMainFrame& frame)
{
    CT52106App& app = frame.app();
    EditSession& edits = app.edits();

    frame.registerHandler(cmd::TrimStart, [&frame] { enterMode(frame, kRangeTrim); });
    frame.registerHandler(cmd::BlurStart, [&frame] { enterMode(frame, kRangeBlur); });
    frame.registerHandler(cmd::MultiStart, [&frame] {
        enterMode(frame, kRangeMultiCut);
        // The settings window belongs to the multi-cut commands; it opens with the mode.
        if (frame.app().edits().mode().active())
            frame.invokeHandler(cmd::MultiSettings);
    });
    frame.registerHandler(cmd::TrimCancel, [&frame] { cancelMode(frame, kRangeTrim); });
    frame.registerHandler(cmd::BlurCancel, [&frame] { cancelMode(frame, kRangeBlur); });
    frame.registerHandler(cmd::MultiCancel, [&frame] { cancelMode(frame, kRangeMultiCut); });
    QObject::connect(&edits, &EditSession::modeCancelled, &frame,
                     [&frame](int kind) { clearModeGuide(frame, kind); });

    frame.registerHandler(cmd::TrimExecute, [&frame, &edits] {
        const WaitCursor wait;
        if (ExecuteModeTrim(edits))
            clearModeGuide(frame, kRangeTrim);
    });
    frame.registerHandler(cmd::BlurExecute, [&frame, &app, &edits] {
        const WaitCursor wait;
        StatusBarProgress progress(frame.statusPanes());
        if (ExecuteBlur(edits, ReadBlurSettings(app.settings()), TimeSeededRandom(), &progress))
            clearModeGuide(frame, kRangeBlur);
    });
    frame.registerHandler(cmd::BlurSettings, [&frame, &app] {
        CBokashiDlg dialog(app.settings(), &frame);
        dialog.exec();
    });

    frame.registerHandler(cmd::RangeLargest, [&edits] { LargestModeRect(edits); });
    frame.registerHandler(cmd::RangeWiden, [&edits] { WidenModeRect(edits); });
    frame.registerHandler(cmd::RangeNarrow, [&edits] { NarrowModeRect(edits); });
    frame.registerHandler(cmd::RangeLineColor, [&frame, &app] {
        const QColor chosen = prompter().chooseColor(ColorFromRef(app.doc().state.modeFrameColor), &frame);
        if (!chosen.isValid())
            return;
        app.doc().state.modeFrameColor = RefFromColor(chosen);
        app.edits().commitChange();
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
        CCutDlg dialog(&frame);
        if (dialog.exec() != QDialog::Accepted)
            return;
        const CutSizes s = dialog.sizes();
        if (s.any())
            trimEdges(frame, {s.left, s.top, s.right, s.bottom});
    });
}

} // namespace vq
