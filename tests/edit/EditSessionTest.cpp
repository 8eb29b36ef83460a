// The editing session: undo steps, signals and the range frame, with a real
// history writing its snapshots into an isolated working folder.
#include "edit/EditSession.h"

#include "edit/AddImages.h"
#include "edit/CopyPaste.h"
#include "edit/MoveResize.h"

#include "model/Document.h"
#include "model/UndoHistory.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Isolation.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QStringList>

#include <functional>
#include <optional>

namespace vq {
namespace {

class EditSessionTest : public test::IsolatedTest {
protected:
    void SetUp() override
    {
        IsolatedTest::SetUp();
        doc.ResetDocument();
        ASSERT_TRUE(AppendNode(doc, Picture::fromJpegBytes(test::makeJpeg(40, 20)), 40, 20, 100, 100));
        ASSERT_TRUE(AppendNode(doc, Picture::fromJpegBytes(test::makeJpeg(60, 30)), 60, 30, 300, 200));
        // Signals are recorded in the order they arrive.
        QObject::connect(&session, &EditSession::documentChanged, [this] { events << QStringLiteral("changed"); });
        QObject::connect(&session, &EditSession::selectionChanged,
                         [this] { events << QStringLiteral("selection"); });
        QObject::connect(&session, &EditSession::documentRestored, [this](float previousZoom) {
            events << QStringLiteral("restored");
            restoredFrom = previousZoom;
        });
        QObject::connect(&session, &EditSession::modeRectChanged, [this](RangeKind kind, const IntRect& relative) {
            events << QStringLiteral("modeRect");
            modeKind = kind;
            modeRelative = relative;
        });
    }

    void startMode(RangeKind kind, int node)
    {
        session.mode().modeKind = kind;
        session.mode().modeNode = node;
        session.mode().modeRect = doc.NodeRect(node);
    }

    Document doc;
    UndoHistory history;
    EditSession session{doc, history};
    QStringList events;
    float restoredFrom = 0.0f;
    std::optional<RangeKind> modeKind;
    IntRect modeRelative;
};

TEST_F(EditSessionTest, EditSnapshotsOnceBeforeTheChange)
{
    int undoStepsDuringChange = -1;
    session.edit([&](Document& d) {
        undoStepsDuringChange = history.undoCount();
        d.nodes[0].centerX += 50;
    });
    EXPECT_EQ(undoStepsDuringChange, 1);
    EXPECT_EQ(history.undoCount(), 1);
    EXPECT_EQ(events, QStringList{QStringLiteral("changed")});
    EXPECT_EQ(doc.nodes[0].centerX, 150);

    // The one step holds the document as it was before the change.
    ASSERT_TRUE(session.UndoRedo(true));
    EXPECT_EQ(doc.nodes[0].centerX, 100);
    EXPECT_EQ(history.undoCount(), 0);
}

TEST_F(EditSessionTest, CommitSelectionOnlyReportsTheSelection)
{
    session.commitSelection();
    EXPECT_EQ(events, QStringList{QStringLiteral("selection")});
    EXPECT_EQ(history.undoCount(), 0);
}

TEST_F(EditSessionTest, UndoRestoresZoomAndEndsTheMode)
{
    session.edit([](Document& d) {
        d.state.zoom = 2.0f;
        d.nodes[1].halfWidth = 5;
    });
    startMode(RangeKind::Blur, 1);
    events.clear();

    ASSERT_TRUE(session.UndoRedo(true));
    EXPECT_EQ(doc.state.zoom, 1.0f);
    EXPECT_EQ(doc.nodes[1].halfWidth, 30);
    EXPECT_FALSE(session.mode().active());
    EXPECT_EQ(doc.state.mainIndex, -1);
    EXPECT_EQ(doc.selectedCount(), 0);
    EXPECT_EQ(restoredFrom, 2.0f);
    EXPECT_EQ(events, (QStringList{QStringLiteral("restored"), QStringLiteral("changed")}));

    events.clear();
    ASSERT_TRUE(session.UndoRedo(false));
    EXPECT_EQ(doc.state.zoom, 2.0f);
    EXPECT_EQ(doc.nodes[1].halfWidth, 5);
    EXPECT_EQ(restoredFrom, 1.0f);
    EXPECT_EQ(events, (QStringList{QStringLiteral("restored"), QStringLiteral("changed")}));
}

TEST_F(EditSessionTest, NothingToUndoChangesNothing)
{
    startMode(RangeKind::Trim, 0);
    EXPECT_FALSE(session.UndoRedo(true));
    EXPECT_FALSE(session.UndoRedo(false));
    EXPECT_TRUE(events.isEmpty());
    EXPECT_TRUE(session.mode().active());
    EXPECT_EQ(doc.state.nodeCount, 2);
}

TEST_F(EditSessionTest, ModeRectIsReportedRelativeToTheNode)
{
    startMode(RangeKind::MultiCut, 1); // node 1 spans (270, 185) .. (330, 215)
    const IntRect frame{280, 190, 320, 210};
    session.setModeRect(frame);
    EXPECT_EQ(session.mode().modeRect, frame);
    EXPECT_EQ(modeKind, RangeKind::MultiCut);
    EXPECT_EQ(modeRelative, (IntRect{10, 5, 50, 25}));
    EXPECT_EQ(events, (QStringList{QStringLiteral("modeRect"), QStringLiteral("changed")}));
    // A frame change is no undo step.
    EXPECT_EQ(history.undoCount(), 0);
}

TEST_F(EditSessionTest, ModeRectWithoutModeIsNotRemembered)
{
    session.setModeRect({1, 2, 3, 4});
    EXPECT_EQ(session.mode().modeRect, (IntRect{1, 2, 3, 4}));
    EXPECT_EQ(events, QStringList{QStringLiteral("changed")});
}

TEST_F(EditSessionTest, NewDocumentForgetsHistoryAndMode)
{
    session.edit([](Document& d) { d.nodes[0].centerY = 10; });
    startMode(RangeKind::Trim, 0);
    session.resetForNewDocument();
    EXPECT_EQ(history.undoCount(), 0);
    EXPECT_FALSE(session.mode().active());
    EXPECT_FALSE(session.UndoRedo(true));
}


TEST_F(EditSessionTest, AnEditThatChangesNothingLeavesNoStepAndNoSignal)
{
    // A redo step survives, which it would not if a step had been recorded.
    session.edit([](Document& d) { d.nodes[0].centerX += 5; });
    ASSERT_TRUE(session.UndoRedo(true));
    ASSERT_EQ(history.redoCount(), 1);
    events.clear();

    EXPECT_FALSE(session.editIfChanged([](Document&) { return false; }));
    EXPECT_EQ(history.undoCount(), 0);
    EXPECT_EQ(history.redoCount(), 1);
    EXPECT_TRUE(events.isEmpty());
    // The snapshot written for it is gone from the working folder too.
    EXPECT_EQ(QDir(QDir::currentPath()).entryList({QStringLiteral("VQD*")}, QDir::Files).size(), 1);

    EXPECT_TRUE(session.editIfChanged([](Document& d) {
        d.nodes[1].centerY += 3;
        return true;
    }));
    EXPECT_EQ(history.undoCount(), 1);
    EXPECT_EQ(history.redoCount(), 0);
    EXPECT_EQ(events, QStringList{QStringLiteral("changed")});
}

// Each kind of change a widget may ask for: whether it takes an undo step and
// what the listeners hear.
struct ChangeKindCase {
    const char* name;
    std::function<void(EditSession&)> change;
    int undoSteps;
    QStringList signalsHeard;
};

class EditSessionChangeKinds : public EditSessionTest, public ::testing::WithParamInterface<ChangeKindCase> {};

TEST_P(EditSessionChangeKinds, TakeTheirStepsAndSignals)
{
    QObject::connect(&session, &EditSession::viewStateAdjusted, [this] { events << QStringLiteral("adjusted"); });
    GetParam().change(session);
    EXPECT_EQ(history.undoCount(), GetParam().undoSteps);
    EXPECT_EQ(events, GetParam().signalsHeard);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, EditSessionChangeKinds,
    ::testing::Values(
        ChangeKindCase{"zoom", [](EditSession& s) { s.changeWithoutUndo([](Document& d) { d.state.zoom = 2.0f; }); },
                       0, {QStringLiteral("changed")}},
        ChangeKindCase{"selection",
                       [](EditSession& s) { s.changeSelection([](Document& d) { d.clearSelection(); }); }, 0,
                       {QStringLiteral("selection")}},
        ChangeKindCase{"consolePulledIn",
                       [](EditSession& s) { s.adjustViewState([](Document& d) { d.state.consoleX = 0; }); }, 0,
                       {QStringLiteral("adjusted")}},
        ChangeKindCase{"moveWithNothingSelected",
                       [](EditSession& s) {
                           s.changeSelection([](Document& d) { d.clearSelection(); });
                           s.editIfChanged([](Document& d) { return MoveSelection(d, QPoint(10, 0)); });
                       },
                       0, {QStringLiteral("selection")}},
        ChangeKindCase{"deleteWithNothingSelected",
                       [](EditSession& s) {
                           s.changeSelection([](Document& d) { d.clearSelection(); });
                           DeleteSelection(s);
                       },
                       0, {QStringLiteral("selection")}},
        ChangeKindCase{"addingOnlyMissingFiles",
                       [](EditSession& s) {
                           AddImageFiles(s, {QStringLiteral("/nonexistent/a.jpg"), QStringLiteral("/nonexistent/b.png")},
                                         Placement{}, nullptr, nullptr, {});
                       },
                       0, {}},
        ChangeKindCase{"move", [](EditSession& s) { s.editIfChanged([](Document& d) { return MoveSelection(d, QPoint(10, 0)); }); },
                       1, {QStringLiteral("changed")}}),
    [](const ::testing::TestParamInfo<ChangeKindCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace vq
