// Snapping through the real canvas view: a hand-made drag lands the node on
// the line it came near, and the guide shows over the picture meanwhile.
#include "tests/view/InteractionFixture.h"

#include "render/Painters.h"
#include "view/Feedback.h"

namespace vq::test {
namespace {

class CanvasSnapTest : public CanvasTest {
protected:
    void SetUp() override
    {
        CanvasTest::SetUp();
        app->sys().snap = 1;
        addNode({300, 300, 50, 40}); // 250..350 x 260..340
        addNode({600, 450, 40, 30}); // 560..640 x 420..480
        select({0}, 0);
    }

    // Magenta pixels of the guide in the window's column `x` between `top` and `bottom`.
    int guidePixels(int x, int top, int bottom)
    {
        const QImage shot = view->renderToImage();
        const QRgb magenta = ColorFromRef(kGuideColour).rgb();
        int count = 0;
        for (int y = top; y <= bottom; ++y)
            if (shot.pixel(x, y) == magenta)
                ++count;
        return count;
    }
};

TEST_F(CanvasSnapTest, DragLandsTheLeftEdgeOnTheOtherNodesLeftEdgeWithAGuideMeanwhile)
{
    const QPoint grab = clientOf({300, 300});
    const QPoint to = grab + QPoint(306, 0); // left edge at 556, 4 short of 560
    press(grab);
    for (int k = 1; k <= 3; ++k)
        move(grab + (to - grab) * k / 3);

    const Feedback& f = view->feedback();
    ASSERT_EQ(f.kind, Feedback::Kind::Move);
    ASSERT_EQ(f.guides.size(), 1u);
    const QPoint guideTop = clientOf({560, 260});
    const QPoint guideBottom = clientOf({560, 480});
    EXPECT_EQ(f.guides[0], QLine(guideTop, guideBottom));
    EXPECT_EQ(f.corners[0], clientOf({560, 260})) << "the outline shows where the node will land";
    EXPECT_GT(guidePixels(guideTop.x(), guideTop.y(), guideBottom.y()), 40);
    EXPECT_EQ(box(1), (NodeBox{600, 450, 40, 30})) << "nothing moves before the release";

    release(to);
    EXPECT_EQ(box(0), (NodeBox{610, 300, 50, 40}));
    EXPECT_EQ(history().undoCount(), 1);
    EXPECT_TRUE(view->feedback().isNone());
    EXPECT_EQ(guidePixels(guideTop.x(), guideTop.y(), guideBottom.y()), 0) << "the guide goes with the drag";
}

TEST_F(CanvasSnapTest, AltHeldDuringTheDragMovesFreely)
{
    const QPoint grab = clientOf({300, 300});
    const QPoint to = grab + QPoint(306, 0);
    press(grab);
    move(to, Qt::AltModifier);
    EXPECT_TRUE(view->feedback().guides.empty());
    release(to, Qt::AltModifier);
    EXPECT_EQ(box(0), (NodeBox{606, 300, 50, 40}));
}

// In the whole program, where snapping is on from the start: the position
// pane follows the snap while the drag lasts.
TEST_F(FrameCanvasTest, PositionPaneShowsTheSnappedPlaceDuringTheDrag)
{
    addNode({300, 300, 50, 40}); // 250..350 x 260..340
    addNode({450, 450, 40, 30}); // 410..490 x 420..480
    select({0}, 0);
    const QPoint grab = clientOf({300, 300});
    const QPoint to = grab + QPoint(156, 0); // left edge at 406, 4 short of 410
    press(grab);
    for (int k = 1; k <= 3; ++k)
        move(grab + (to - grab) * k / 3);
    EXPECT_EQ(bar().paneText(kPanePos), QStringLiteral("410, 260"));
    EXPECT_EQ(canvasView().feedback().guides.size(), 1u);
    release(to);
    EXPECT_EQ(box(0), (NodeBox{460, 300, 50, 40}));
    EXPECT_EQ(bar().paneText(kPanePos), QStringLiteral("410, 260"));
}

} // namespace
} // namespace vq::test
