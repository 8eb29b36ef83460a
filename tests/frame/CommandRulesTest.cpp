#include "tests/frame/FrameFixture.h"

#include "resources/CommandIds.h"
#include "model/Document.h"

#include <QTest>

namespace vq::test {
namespace {

class CommandRulesTest : public FrameTest {
protected:
    // Handlers for every command a rule governs, so the rules alone decide.
    void startWithHandlers()
    {
        start();
        for (int id = cmd::AlignLeft; id <= cmd::SameSize; ++id)
            countCalls({id});
        countCalls({cmd::Undo, cmd::Redo, cmd::TrimStart, cmd::TrimCancel, cmd::TrimExecute, cmd::TrimLeft,
                    cmd::TrimBySize, cmd::BlurStart, cmd::BlurCancel, cmd::BlurExecute, cmd::BlurSettings,
                    cmd::MultiStart, cmd::MultiCancel, cmd::MultiExecute, cmd::MultiSettings, cmd::RotateRight,
                    cmd::FlipVertical, cmd::Copy});
    }
    bool enabled(int id) { return frame().action(id)->isEnabled(); }
};

struct SelectionCase {
    int selected;
    bool alignEdge;   // 339-342 and 347-349
    bool centre;      // 343, 344
    bool spacing;     // 345, 346
};

class AlignRulesTest : public CommandRulesTest, public ::testing::WithParamInterface<SelectionCase> {};

TEST_P(AlignRulesTest, AlignFamiliesFollowTheNumberOfSelectedNodes)
{
    const SelectionCase c = GetParam();
    startWithHandlers();
    addNodes(4, c.selected);
    // The rules are read as the menu opens.
    QMenu* menu = openMenu({"整列(&A)"});
    ASSERT_NE(menu, nullptr);
    for (int id : {339, 340, 341, 342, 347, 348, 349})
        EXPECT_EQ(enabled(id), c.alignEdge) << id;
    for (int id : {343, 344})
        EXPECT_EQ(enabled(id), c.centre) << id;
    for (int id : {345, 346})
        EXPECT_EQ(enabled(id), c.spacing) << id;
    menu->close();
}

INSTANTIATE_TEST_SUITE_P(Counts, AlignRulesTest,
                         ::testing::Values(SelectionCase{0, false, false, false}, SelectionCase{1, false, true, false},
                                           SelectionCase{2, true, true, false}, SelectionCase{3, true, true, true}));

TEST_F(CommandRulesTest, SelectionChangesReachTheToolbarWithoutOpeningAMenu)
{
    startWithHandlers();
    EXPECT_FALSE(enabled(cmd::AlignLeft));
    addNodes(2, 2);
    // The idle refresh picks the change up.
    EXPECT_TRUE(waitFor([&] { return enabled(cmd::AlignLeft); }));
    clickToolButton(cmd::AlignLeft);
    EXPECT_EQ(calls[cmd::AlignLeft], 1);
}

TEST_F(CommandRulesTest, UndoAndRedoStayDisabledWithoutStepsWhateverTheSelection)
{
    startWithHandlers();
    addNodes(3, 3);
    frame().updateCommandStates();
    EXPECT_FALSE(enabled(cmd::Undo));
    EXPECT_FALSE(enabled(cmd::Redo));
    EXPECT_TRUE(enabled(cmd::AlignLeft));
    QTest::keyClick(canvas(), Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(canvas(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(calls[cmd::Undo], 0);
    EXPECT_EQ(calls[cmd::Redo], 0);
}

TEST_F(CommandRulesTest, MainSelectionCommandsNeedOne)
{
    startWithHandlers();
    frame().updateCommandStates();
    for (int id : {cmd::TrimStart, cmd::TrimLeft, cmd::TrimBySize, cmd::BlurStart, cmd::MultiStart, cmd::RotateRight,
                   cmd::FlipVertical})
        EXPECT_FALSE(enabled(id)) << id;
    EXPECT_TRUE(enabled(cmd::Copy));
    EXPECT_TRUE(enabled(cmd::BlurSettings));
    addNodes(1, 1);
    frame().updateCommandStates();
    for (int id : {cmd::TrimStart, cmd::TrimLeft, cmd::TrimBySize, cmd::BlurStart, cmd::MultiStart, cmd::RotateRight,
                   cmd::FlipVertical})
        EXPECT_TRUE(enabled(id)) << id;
}

struct ModeCase {
    RangeKind modeKind;
    int modeNode;
    bool trim;   // 375, 376
    bool blur;   // 402, 403
    bool multi;  // 408, 409
    bool multiStart;
    bool multiSettings;
};

class ModeRulesTest : public CommandRulesTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(ModeRulesTest, OnlyTheActiveModesCancelAndExecuteAreEnabled)
{
    const ModeCase c = GetParam();
    startWithHandlers();
    addNodes(1, 1);
    frame().rangeMode().modeKind = c.modeKind;
    frame().rangeMode().modeNode = c.modeNode;
    frame().updateCommandStates();
    for (int id : {cmd::TrimCancel, cmd::TrimExecute})
        EXPECT_EQ(enabled(id), c.trim) << id;
    for (int id : {cmd::BlurCancel, cmd::BlurExecute})
        EXPECT_EQ(enabled(id), c.blur) << id;
    for (int id : {cmd::MultiCancel, cmd::MultiExecute})
        EXPECT_EQ(enabled(id), c.multi) << id;
    EXPECT_EQ(enabled(cmd::MultiStart), c.multiStart);
    EXPECT_EQ(enabled(cmd::MultiSettings), c.multiSettings);
    EXPECT_TRUE(enabled(cmd::BlurSettings));
}

INSTANTIATE_TEST_SUITE_P(Modes, ModeRulesTest,
                         ::testing::Values(ModeCase{RangeKind::Trim, -1, false, false, false, true, false},
                                           ModeCase{RangeKind::Trim, 0, true, false, false, false, true},
                                           ModeCase{RangeKind::Blur, 0, false, true, false, false, true},
                                           ModeCase{RangeKind::MultiCut, 0, false, false, true, false, true},
                                           ModeCase{RangeKind::Blur, -1, false, false, false, true, false}));

TEST_F(CommandRulesTest, KeyOfADisabledCommandDoesNothing)
{
    startWithHandlers();
    QTest::keyClick(canvas(), Qt::Key_M, Qt::ControlModifier);
    EXPECT_EQ(calls[cmd::MultiStart], 0);
    addNodes(1, 1);
    QTest::keyClick(canvas(), Qt::Key_M, Qt::ControlModifier);
    EXPECT_EQ(calls[cmd::MultiStart], 1);
}

} // namespace
} // namespace vq::test
