#include "model/Document.h"

#include "base/Report.h"
#include "imaging/Codec.h"
#include "tests/support/Isolation.h"
#include "tests/support/ScriptedPrompter.h"

#include <gtest/gtest.h>

namespace vq {
namespace {

class DocumentTest : public test::IsolatedTest {
protected:
    void SetUp() override
    {
        IsolatedTest::SetUp();
        doc.ResetDocument();
    }
    Document doc;
};

TEST_F(DocumentTest, NewDocumentHasTheNewDocumentValues)
{
    doc.state.modeFrameColor = 0x123456;
    doc.state.modeFrameWidth = 4;
    doc.state.zoom = 3.0f;
    doc.state.gridMode = 2;
    doc.ResetDocument();
    const DocState& s = doc.state;
    EXPECT_EQ(s.nodeCount, 0);
    EXPECT_EQ(s.mainIndex, -1);
    EXPECT_EQ(s.zoom, 1.0f);
    EXPECT_EQ(s.canvasWidth, 1000);
    EXPECT_EQ(s.canvasHeight, 1000);
    EXPECT_EQ(s.backColor, 0xFFFFFF);
    EXPECT_EQ(s.canvasFrameColor, 0x7B5A48);
    EXPECT_EQ(s.canvasFrameWidth, 1);
    EXPECT_EQ(s.gridMode, -1);
    EXPECT_EQ(s.consoleX, 79);
    EXPECT_EQ(s.consoleY, 79);
    EXPECT_EQ(s.consoleAlways, 1);
    // The mode frame's colour and width survive a new document.
    EXPECT_EQ(s.modeFrameColor, 0x123456);
    EXPECT_EQ(s.modeFrameWidth, 4);
    EXPECT_EQ(doc.nodes.size(), std::size_t(kNodeSlots));
}

struct SizeCase {
    int w, h;
    int halfW, halfH;
};

class AppendSizeTest : public DocumentTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(AppendSizeTest, SizeRule)
{
    const SizeCase c = GetParam();
    ASSERT_TRUE(AppendNode(doc, nullptr, c.w, c.h, 500, 500));
    EXPECT_EQ(doc.nodes[0].halfWidth, c.halfW);
    EXPECT_EQ(doc.nodes[0].halfHeight, c.halfH);
}

INSTANTIATE_TEST_SUITE_P(Cases, AppendSizeTest,
                         ::testing::Values(SizeCase{600, 400, 300, 200}, SizeCase{2000, 1000, 125, 62},
                                           SizeCase{100, 2000, 125, 2500}, SizeCase{601, 401, 300, 200},
                                           SizeCase{1000, 10, 125, 1},   // exactly as wide as the canvas
                                           SizeCase{999, 10, 499, 5},    // a pixel narrower stays
                                           SizeCase{10, 1000, 125, 12500}, // the height alone triggers it
                                           SizeCase{3000, 7, 125, 0}));

TEST_F(DocumentTest, AppendSelectsAndMakesMain)
{
    ASSERT_TRUE(AppendNode(doc, nullptr, 100, 100, 500, 500));
    ASSERT_TRUE(AppendNode(doc, nullptr, 100, 100, 300, 300));
    EXPECT_EQ(doc.state.nodeCount, 2);
    EXPECT_EQ(doc.state.mainIndex, 1);
    EXPECT_EQ(doc.selectedCount(), 2);
    EXPECT_EQ(doc.nodes[1].frameColor, -1);
    EXPECT_EQ(doc.nodes[1].frameWidth, 1);
    EXPECT_EQ(doc.nodes[1].frameStyle, 0);
}

TEST_F(DocumentTest, ThousandthNodeFitsAndTheNextIsRefused)
{
    test::ScriptedPrompter prompts;
    for (int i = 0; i < kMaxNodes; ++i)
        ASSERT_TRUE(AppendNode(doc, nullptr, 10, 10, 100, 100));
    EXPECT_TRUE(prompts.messages.isEmpty());
    Report full;
    EXPECT_FALSE(AppendNode(doc, nullptr, 10, 10, 100, 100, &full));
    prompts.show(full);
    EXPECT_EQ(doc.state.nodeCount, kMaxNodes);
    EXPECT_EQ(doc.state.mainIndex, kMaxNodes - 1);
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0].id, 30163);
    EXPECT_EQ(prompts.messages[0].prefix, QStringLiteral("最大 1000 個\n"));
    EXPECT_EQ(prompts.messages[0].style, kStyleError);
}

// A new picture arrives as a node with its origin recorded; a full document
// says why it took nothing, with no prompter anywhere to hear it.
TEST_F(DocumentTest, PictureNodesRecordTheirOriginOrReportAFullDocument)
{
    const LoadedPicture picture{nullptr, 64, 48, 12345};
    Report outcome;
    ASSERT_TRUE(AppendPictureNode(doc, picture, {300, 200}, QStringLiteral("FROM_CLIP"), &outcome));
    EXPECT_TRUE(outcome.isEmpty());
    const NodeRecord& node = doc.nodes[0];
    EXPECT_EQ(QPoint(node.centerX, node.centerY), QPoint(300, 200));
    EXPECT_EQ(QSize(node.imageWidth, node.imageHeight), QSize(64, 48));
    EXPECT_EQ(node.dataSize, 12345);
    EXPECT_EQ(NodeSourceText(node), QStringLiteral("FROM_CLIP"));
    EXPECT_EQ(doc.state.mainIndex, 0);

    doc.state.nodeCount = kMaxNodes;
    EXPECT_FALSE(AppendPictureNode(doc, picture, {300, 200}, QStringLiteral("file:///a.jpg"), &outcome));
    EXPECT_EQ(doc.state.nodeCount, kMaxNodes);
    EXPECT_EQ(outcome, (Report{kMsgTooManyImages, QStringLiteral("最大 1000 個\n"), kStyleError}));
    // Told over the window that asked for the node.
    QObject window;
    const std::optional<MessageRequest> request = messageRequest(outcome, &window);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->owner, &window);
    EXPECT_EQ(request->id, 30163);
}

TEST_F(DocumentTest, LargeNodeSitsOnTheRightAndBottomEdges)
{
    // 250 x 1250 displayed, centred at the canvas corner: pushed back so its
    // frame (width 1) touches the right and bottom edges.
    ASSERT_TRUE(AppendNode(doc, nullptr, 1000, 5000, 1000, 1000));
    const IntRect r = doc.NodeRect(0);
    EXPECT_EQ(r.right + 1, 1000);
    EXPECT_EQ(r.bottom + 1, 1000);
}

struct KeepCase {
    float zoom;
    int cx, cy, half;
    KeepMode mode;
    int wantX, wantY;
    bool moved;
};

class KeepInCanvasTest : public DocumentTest, public ::testing::WithParamInterface<KeepCase> {};

TEST_P(KeepInCanvasTest, Moves)
{
    const KeepCase c = GetParam();
    doc.state.zoom = c.zoom;
    doc.state.nodeCount = 1;
    doc.nodes[0].centerX = c.cx;
    doc.nodes[0].centerY = c.cy;
    doc.nodes[0].halfWidth = c.half;
    doc.nodes[0].halfHeight = c.half;
    doc.nodes[0].frameWidth = 1;
    EXPECT_EQ(KeepNodeInCanvas(doc, 0, c.mode), c.moved);
    EXPECT_EQ(doc.nodes[0].centerX, c.wantX);
    EXPECT_EQ(doc.nodes[0].centerY, c.wantY);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeepInCanvasTest,
    ::testing::Values(KeepCase{1.0f, 500, 500, 50, KeepMode::Edge, 500, 500, false},
                      KeepCase{1.0f, 10, 20, 50, KeepMode::Edge, 51, 51, true},
                      KeepCase{1.0f, 990, 995, 50, KeepMode::Edge, 949, 949, true},
                      // Larger than the canvas: the right/bottom rule wins.
                      KeepCase{1.0f, 500, 500, 600, KeepMode::Edge, 399, 399, true},
                      KeepCase{0.5f, 10, 10, 50, KeepMode::Edge, 50, 50, true},
                      KeepCase{1.0f, 10, 20, 50, KeepMode::Centre, 10, 20, false},
                      KeepCase{1.0f, -30, 1200, 50, KeepMode::Centre, 0, 1000, true}));

TEST_F(DocumentTest, SourceLengthRule)
{
    doc.state.nodeCount = 1;
    const QString exact = QStringLiteral("file:///") + QString(2083 - 8, QLatin1Char('a'));
    SetNodeSource(doc, 0, 640, 480, 1234, exact);
    EXPECT_EQ(NodeSourceText(doc.nodes[0]), exact);
    EXPECT_EQ(doc.nodes[0].imageWidth, 640);
    EXPECT_EQ(doc.nodes[0].dataSize, 1234);

    SetNodeSource(doc, 0, 1, 1, 0, exact + QLatin1Char('b'));
    EXPECT_EQ(NodeSourceText(doc.nodes[0]), QStringLiteral("(サイズ超過 2084バイト)"));
    SetNodeSource(doc, 0, 1, 1, 0, QString(3000, QLatin1Char('u')));
    EXPECT_EQ(NodeSourceText(doc.nodes[0]), QStringLiteral("(サイズ超過 3000バイト)"));
}

TEST_F(DocumentTest, JapaneseSourceIsStoredAsCodePage932)
{
    doc.state.nodeCount = 1;
    SetNodeSource(doc, 0, 1, 1, 0, QStringLiteral("file:////写真/猫.jpg"));
    EXPECT_EQ(doc.nodes[0].source, QByteArray("file:////\x8E\xCA\x90\x5E/\x94\x4C.jpg"));
    EXPECT_EQ(NodeSourceText(doc.nodes[0]), QStringLiteral("file:////写真/猫.jpg"));
    // A character without a code page 932 form costs only itself.
    SetNodeSource(doc, 0, 1, 1, 0, QStringLiteral("a😀b"));
    EXPECT_EQ(doc.nodes[0].source, QByteArray("a?b"));
}

TEST_F(DocumentTest, ScreenRectTruncatesTowardZero)
{
    doc.state.nodeCount = 1;
    doc.nodes[0].centerX = 101;
    doc.nodes[0].centerY = 51;
    doc.nodes[0].halfWidth = 33;
    doc.nodes[0].halfHeight = 17;
    doc.state.zoom = 0.333f;
    const IntRect r = doc.NodeScreenRect(0);
    EXPECT_EQ(r.left, 22);    // 68 * 0.333 = 22.6
    EXPECT_EQ(r.top, 11);     // 34 * 0.333 = 11.3
    EXPECT_EQ(r.width(), 21); // 66 * 0.333 = 21.9
    EXPECT_EQ(r.height(), 11);
}

} // namespace
} // namespace vq
