// Rotating and flipping nodes through the editing session, with a real undo
// history writing its snapshots into an isolated working folder.
#include "edit/Rotate.h"

#include "base/Report.h"

#include "edit/EditSession.h"
#include "edit/Selection.h"
#include "imaging/Rotate.h"
#include "model/Document.h"
#include "model/UndoHistory.h"
#include "tests/support/Isolation.h"
#include "tests/support/Fixtures.h"


#include <gtest/gtest.h>

#include <string>

namespace vq {
namespace {

class RotateTest : public test::IsolatedTest {
protected:
    void SetUp() override
    {
        IsolatedTest::SetUp();
        doc.ResetDocument();
        QObject::connect(&session, &EditSession::documentChanged, [this] { ++changes; });
    }
    // A node for `picture` at (cx, cy) with the given half sizes, selected
    // and main when asked.
    int addNode(PicturePtr picture, int halfWidth, int halfHeight, bool selected = true, int cx = 300, int cy = 300)
    {
        EXPECT_TRUE(AppendNode(doc, std::move(picture), 0, 0, cx, cy));
        const int i = doc.state.nodeCount - 1;
        doc.nodes[i].halfWidth = halfWidth;
        doc.nodes[i].halfHeight = halfHeight;
        doc.nodes[i].centerX = cx;
        doc.nodes[i].centerY = cy;
        doc.screen[i].selected = selected ? 1 : 0;
        return i;
    }

    Document doc;
    UndoHistory history;
    EditSession session{doc, history};
    int changes = 0;
};

// Rotating more nodes than the history holds steps must still leave the
// state before the command one undo away.
TEST_F(RotateTest, TenSelectedNodesTurnAsOneUndoStep)
{
    std::vector<QByteArray> before;
    for (int i = 0; i < 10; ++i) {
        addNode(test::texturedPhoto(64, 48), 32 + i, 24);
        before.push_back(doc.nodes[i].picture->bytes());
    }
    const int idle = addNode(test::texturedPhoto(64, 48), 32, 24, false);
    const PicturePtr idlePicture = doc.nodes[idle].picture;
    const QImage original = test::decodedPixels(doc.nodes[0].picture);

    RotateSelected(session, 270);

    EXPECT_EQ(history.undoCount(), 1);
    EXPECT_EQ(changes, 1);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(doc.nodes[i].picture->pixelSize(), QSize(48, 64)) << i;
    EXPECT_TRUE(test::nearlyEqual(test::decodedPixels(doc.nodes[0].picture), TurnImage(original, ExactTurn::Right90), 4))
        << "270 turns right, clockwise";
    EXPECT_EQ(doc.nodes[idle].picture, idlePicture) << "an unselected node stays";

    ASSERT_TRUE(session.UndoRedo(true));
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(doc.nodes[i].picture->bytes(), before[i]) << i;
        EXPECT_EQ(doc.nodes[i].halfWidth, 32 + i) << i;
    }
}

TEST_F(RotateTest, FourQuarterTurnsGiveBackEveryPixel)
{
    for (const int degrees : {90, 270}) {
        const int i = addNode(test::texturedPhoto(96, 64), 48, 32);
        const QImage original = test::decodedPixels(doc.nodes[i].picture);
        for (int k = 0; k < 4; ++k)
            RotateSelected(session, degrees);
        EXPECT_EQ(test::decodedPixels(doc.nodes[i].picture), original) << degrees;
        EXPECT_EQ(doc.nodes[i].picture->pixelSize(), QSize(96, 64));
        doc.screen[i].selected = 0;
    }
}

TEST_F(RotateTest, LeftTurnsCounterClockwiseAndHalfTurnsUpsideDown)
{
    const int i = addNode(test::texturedPhoto(64, 48), 32, 24);
    const QImage original = test::decodedPixels(doc.nodes[i].picture);
    RotateSelected(session, 90);
    EXPECT_TRUE(test::nearlyEqual(test::decodedPixels(doc.nodes[i].picture), TurnImage(original, ExactTurn::Left90), 4));
    RotateSelected(session, 270);
    RotateSelected(session, 180);
    EXPECT_TRUE(test::nearlyEqual(test::decodedPixels(doc.nodes[i].picture), TurnImage(original, ExactTurn::Half), 4));
}

struct ScaleCase {
    const char* name;
    QSize picture;
    int halfWidth, halfHeight;
    int degrees;
    int newHalfWidth, newHalfHeight;
};

class RotateScaleTest : public RotateTest, public ::testing::WithParamInterface<ScaleCase> {};

// Each half becomes the new picture's integer half side times the old scale;
// the centre stays.
TEST_P(RotateScaleTest, TheNodeKeepsItsDisplayScaleAndCentre)
{
    const ScaleCase& c = GetParam();
    const int i = addNode(test::texturedPhoto(c.picture.width(), c.picture.height()), c.halfWidth, c.halfHeight, true, 400, 350);
    RotateSelected(session, c.degrees);
    EXPECT_EQ(doc.nodes[i].halfWidth, c.newHalfWidth);
    EXPECT_EQ(doc.nodes[i].halfHeight, c.newHalfHeight);
    EXPECT_EQ(QPoint(doc.nodes[i].centerX, doc.nodes[i].centerY), QPoint(400, 350));
}

INSTANTIATE_TEST_SUITE_P(
    Scales, RotateScaleTest,
    ::testing::Values(ScaleCase{"OneToOne", {100, 50}, 50, 25, 90, 25, 50},
                      ScaleCase{"TwiceItsWidth", {100, 50}, 100, 25, 90, 50, 50},
                      ScaleCase{"HalfTurnKeepsTheRectangle", {100, 50}, 50, 25, 180, 50, 25},
                      ScaleCase{"OddSidesHalveByTruncation", {101, 51}, 50, 25, 270, 24, 49},
                      ScaleCase{"Shrunk", {400, 300}, 125, 93, 90, 93, 124}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RotateTest, ARotatedNodeWithItsCentreOffTheCanvasIsBroughtBackToTheEdge)
{
    const int i = addNode(test::texturedPhoto(64, 48), 32, 24, true, 1100, 500);
    RotateSelected(session, 90);
    EXPECT_EQ(doc.nodes[i].centerX, doc.state.canvasWidth);
    EXPECT_EQ(doc.nodes[i].centerY, 500);
}

TEST_F(RotateTest, FlipsMirrorInPlaceAndTwiceGiveBackTheSamePixels)
{
    const int i = addNode(test::texturedPhoto(64, 48), 40, 30);
    const QImage original = test::decodedPixels(doc.nodes[i].picture);
    for (const bool vertical : {false, true}) {
        FlipSelected(session, vertical);
        const ExactTurn mirror = vertical ? ExactTurn::MirrorTopBottom : ExactTurn::MirrorLeftRight;
        EXPECT_TRUE(test::nearlyEqual(test::decodedPixels(doc.nodes[i].picture), TurnImage(original, mirror), 4)) << vertical;
        EXPECT_EQ(doc.nodes[i].halfWidth, 40);
        EXPECT_EQ(doc.nodes[i].halfHeight, 30);
        FlipSelected(session, vertical);
        EXPECT_EQ(test::decodedPixels(doc.nodes[i].picture), original) << vertical;
    }
    EXPECT_EQ(history.undoCount(), 4);
}

TEST_F(RotateTest, NodesWithoutAPictureStayAndTheCommandStillCounts)
{
    const int empty = addNode(nullptr, 30, 20);
    const int full = addNode(test::texturedPhoto(64, 48), 32, 24);
    RotateSelected(session, 90);
    EXPECT_EQ(doc.nodes[empty].halfWidth, 30);
    EXPECT_FALSE(doc.nodes[empty].picture);
    EXPECT_EQ(doc.nodes[full].picture->pixelSize(), QSize(48, 64));
    DeselectAll(doc);
    doc.screen[empty].selected = 1;
    FlipSelected(session, false);
    EXPECT_EQ(history.undoCount(), 2);
    EXPECT_EQ(changes, 2);
}

TEST_F(RotateTest, EachDialogPressIsOneStepAndTurnsOnlyItsNode)
{
    const int other = addNode(test::texturedPhoto(64, 48), 32, 24);
    const int node = addNode(test::texturedPhoto(100, 50), 50, 25);
    ASSERT_TRUE(RotateNodeStep(session, node, 45));
    EXPECT_EQ(doc.nodes[node].picture->pixelSize(), RotatedSize({100, 50}, 45));
    EXPECT_EQ(doc.nodes[node].halfWidth, 53);
    const QImage corner = test::decodedPixels(doc.nodes[node].picture).copy(0, 0, 1, 1);
    QImage background(1, 1, QImage::Format_RGB32);
    background.fill(kRotationBackground);
    EXPECT_TRUE(test::nearlyEqual(corner, background, 3)) << "the uncovered corner";
    ASSERT_TRUE(RotateNodeStep(session, node, 315));
    EXPECT_EQ(history.undoCount(), 2);
    EXPECT_EQ(doc.nodes[other].picture->pixelSize(), QSize(64, 48)) << "selected, but not the dialog's node";

    const int empty = addNode(nullptr, 30, 20);
    EXPECT_FALSE(RotateNodeStep(session, empty, 45));
    EXPECT_FALSE(RotateNodeStep(session, 99, 45));
    EXPECT_EQ(history.undoCount(), 2) << "nothing turned, no step";
}

// A turn the memory cannot hold (here: a 45-degree turn whose frame exceeds
// the pixel budget) changes
// nothing, takes no step and says so, rather than turning some nodes or none
// in silence.
TEST_F(RotateTest, ATurnThatCannotBeMadeChangesNothingAndReportsMemory)
{
    const int strip = addNode(test::texturedPhoto(60000, 8), 300, 4);
    Report failure;
    EXPECT_FALSE(RotateNodeStep(session, strip, 45, &failure));
    EXPECT_EQ(failure.id, kMsgOutOfMemory);
    EXPECT_EQ(doc.nodes[strip].picture->pixelSize(), QSize(60000, 8));

    // The strip is selected too: the other node's turn, which could be made,
    // is not applied alone.
    const int good = addNode(test::texturedPhoto(64, 48), 32, 24);
    Report why;
    EXPECT_FALSE(RotateSelected(session, 45, &why));
    EXPECT_EQ(why.id, kMsgOutOfMemory);
    EXPECT_EQ(doc.nodes[good].picture->pixelSize(), QSize(64, 48)) << "all or nothing";
    EXPECT_EQ(history.undoCount(), 0);
    EXPECT_EQ(changes, 0);
}

struct AngleCase {
    const char* text;
    int tenths;
};

class ParseAngleTest : public ::testing::TestWithParam<AngleCase> {};

TEST_P(ParseAngleTest, LeadingIntegerOneTenthDigitAndLimits)
{
    EXPECT_EQ(ParseRotationAngle(QString::fromUtf8(GetParam().text)), GetParam().tenths) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseAngleTest,
    ::testing::Values(AngleCase{"90", 900}, AngleCase{"12.34", 123}, AngleCase{"12.", 120}, AngleCase{"  +45", 450},
                      AngleCase{"30deg", 300}, AngleCase{"1.5.7", 15}, AngleCase{".5", 5},
                      AngleCase{"", 1}, AngleCase{"0", 1}, AngleCase{"abc", 1}, AngleCase{"-5", 1},
                      AngleCase{"400", 3599}, AngleCase{"359.95", 3599}, AngleCase{"99999999999999999999", 3599},
                      AngleCase{"４５．５", 455}));

} // namespace
} // namespace vq
