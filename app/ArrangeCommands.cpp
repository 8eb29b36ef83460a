#include "app/ArrangeCommands.h"

#include "app/MainWindow.h"
#include "app/Application.h"
#include "edit/Arrange.h"
#include "edit/EditSession.h"
#include "model/Document.h"
#include "resources/CommandIds.h"

#include <cstdint>
#include <ctime>
#include <functional>

namespace vq {

namespace {

// An undoable arrangement: one snapshot, only when there is a main node to
// arrange around.
void registerUndoable(MainWindow& frame, int id, std::function<void(Document&)> change)
{
    EditSession& edits = frame.app().edits();
    frame.registerHandler(id, [&edits, change = std::move(change)] {
        if (edits.doc().hasMainSelection())
            edits.edit(change);
    });
}

// A stacking or corner move takes no undo step; the view, the modified flag
// and the status panes still hear of it when it changed anything.
void registerWithoutUndo(MainWindow& frame, int id, std::function<bool(Document&)> change)
{
    EditSession& edits = frame.app().edits();
    frame.registerHandler(id, [&edits, change = std::move(change)] {
        if (edits.doc().selectedCount() > 0)
            edits.leaveModeForNodeChange();
        if (edits.amend([&](Document& document) { return change(document); }))
            edits.commitChange();
    });
}

} // namespace

void wireArrangeCommands(MainWindow& frame)
{
    registerUndoable(frame, cmd::AlignLeft, [](Document& d) { AlignToMainEdge(d, MainEdge::Left); });
    registerUndoable(frame, cmd::AlignRight, [](Document& d) { AlignToMainEdge(d, MainEdge::Right); });
    registerUndoable(frame, cmd::AlignTop, [](Document& d) { AlignToMainEdge(d, MainEdge::Top); });
    registerUndoable(frame, cmd::AlignBottom, [](Document& d) { AlignToMainEdge(d, MainEdge::Bottom); });
    registerUndoable(frame, cmd::CentreVertical, [](Document& d) { CentreOnCanvas(d, Axis::Vertical); });
    registerUndoable(frame, cmd::CentreHorizontal, [](Document& d) { CentreOnCanvas(d, Axis::Horizontal); });
    registerUndoable(frame, cmd::SpaceVertical, [](Document& d) { DistributeEvenly(d, Axis::Vertical); });
    registerUndoable(frame, cmd::SpaceHorizontal, [](Document& d) { DistributeEvenly(d, Axis::Horizontal); });
    registerUndoable(frame, cmd::SameWidth, [](Document& d) { MatchMainSize(d, SizeMatch::Width); });
    registerUndoable(frame, cmd::SameHeight, [](Document& d) { MatchMainSize(d, SizeMatch::Height); });
    registerUndoable(frame, cmd::SameSize, [](Document& d) { MatchMainSize(d, SizeMatch::Both); });
    registerUndoable(frame, cmd::RandomPositions, [](Document& d) {
        // Seeded once per command, from the time in seconds.
        Rand15 draw(static_cast<std::uint32_t>(std::time(nullptr)));
        ScatterSelected(d, std::ref(draw));
    });

    registerWithoutUndo(frame, cmd::BringToFront, [](Document& d) { return MoveSelectionToEdge(d, true); });
    registerWithoutUndo(frame, cmd::SendToBack, [](Document& d) { return MoveSelectionToEdge(d, false); });
    registerWithoutUndo(frame, cmd::SwapPositions, [](Document& d) { return SwapTwoSelected(d); });
    registerWithoutUndo(frame, cmd::ToTopLeft, [](Document& d) { return MoveMainToCorner(d); });
}

} // namespace vq
