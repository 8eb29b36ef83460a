#include "app/RotateCommands.h"

#include "app/MainWindow.h"
#include "app/Application.h"
#include "dialogs/DialogRunner.h"
#include "dialogs/RotateDialog.h"
#include "edit/EditSession.h"
#include "edit/Rotate.h"
#include "model/Document.h"
#include "resources/CommandIds.h"
#include "base/WaitCursor.h"
#include "view/Prompts.h"

#include <QGuiApplication>

namespace vq {

namespace {

// Turning many photographs takes a moment; the pointer says so.
template <typename Work>
auto withWaitCursor(Work&& work)
{
    const WaitCursor wait;
    return work();
}

} // namespace

void wireRotateCommands(MainWindow& frame)
{
    Application& app = frame.app();
    const auto rotate = [&app, &frame](int degrees) {
        return [&app, &frame, degrees] {
            Report failure;
            if (!withWaitCursor([&] { return RotateSelected(app.edits(), degrees, &failure); }))
                ShowMessage(failure, &frame);
        };
    };
    const auto flip = [&app, &frame](bool vertical) {
        return [&app, &frame, vertical] {
            Report failure;
            if (!withWaitCursor([&] { return FlipSelected(app.edits(), vertical, &failure); }))
                ShowMessage(failure, &frame);
        };
    };
    frame.registerHandler(cmd::RotateRight, rotate(270));
    frame.registerHandler(cmd::Rotate180, rotate(180));
    frame.registerHandler(cmd::RotateLeft, rotate(90));
    frame.registerHandler(cmd::FlipHorizontal, flip(false));
    frame.registerHandler(cmd::FlipVertical, flip(true));
    frame.registerHandler(cmd::RotateAny, [&app, &frame] {
        const Document& doc = app.doc();
        if (!doc.hasMainSelection())
            return;
        RotateDialog dialog(app.edits(), doc.state.mainIndex, &frame);
        RunDialog(dialog);
    });
}

} // namespace vq
