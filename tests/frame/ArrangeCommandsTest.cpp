// The arrangement commands from the Align menu, the toolbar, the node menu and F5.
#include "tests/frame/FrameFixture.h"

#include "app/ArrangeCommands.h"
#include "app/DocumentController.h"
#include "app/CanvasContextMenu.h"
#include "model/Document.h"
#include "model/UndoHistory.h"
#include "resources/CommandIds.h"

#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace vq {
namespace {

class ArrangeCommandsTest : public test::FrameTest {
protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        start();
        // Installing twice only replaces the handlers, so this holds whether
        // or not the application has wired them already.
        wireArrangeCommands(frame());
    }
    Document& doc() { return app().edits().editableDoc(); }
    // `count` nodes of 100 x 80 whose left edges lie 150 apart from 100 on,
    // the first `selected` of them selected and node `main` the main one.
    void arrange(int count, int selected, int main)
    {
        addNodes(count, selected);
        for (int i = 0; i < count; ++i) {
            doc().nodes[i].centerX = 150 + 150 * i;
            doc().nodes[i].centerY = 100 + 100 * i;
        }
        doc().state.mainIndex = main;
        frame().updateCommandStates();
    }
    std::vector<int> lefts()
    {
        std::vector<int> out;
        for (int i = 0; i < doc().nodeCount(); ++i)
            out.push_back(doc().NodeRect(i).left);
        return out;
    }
    bool modified() { return app().document().isModified(); }
    int undoSteps() { return app().history().undoCount(); }
};

TEST_F(ArrangeCommandsTest, AlignLeftFromTheToolbarIsOneUndoableStep)
{
    arrange(3, 2, 0);
    clickToolButton(cmd::AlignLeft);
    EXPECT_EQ(lefts(), (std::vector<int>{100, 100, 400})) << "the unselected node stays";
    EXPECT_EQ(undoSteps(), 1);
    EXPECT_TRUE(modified());

    QTest::keyClick(canvas(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(lefts(), (std::vector<int>{100, 250, 400}));
}

TEST_F(ArrangeCommandsTest, HorizontalSpacingFromTheAlignMenu)
{
    arrange(3, 3, 0);
    // Boxes [100,200), [360,460), [400,500): gap (100 - 300 - 100 + 400) / 2 = 50.
    doc().nodes[1].centerX = 410;
    clickMenuItem({QStringLiteral("整列(&A)")}, cmd::SpaceHorizontal);
    EXPECT_EQ(lefts(), (std::vector<int>{100, 250, 400}));
    EXPECT_EQ(undoSteps(), 1);
    EXPECT_EQ(bar().paneText(kPanePos), QStringLiteral("100, 60"));
}

TEST_F(ArrangeCommandsTest, StackingAndCornerMovesTakeNoUndoStep)
{
    arrange(5, 0, 3);
    doc().screen[1].selected = 1;
    doc().screen[3].selected = 1;
    const std::unique_ptr<QMenu> menu(buildCanvasMenu(frame(), CanvasPopup::Image));
    int offered = 0;
    for (QAction* a : menu->findChildren<QAction*>()) {
        const int id = a->data().toInt();
        if (id == cmd::ToTopLeft || (id >= cmd::BringToFront && id <= cmd::SendToBack) || id == cmd::RandomPositions) {
            EXPECT_TRUE(a->isEnabled()) << id;
            ++offered;
        }
    }
    EXPECT_EQ(offered, 5) << "the node menu offers the corner, the three stacking moves and scattering";

    ASSERT_TRUE(frame().invokeHandler(cmd::BringToFront));
    EXPECT_EQ(lefts(), (std::vector<int>{100, 400, 700, 250, 550}));
    EXPECT_EQ(doc().state.mainIndex, 4);
    EXPECT_EQ(undoSteps(), 0);
    EXPECT_TRUE(modified());

    ASSERT_TRUE(frame().invokeHandler(cmd::ToTopLeft));
    EXPECT_EQ(doc().NodeRect(4).left, 0);
    EXPECT_EQ(doc().NodeRect(4).top, 0);
    EXPECT_EQ(bar().paneText(kPanePos), QStringLiteral("0, 0")) << "the status panes follow";
    EXPECT_EQ(undoSteps(), 0);
}

TEST_F(ArrangeCommandsTest, SwapWithThreeSelectedDoesNothing)
{
    arrange(3, 3, 2);
    ASSERT_TRUE(frame().invokeHandler(cmd::SwapPositions));
    EXPECT_EQ(lefts(), (std::vector<int>{100, 250, 400}));
    EXPECT_FALSE(modified());

    doc().screen[1].selected = 0;
    ASSERT_TRUE(frame().invokeHandler(cmd::SwapPositions));
    EXPECT_EQ(lefts(), (std::vector<int>{400, 250, 100}));
    EXPECT_EQ(undoSteps(), 0);
    EXPECT_TRUE(modified());
}

TEST_F(ArrangeCommandsTest, F5ScattersInsideTheCanvasWithOneUndoStep)
{
    arrange(3, 3, 0);
    doc().nodes[2].halfWidth = 500; // as wide as the canvas
    QTest::keyClick(canvas(), Qt::Key_F5);
    EXPECT_EQ(undoSteps(), 1);
    EXPECT_TRUE(modified());
    EXPECT_EQ(doc().nodes[2].centerX, 500);
    for (int i = 0; i < 3; ++i) {
        const IntRect r = doc().NodeRect(i);
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= 1000 && r.bottom <= 1000) << i;
    }
}

TEST_F(ArrangeCommandsTest, WithoutAMainNodeNothingMovesAndNoStepIsTaken)
{
    arrange(3, 3, -1);
    for (int id : {cmd::AlignLeft, cmd::AlignBottom, cmd::CentreVertical, cmd::CentreHorizontal, cmd::SpaceVertical,
                   cmd::SpaceHorizontal, cmd::SameWidth, cmd::SameSize, cmd::BringToFront, cmd::SendToBack,
                   cmd::ToTopLeft, cmd::RandomPositions})
        ASSERT_TRUE(frame().invokeHandler(id)) << id;
    EXPECT_EQ(lefts(), (std::vector<int>{100, 250, 400}));
    EXPECT_EQ(undoSteps(), 0);
    EXPECT_FALSE(modified());
}

} // namespace
} // namespace vq
