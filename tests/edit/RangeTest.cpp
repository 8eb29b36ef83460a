// The range modes on a document without a window: entering with the
// remembered range and its repair, the range commands, trimming by the range
// and by edges, and executing the blur, with a real undo history.
#include "edit/AddImages.h"
#include "edit/BlurExecute.h"
#include "edit/EditSession.h"
#include "edit/RangeModeControl.h"
#include "edit/Trim.h"
#include "imaging/JpegTransform.h"
#include "model/Document.h"
#include "base/Settings.h"
#include "model/UndoHistory.h"
#include "tests/support/Isolation.h"
#include "tests/support/Fixtures.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace vq {
namespace {

// A smooth picture, so that a JPEG of it at the best quality stays within a
// few levels of every pixel and a shifted cut shows.
QImage gradient(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            row[x] = qRgb(x * 255 / std::max(1, w - 1), y * 255 / std::max(1, h - 1), 128);
    }
    return image;
}

PicturePtr photo(int w, int h)
{
    return Picture::fromJpegBytes(EncodeJpegFullChroma(gradient(w, h), 100));
}

IntRect relative(const IntRect& r, const IntRect& node)
{
    return {r.left - node.left, r.top - node.top, r.right - node.left, r.bottom - node.top};
}

class RangeTest : public test::IsolatedTest {
protected:
    void SetUp() override
    {
        IsolatedTest::SetUp();
        settings = std::make_unique<Settings>();
        doc.ResetDocument();
        QObject::connect(&session, &EditSession::documentChanged, [this] { ++changes; });
    }
    void TearDown() override
    {
        settings.reset();
        IsolatedTest::TearDown();
    }
    // A node showing `picture` over the rectangle centred at (cx, cy) with the
    // given half sizes; selected and main when asked.
    int addNode(PicturePtr picture, int halfWidth, int halfHeight, bool selected = true, int cx = 400, int cy = 300)
    {
        EXPECT_TRUE(AppendNode(doc, std::move(picture), 0, 0, cx, cy));
        const int i = doc.state.nodeCount - 1;
        NodeRecord& n = doc.nodes[i];
        n.halfWidth = halfWidth;
        n.halfHeight = halfHeight;
        n.centerX = cx;
        n.centerY = cy;
        n.imageWidth = 1234;
        n.imageHeight = 567;
        n.dataSize = 8910;
        doc.screen[i].selected = selected ? 1 : 0;
        doc.state.mainIndex = selected ? i : doc.state.mainIndex;
        return i;
    }
    void startMode(int index, RangeKind kind, const IntRect& range)
    {
        RangeMode& mode = session.mode();
        mode.modeNode = index;
        mode.modeKind = kind;
        mode.modeRect = range;
        doc.clearSelection();
    }

    Document doc;
    UndoHistory history;
    EditSession session{doc, history};
    std::unique_ptr<Settings> settings;
    SysSettings sys;
    int changes = 0;
};

// ---------------------------------------------------------------------------
// Entering a mode with the remembered range

struct StoredCase {
    const char* name;
    QSize node;
    std::optional<StoredRange> stored;
    IntRect expected; // relative to the node's top-left corner
};

class StoredRangeTest : public RangeTest, public ::testing::WithParamInterface<StoredCase> {};

TEST_P(StoredRangeTest, TheRangeStartsFromTheRememberedOneRepairedToFitTheNode)
{
    const StoredCase& c = GetParam();
    for (const RangeKind kind : {RangeKind::Trim, RangeKind::Blur, RangeKind::MultiCut}) {
        if (c.stored) {
            settings->setLastRect(RangeKindIndex(kind), "PX", c.stored->px);
            settings->setLastRect(RangeKindIndex(kind), "PY", c.stored->py);
            settings->setLastRect(RangeKindIndex(kind), "SX", c.stored->sx);
            settings->setLastRect(RangeKindIndex(kind), "SY", c.stored->sy);
        }
        doc.ResetDocument();
        const int i = addNode(photo(40, 20), c.node.width() / 2, c.node.height() / 2, true, 500, 400);
        sys.multiCntX = sys.multiCntY = 1;
        ASSERT_TRUE(EnterRangeMode(session, kind, *settings, sys));
        const IntRect node = doc.NodeRect(i);
        EXPECT_EQ(relative(session.mode().modeRect, node), c.expected) << RangeKindIndex(kind);
        EXPECT_EQ(session.mode().modeNode, i);
        EXPECT_EQ(session.mode().modeKind, kind);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StoredRangeTest,
    ::testing::Values(
        StoredCase{"NothingStoredGivesTheMiddleHalf", {400, 200}, std::nullopt, {100, 50, 300, 150}},
        StoredCase{"AStoredRangeThatFitsIsKept", {400, 200}, StoredRange{10, 20, 30, 40}, {10, 20, 40, 60}},
        StoredCase{"TooWideEndsOnePixelInsideTheRightEdge", {400, 200}, StoredRange{100, 10, 600, 50},
                   {100, 10, 399, 60}},
        StoredCase{"TooTallEndsOnePixelInsideTheBottomEdge", {400, 200}, StoredRange{10, 50, 50, 500},
                   {10, 50, 60, 199}},
        StoredCase{"AnOffsetBeyondTheNodeStartsFivePixelsIn", {400, 200}, StoredRange{700, 300, 100, 50},
                   {5, 5, 105, 55}},
        StoredCase{"AnOffsetOnTheEdgeWouldLeaveNothingSoTheDefaultServes", {400, 200},
                   StoredRange{400, 10, 10, 10}, {100, 50, 300, 150}},
        StoredCase{"ANegativeSizeFromAnEditedStoreGivesTheDefault", {400, 200}, StoredRange{10, 10, -30, 20},
                   {100, 50, 300, 150}},
        StoredCase{"ANegativeOffsetGivesTheDefault", {400, 200}, StoredRange{-10, 10, 30, 20}, {100, 50, 300, 150}},
        StoredCase{"ATinyNodeTakesTheDefaultOfOnePixel", {2, 2}, StoredRange{5, 5, 5, 5}, {0, 0, 1, 1}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RangeTest, EnteringNeedsAMainNodeAndThenClearsTheSelectionWithTheKeyboardOnTheRightEdge)
{
    const int a = addNode(photo(40, 20), 100, 50);
    addNode(photo(40, 20), 100, 50, true, 200, 200);
    doc.state.mainIndex = a;
    session.mode().modePart = ModePart::Inside;
    QSignalSpy repaint(&session, &EditSession::selectionChanged);

    ASSERT_TRUE(EnterRangeMode(session, RangeKind::Blur, *settings, sys));
    EXPECT_EQ(session.mode().modeNode, a);
    EXPECT_EQ(session.mode().modePart, ModePart::Right);
    EXPECT_EQ(doc.selectedCount(), 0);
    EXPECT_EQ(doc.state.mainIndex, -1);
    EXPECT_FALSE(repaint.isEmpty());

    LeaveRangeMode(session);
    const RangeMode before = session.mode();
    EXPECT_FALSE(EnterRangeMode(session, RangeKind::Trim, *settings, sys)) << "no main node any more";
    EXPECT_EQ(session.mode().modeNode, -1);
    EXPECT_EQ(session.mode().modeRect, before.modeRect);
    EXPECT_EQ(history.undoCount(), 0) << "modes take no undo step";
}

struct FitCase {
    const char* name;
    int count, tile;
    float spacing;
    int offset, nodeSize;
    int expected;
};

class TileFitTest : public ::testing::TestWithParam<FitCase> {};

TEST_P(TileFitTest, MultiCutCountsShrinkToTheLargestThatFits)
{
    const FitCase& c = GetParam();
    EXPECT_EQ(FitTileCount(c.count, c.tile, c.spacing, c.offset, c.nodeSize), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TileFitTest,
    ::testing::Values(FitCase{"FitsExactly", 3, 100, 0.0f, 100, 400, 3},
                      FitCase{"OneTooMany", 4, 100, 0.0f, 100, 400, 3},
                      FitCase{"SpacingsCount", 3, 100, 1.0f, 100, 400, 2},
                      FitCase{"FractionalSpacingTruncatesWhenItFits", 3, 100, 0.4f, 99, 400, 3},
                      FitCase{"NeverBelowOne", 5, 400, 0.0f, 100, 400, 1},
                      FitCase{"AnEmptyTileCannotDivide", 5, 0, 0.0f, 500, 400, 1},
                      // trunc(210 / (100 + 10)) would say 1, yet 100 + 10 + 100 fits.
                      FitCase{"TheLargestCountThatFits", 3, 100, 10.0f, 0, 210, 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RangeTest, EnteringMultiCutFitsTheTileCountsToTheNode)
{
    addNode(photo(40, 20), 200, 100); // 400 x 200: the range is (100, 50) 200 x 100
    sys.multiCntX = 3;
    sys.multiCntY = 5;
    sys.multiMarginX = sys.multiMarginY = 0.0f;
    ASSERT_TRUE(EnterRangeMode(session, RangeKind::MultiCut, *settings, sys));
    EXPECT_EQ(sys.multiCntX, 1);
    EXPECT_EQ(sys.multiCntY, 1);

    LeaveRangeMode(session);
    doc.state.mainIndex = 0;
    sys.multiCntX = 3;
    ASSERT_TRUE(EnterRangeMode(session, RangeKind::Trim, *settings, sys));
    EXPECT_EQ(sys.multiCntX, 3) << "only multi-cut has tiles";
}

TEST_F(RangeTest, TheRangeIsRememberedPerKindRelativeToTheNode)
{
    const int i = addNode(photo(40, 20), 200, 100);
    ASSERT_TRUE(EnterRangeMode(session, RangeKind::Blur, *settings, sys));
    QSignalSpy saved(&session, &EditSession::modeRectChanged);
    const IntRect node = doc.NodeRect(i);
    session.mode().modeRect = {node.left + 7, node.top + 9, node.left + 57, node.top + 29};
    SaveModeRect(session);
    ASSERT_EQ(saved.size(), 1);
    EXPECT_EQ(saved[0][0].value<RangeKind>(), RangeKind::Blur);
    EXPECT_EQ(saved[0][1].value<IntRect>(), (IntRect{7, 9, 57, 29}));

    LeaveRangeMode(session);
    SaveModeRect(session);
    EXPECT_EQ(saved.size(), 1) << "nothing to remember without a mode";
}

TEST_F(RangeTest, LeavingAndCallingOffEndTheModeButOnlyCallingOffIsAnnounced)
{
    addNode(photo(40, 20), 200, 100);
    QSignalSpy cancelled(&session, &EditSession::modeCancelled);
    ASSERT_TRUE(EnterRangeMode(session, RangeKind::MultiCut, *settings, sys));
    LeaveRangeMode(session);
    EXPECT_EQ(session.mode().modeNode, -1);
    EXPECT_TRUE(cancelled.isEmpty());

    doc.state.mainIndex = 0;
    ASSERT_TRUE(EnterRangeMode(session, RangeKind::MultiCut, *settings, sys));
    CancelRangeMode(session);
    EXPECT_EQ(session.mode().modeNode, -1);
    ASSERT_EQ(cancelled.size(), 1);
    EXPECT_EQ(cancelled[0][0].value<RangeKind>(), RangeKind::MultiCut);
    CancelRangeMode(session);
    EXPECT_EQ(cancelled.size(), 1) << "nothing to call off";
    EXPECT_EQ(changes, 0) << "the document is untouched";
}

TEST_F(RangeTest, UndoInAModeCallsTheModeOff)
{
    addNode(photo(40, 20), 200, 100);
    ASSERT_EQ(TrimSelected(session, {1, 0, 0, 0}), 1);
    doc.state.mainIndex = 0;
    ASSERT_TRUE(EnterRangeMode(session, RangeKind::MultiCut, *settings, sys));
    QSignalSpy cancelled(&session, &EditSession::modeCancelled);
    ASSERT_TRUE(session.UndoRedo(true));
    EXPECT_EQ(session.mode().modeNode, -1);
    ASSERT_EQ(cancelled.size(), 1);
    EXPECT_EQ(cancelled[0][0].value<RangeKind>(), RangeKind::MultiCut);

    ASSERT_TRUE(session.UndoRedo(false));
    EXPECT_EQ(cancelled.size(), 1) << "no mode was running";
}

TEST_F(RangeTest, TheGuideNamesTheMode)
{
    const QString tail = QStringLiteral("処理中です。反転部分を右クリックするとメニューが表示されます。（中止 : ESCキー）");
    EXPECT_EQ(RangeModeGuide(RangeKind::Trim), QStringLiteral("トリミング") + tail);
    EXPECT_EQ(RangeModeGuide(RangeKind::Blur), QStringLiteral("ボカシ") + tail);
    EXPECT_EQ(RangeModeGuide(RangeKind::MultiCut), QStringLiteral("マルチカット") + tail);
}

// ---------------------------------------------------------------------------
// The range commands

enum class RangeCommand { Largest, Widen, Narrow };

struct CommandCase {
    const char* name;
    RangeCommand command;
    IntRect start;    // relative to the node (400 x 200)
    IntRect expected; // relative to the node
};

class RangeCommandTest : public RangeTest, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(RangeCommandTest, TheCommandChangesTheRangeAndRemembersIt)
{
    const CommandCase& c = GetParam();
    const int i = addNode(photo(40, 20), 200, 100);
    const IntRect node = doc.NodeRect(i);
    startMode(i, RangeKind::Trim, {node.left + c.start.left, node.top + c.start.top, node.left + c.start.right,
                              node.top + c.start.bottom});
    QSignalSpy saved(&session, &EditSession::modeRectChanged);
    switch (c.command) {
    case RangeCommand::Largest: LargestModeRect(session); break;
    case RangeCommand::Widen: WidenModeRect(session); break;
    case RangeCommand::Narrow: NarrowModeRect(session); break;
    }
    EXPECT_EQ(relative(session.mode().modeRect, node), c.expected);
    if (c.expected != c.start) {
        ASSERT_EQ(saved.size(), 1);
        EXPECT_EQ(saved[0][1].value<IntRect>(), c.expected);
    }
    EXPECT_EQ(history.undoCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RangeCommandTest,
    ::testing::Values(
        CommandCase{"LargestIsTheWholeNode", RangeCommand::Largest, {10, 10, 20, 20}, {0, 0, 400, 200}},
        CommandCase{"WidenGrowsEverySide", RangeCommand::Widen, {10, 10, 20, 20}, {9, 9, 21, 21}},
        CommandCase{"WidenStopsAtTheNode", RangeCommand::Widen, {0, 5, 400, 200}, {0, 4, 400, 200}},
        CommandCase{"NarrowShrinksEverySide", RangeCommand::Narrow, {10, 10, 20, 20}, {11, 11, 19, 19}},
        CommandCase{"NarrowLeavesTenByNine", RangeCommand::Narrow, {10, 10, 20, 19}, {10, 10, 20, 19}},
        CommandCase{"NarrowLeavesNineByTen", RangeCommand::Narrow, {10, 10, 19, 20}, {10, 10, 19, 20}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RangeTest, RangeCommandsDoNothingWithoutAMode)
{
    addNode(photo(40, 20), 200, 100);
    session.mode().modeRect = {1, 2, 30, 40};
    QSignalSpy saved(&session, &EditSession::modeRectChanged);
    LargestModeRect(session);
    WidenModeRect(session);
    NarrowModeRect(session);
    EXPECT_EQ(session.mode().modeRect, (IntRect{1, 2, 30, 40}));
    EXPECT_TRUE(saved.isEmpty());
}

// ---------------------------------------------------------------------------
// Trimming

struct RangeTrimCase {
    const char* name;
    QSize picture;
    QSize node;
    IntRect range;     // relative to the node
    QRect sourcePixels; // the part of the picture the trim keeps
};

class RangeTrimTest : public RangeTest, public ::testing::WithParamInterface<RangeTrimCase> {};

TEST_P(RangeTrimTest, TheNodeBecomesThePictureUnderTheRangeInTheRangesPlace)
{
    const RangeTrimCase& c = GetParam();
    const int i = addNode(photo(c.picture.width(), c.picture.height()), c.node.width() / 2, c.node.height() / 2);
    const QImage original = test::decodedPixels(doc.nodes[i].picture);
    const IntRect node = doc.NodeRect(i);
    const IntRect range{node.left + c.range.left, node.top + c.range.top, node.left + c.range.right,
                        node.top + c.range.bottom};
    startMode(i, RangeKind::Trim, range);

    ASSERT_TRUE(ExecuteModeTrim(session));

    const NodeRecord& n = doc.nodes[i];
    EXPECT_EQ(n.picture->pixelSize(), c.sourcePixels.size());
    EXPECT_LE(test::largestChannelDifference(test::decodedPixels(n.picture), original.copy(c.sourcePixels)), 4);
    EXPECT_EQ(n.centerX, (range.left + range.right) / 2);
    EXPECT_EQ(n.centerY, (range.top + range.bottom) / 2);
    EXPECT_EQ(n.halfWidth, range.width() / 2);
    EXPECT_EQ(n.halfHeight, range.height() / 2);
    EXPECT_EQ(n.imageWidth, 1234) << "the recorded original stays";
    EXPECT_EQ(n.dataSize, 8910);
    EXPECT_EQ(session.mode().modeNode, -1);
    EXPECT_EQ(history.undoCount(), 1);
    EXPECT_EQ(changes, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RangeTrimTest,
    ::testing::Values(
        RangeTrimCase{"TheDefaultRangeAtFullSize", {400, 200}, {400, 200}, {100, 50, 300, 150}, {100, 50, 200, 100}},
        RangeTrimCase{"TheLeftHalfOfAHalfScaleNode", {800, 400}, {400, 200}, {0, 0, 200, 200}, {0, 0, 400, 400}},
        RangeTrimCase{"AnOddRangeLosesAPixelOfTheNode", {300, 200}, {300, 200}, {11, 21, 112, 120},
                      {11, 21, 101, 99}},
        RangeTrimCase{"ADoubleScaleNodeTruncatesItsOffsets", {100, 80}, {200, 160}, {5, 7, 45, 87},
                      {2, 3, 20, 40}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RangeTest, UndoBringsBackTheUntrimmedNode)
{
    const int i = addNode(photo(400, 200), 200, 100);
    const QByteArray before = doc.nodes[i].picture->bytes();
    const IntRect node = doc.NodeRect(i);
    startMode(i, RangeKind::Trim, {node.left + 10, node.top + 10, node.left + 100, node.top + 50});
    ASSERT_TRUE(ExecuteModeTrim(session));
    ASSERT_TRUE(session.UndoRedo(true));
    EXPECT_EQ(doc.nodes[i].picture->bytes(), before);
    EXPECT_EQ(doc.NodeRect(i), node);
}

TEST_F(RangeTest, AFailedTrimKeepsTheOldPictureTheModeAndTheHistory)
{
    // Bytes that claim to be a picture but decode to nothing.
    const PicturePtr broken = Picture::fromBytes(QByteArray("not a picture at all", 20));
    ASSERT_TRUE(broken);
    const int i = addNode(broken, 200, 100);
    const IntRect node = doc.NodeRect(i);
    startMode(i, RangeKind::Trim, {node.left + 10, node.top + 10, node.left + 100, node.top + 50});

    EXPECT_FALSE(ExecuteModeTrim(session));
    EXPECT_EQ(doc.nodes[i].picture, broken);
    EXPECT_EQ(doc.NodeRect(i), node);
    EXPECT_EQ(session.mode().modeNode, i) << "the mode stays for another try";
    EXPECT_EQ(history.undoCount(), 0);
    EXPECT_EQ(changes, 0);

    session.mode().modeKind = RangeKind::Blur;
    EXPECT_FALSE(ExecuteModeTrim(session)) << "only the trimming mode trims";
}

struct EdgeCase {
    const char* name;
    QSize picture;
    QSize node;
    EdgeCuts cuts;
    QRect sourcePixels;
    IntRect rect; // the node's new rectangle, relative to its old one
};

class EdgeTrimTest : public RangeTest, public ::testing::WithParamInterface<EdgeCase> {};

TEST_P(EdgeTrimTest, EachSelectedNodeLosesPicturePixelsAndItsSidesMoveByTheScale)
{
    const EdgeCase& c = GetParam();
    const int i = addNode(photo(c.picture.width(), c.picture.height()), c.node.width() / 2, c.node.height() / 2);
    const QImage original = test::decodedPixels(doc.nodes[i].picture);
    const IntRect node = doc.NodeRect(i);

    EXPECT_EQ(TrimSelected(session, c.cuts), 1);

    const NodeRecord& n = doc.nodes[i];
    EXPECT_EQ(n.picture->pixelSize(), c.sourcePixels.size());
    EXPECT_LE(test::largestChannelDifference(test::decodedPixels(n.picture), original.copy(c.sourcePixels)), 4);
    const IntRect r = c.rect;
    EXPECT_EQ(n.centerX, (node.left + r.left + node.left + r.right) / 2);
    EXPECT_EQ(n.centerY, (node.top + r.top + node.top + r.bottom) / 2);
    EXPECT_EQ(n.halfWidth, r.width() / 2);
    EXPECT_EQ(n.halfHeight, r.height() / 2);
    EXPECT_EQ(history.undoCount(), 1);
    EXPECT_EQ(doc.screen[i].selected, 1) << "the selection stays";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EdgeTrimTest,
    ::testing::Values(
        EdgeCase{"OneLeftColumnAtFullSize", {100, 80}, {100, 80}, {1, 0, 0, 0}, {1, 0, 99, 80}, {1, 0, 100, 80}},
        EdgeCase{"OneLeftColumnAtHalfScaleKeepsTheNode", {200, 160}, {100, 80}, {1, 0, 0, 0}, {1, 0, 199, 160},
                 {0, 0, 100, 80}},
        EdgeCase{"OneBottomRowAtHalfScale", {200, 160}, {100, 80}, {0, 0, 0, 1}, {0, 0, 200, 159}, {0, 0, 100, 80}},
        EdgeCase{"EveryEdgeAtDoubleScale", {50, 40}, {100, 80}, {3, 2, 1, 4}, {3, 2, 46, 34}, {6, 4, 98, 72}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RangeTest, TrimmingTheSelectionIsOneUndoStepAndSkipsWhatCannotBeCut)
{
    const int a = addNode(photo(60, 40), 30, 20, true, 100, 100);
    const int b = addNode(photo(8, 40), 4, 20, true, 300, 100);   // too narrow for 5 + 5
    const int c = addNode(photo(60, 40), 30, 20, false, 500, 100); // not selected
    const int d = addNode(photo(60, 40), 30, 20, true, 700, 100);
    const PicturePtr bBefore = doc.nodes[b].picture;
    const PicturePtr cBefore = doc.nodes[c].picture;

    EXPECT_EQ(TrimSelected(session, {5, 0, 5, 0}), 2);
    EXPECT_EQ(doc.nodes[a].picture->pixelSize(), QSize(50, 40));
    EXPECT_EQ(doc.nodes[d].picture->pixelSize(), QSize(50, 40));
    EXPECT_EQ(doc.nodes[b].picture, bBefore);
    EXPECT_EQ(doc.nodes[c].picture, cBefore);
    EXPECT_EQ(history.undoCount(), 1);
    EXPECT_EQ(changes, 1);

    ASSERT_TRUE(session.UndoRedo(true));
    EXPECT_EQ(doc.nodes[a].picture->pixelSize(), QSize(60, 40));
    EXPECT_EQ(doc.nodes[d].picture->pixelSize(), QSize(60, 40));
}

TEST_F(RangeTest, TrimmingTheSelectionNeedsCutsAMainNodeAndSomethingLeft)
{
    const int a = addNode(photo(20, 20), 10, 10);
    const PicturePtr before = doc.nodes[a].picture;
    EXPECT_EQ(TrimSelected(session, {}), 0) << "all four 0";
    EXPECT_EQ(TrimSelected(session, {10, 0, 10, 0}), 0) << "nothing left";
    EXPECT_EQ(TrimSelected(session, {-1, 0, 0, 0}), 0) << "a negative cut";
    doc.state.mainIndex = -1;
    EXPECT_EQ(TrimSelected(session, {1, 0, 0, 0}), 0) << "no main node";
    EXPECT_EQ(doc.nodes[a].picture, before);
    EXPECT_EQ(history.undoCount(), 0);
    EXPECT_EQ(changes, 0);
}

TEST_F(RangeTest, ExecuteTrimWithCutsUsesTheModeNodeAndEndsTheMode)
{
    const int i = addNode(photo(100, 80), 50, 40);
    RangeMode mode;
    EXPECT_FALSE(ExecuteTrim(doc, mode, {1, 1, 1, 1})) << "no mode node";
    mode.modeNode = i;
    ASSERT_TRUE(ExecuteTrim(doc, mode, {2, 0, 0, 0}));
    EXPECT_EQ(doc.nodes[i].picture->pixelSize(), QSize(98, 80));
    EXPECT_EQ(mode.modeNode, -1);
    EXPECT_EQ(mode.modeRect, doc.NodeRect(i));
}

// ---------------------------------------------------------------------------
// Executing the blur

TEST_F(RangeTest, BlurRewritesOnlyThePixelsUnderTheRangeAndKeepsTheNode)
{
    const int i = addNode(photo(200, 100), 50, 25); // half scale
    const QImage original = test::decodedPixels(doc.nodes[i].picture);
    const IntRect node = doc.NodeRect(i);
    startMode(i, RangeKind::Blur, {node.left + 10, node.top + 5, node.left + 35, node.top + 20});

    ASSERT_TRUE(ExecuteBlur(session, BlurSettings{10, 0}, [] { return 0; }, nullptr));

    const QImage blurred = test::decodedPixels(doc.nodes[i].picture);
    ASSERT_EQ(blurred.size(), original.size());
    const QRect area(20, 10, 50, 30); // the range in picture pixels
    QImage outside = blurred;
    QImage expectedOutside = original;
    for (QImage* img : {&outside, &expectedOutside})
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                img->setPixel(x, y, 0);
    EXPECT_LE(test::largestChannelDifference(outside, expectedOutside), 4);
    // Simple blur: each 10 x 10 block takes its top-left colour.
    for (const QPoint block : {QPoint(0, 0), QPoint(10, 0), QPoint(40, 20)}) {
        const QPoint topLeft = area.topLeft() + block;
        QImage fill(10, 10, QImage::Format_RGB32);
        fill.fill(original.pixel(topLeft));
        EXPECT_LE(test::largestChannelDifference(blurred.copy(QRect(topLeft, QSize(10, 10))), fill), 4) << block.x() << block.y();
    }
    EXPECT_EQ(doc.NodeRect(i), node);
    EXPECT_EQ(session.mode().modeNode, -1);
    EXPECT_EQ(history.undoCount(), 1);
    EXPECT_EQ(changes, 1);
}

TEST_F(RangeTest, ABlurThatCannotBeDoneChangesNothing)
{
    const QSize size(64, 64);
    const int i = addNode(photo(size.width(), size.height()), 32, 32);
    const PicturePtr before = doc.nodes[i].picture;
    const IntRect node = doc.NodeRect(i);
    const auto random = [] { return 0; };

    EXPECT_FALSE(ExecuteBlur(session, BlurSettings{}, random, nullptr)) << "no mode";
    startMode(i, RangeKind::Trim, {node.left, node.top, node.left + 10, node.top + 10});
    EXPECT_FALSE(ExecuteBlur(session, BlurSettings{}, random, nullptr)) << "the trimming mode";
    startMode(i, RangeKind::Blur, {node.left, node.top, node.left, node.top + 10});
    EXPECT_FALSE(ExecuteBlur(session, BlurSettings{}, random, nullptr)) << "an empty range";

    const int j = addNode(Picture::fromBytes(QByteArray("undecodable", 11)), 32, 32, false, 600, 300);
    const IntRect other = doc.NodeRect(j);
    startMode(j, RangeKind::Blur, {other.left, other.top, other.left + 10, other.top + 10});
    EXPECT_FALSE(ExecuteBlur(session, BlurSettings{}, random, nullptr)) << "a picture that does not decode";
    EXPECT_EQ(session.mode().modeNode, j) << "the mode stays";

    EXPECT_EQ(doc.nodes[i].picture, before);
    EXPECT_EQ(history.undoCount(), 0);
    EXPECT_EQ(changes, 0);
}

TEST_F(RangeTest, TheBlurReportsItsProgress)
{
    struct Count : ProgressSink {
        int begun = 0, steps = 0, ended = 0;
        int BeginProgress(int items) override
        {
            ++begun;
            return items >= 100 ? items / 100 : 1;
        }
        void StepProgress() override { ++steps; }
        void EndProgress() override { ++ended; }
        void ShowGuideText(const QString&) override {}
    } progress;
    const int i = addNode(photo(100, 100), 50, 50);
    const IntRect node = doc.NodeRect(i);
    startMode(i, RangeKind::Blur, {node.left, node.top, node.right, node.bottom});
    ASSERT_TRUE(ExecuteBlur(session, BlurSettings{4, 1}, [] { return 0; }, &progress));
    EXPECT_GE(progress.begun, 1);
    EXPECT_GT(progress.steps, 0);
    EXPECT_LE(progress.steps, 100 * progress.begun) << "at most 100 steps a pass";
}

} // namespace
} // namespace vq
