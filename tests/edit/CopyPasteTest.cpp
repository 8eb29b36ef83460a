#include "edit/CopyPaste.h"
#include "edit/EditSession.h"
#include "edit/Selection.h"
#include "tests/edit/ImagesTestSupport.h"

#include <QImage>
#include <QMimeData>

#include <functional>
#include <string>

#include <gtest/gtest.h>

namespace vq {
namespace {

class CopyPasteTest : public test::ImagesTest {
protected:
    void SetUp() override
    {
        ImagesTest::SetUp();
        for (int i = 0; i < 3; ++i)
            AppendNode(doc, Picture::fromJpegBytes(test::makeJpeg(40, 30)), 40, 30, 100 + 100 * i, 100);
        DeselectAll(doc);
    }
    void select(std::initializer_list<int> nodes)
    {
        DeselectAll(doc);
        for (int i : nodes) {
            doc.screen[i].selected = 1;
            doc.state.mainIndex = i;
        }
    }
    CopyBuffer buffer;
};

TEST_F(CopyPasteTest, EachPasteLandsTenPixelsFurther)
{
    select({1});
    ASSERT_TRUE(CopySelection(doc, buffer, {}));
    for (int k = 1; k <= 3; ++k) {
        EXPECT_EQ(PasteBuffer(*session, buffer, {10, 10}, nullptr), 1);
        const NodeRecord& pasted = doc.nodes[doc.state.nodeCount - 1];
        EXPECT_EQ(QPoint(pasted.centerX, pasted.centerY), QPoint(200 + 10 * k, 100 + 10 * k)) << k;
        EXPECT_EQ(pasted.picture->bytes(), doc.nodes[1].picture->bytes());
        EXPECT_EQ(doc.state.mainIndex, doc.state.nodeCount - 1);
        EXPECT_EQ(doc.selectedCount(), 1) << "only the pasted node is selected";
    }
    EXPECT_EQ(doc.state.nodeCount, 6);
    EXPECT_EQ(history.undoCount(), 3) << "one undo step per paste";
}

TEST_F(CopyPasteTest, SeveralNodesPasteTogetherFirstOneMain)
{
    select({0, 2});
    ASSERT_TRUE(CopySelection(doc, buffer, {}));
    EXPECT_EQ(buffer.count(), 2);
    EXPECT_EQ(PasteBuffer(*session, buffer, {0, 50}, nullptr), 2);
    EXPECT_EQ(doc.state.mainIndex, 3);
    EXPECT_EQ(doc.nodes[3].centerX, 100);
    EXPECT_EQ(doc.nodes[4].centerX, 300);
    EXPECT_EQ(doc.nodes[4].centerY, 150);
}

TEST_F(CopyPasteTest, PastedNodesArePushedBackOntoTheCanvas)
{
    select({2});
    CopySelection(doc, buffer, {});
    PasteBuffer(*session, buffer, {2000, 0}, nullptr);
    const NodeRecord& pasted = doc.nodes[3];
    EXPECT_EQ(pasted.centerX + pasted.halfWidth + pasted.frameWidth, doc.state.canvasWidth);
}

TEST_F(CopyPasteTest, NothingSelectedCopiesNothing)
{
    select({1});
    CopySelection(doc, buffer, {5, 5});
    DeselectAll(doc);
    EXPECT_FALSE(CopySelection(doc, buffer, {}));
    EXPECT_EQ(buffer.count(), 1) << "the earlier copy stays";
    EXPECT_EQ(buffer.refPoint, QPoint(5, 5));
}

TEST_F(CopyPasteTest, TheNodeLimitStopsAPaste)
{
    while (doc.state.nodeCount < kMaxNodes - 1)
        AppendNode(doc, nullptr, 0, 0, 500, 500);
    select({0, 1, 2});
    CopySelection(doc, buffer, {});
    Report full;
    EXPECT_EQ(PasteBuffer(*session, buffer, {10, 10}, &full), 1);
    prompter.show(full);
    EXPECT_EQ(doc.state.nodeCount, kMaxNodes);
    EXPECT_EQ(prompter.messageIds(), QList<int>{30163});
}

TEST_F(CopyPasteTest, DeleteKeepsTheOthersInOrderAndUndoBringsThemBack)
{
    const QByteArray lastBytes = doc.nodes[2].picture->bytes();
    select({1});
    ASSERT_TRUE(DeleteSelection(*session));
    ASSERT_EQ(doc.state.nodeCount, 2);
    EXPECT_EQ(doc.nodes[0].centerX, 100);
    EXPECT_EQ(doc.nodes[1].centerX, 300);
    EXPECT_EQ(doc.nodes[1].picture->bytes(), lastBytes);
    EXPECT_EQ(doc.state.mainIndex, -1);
    EXPECT_EQ(doc.selectedCount(), 0);
    EXPECT_FALSE(doc.nodes[2].picture) << "no stale record is left past the end";

    ASSERT_TRUE(session->UndoRedo(true));
    EXPECT_EQ(doc.state.nodeCount, 3);
    EXPECT_EQ(doc.nodes[1].centerX, 200);
}

TEST_F(CopyPasteTest, DeletingEverythingLeavesAnEmptyDocument)
{
    SelectAll(doc);
    ASSERT_TRUE(DeleteSelection(*session));
    EXPECT_EQ(doc.state.nodeCount, 0);
    EXPECT_EQ(doc.state.mainIndex, -1);
}

TEST_F(CopyPasteTest, AClipboardPictureBecomesANodeFromTheClipboard)
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::blue);
    select({0});
    ASSERT_TRUE(PasteImage(*session, image, at({300, 400}), nullptr));
    ASSERT_EQ(doc.state.nodeCount, 4);
    const NodeRecord& n = doc.nodes[3];
    EXPECT_EQ(NodeSourceText(n), QStringLiteral("FROM_CLIP"));
    EXPECT_EQ(QPoint(n.centerX, n.centerY), QPoint(300, 400));
    EXPECT_EQ(QSize(n.imageWidth, n.imageHeight), QSize(64, 48));
    EXPECT_EQ(n.halfWidth, 32);
    EXPECT_EQ(doc.selectedCount(), 1);
    EXPECT_EQ(history.undoCount(), 1);
}

// A range mode holds its node by index and keeps the selection empty: Ctrl+A
// leaves it so, and a command that adds or removes nodes ends the mode before
// it acts, so the mode can never go on to work on another node.
struct NodeChangeCase {
    const char* name;
    std::function<void(CopyPasteTest&, EditSession&, CopyBuffer&)> act;
};

class NodeChangeDuringModeTest : public CopyPasteTest, public ::testing::WithParamInterface<NodeChangeCase> {};

TEST_P(NodeChangeDuringModeTest, EndsTheModeFirst)
{
    select({1});
    ASSERT_TRUE(CopySelection(doc, buffer, {}));
    RangeMode& mode = session->mode();
    mode.modeNode = 1;
    mode.modeKind = RangeKind::Trim;
    mode.modeRect = doc.NodeRect(1);
    DeselectAll(doc);
    int cancelled = 0;
    QObject::connect(session.get(), &EditSession::modeCancelled, [&cancelled] { ++cancelled; });

    EXPECT_FALSE(SelectAllOutsideMode(*session));
    EXPECT_EQ(doc.selectedCount(), 0);

    GetParam().act(*this, *session, buffer);
    EXPECT_FALSE(mode.active());
    EXPECT_EQ(cancelled, 1) << "windows that belong to the mode hear of it";
}

INSTANTIATE_TEST_SUITE_P(
    Commands, NodeChangeDuringModeTest,
    ::testing::Values(
        NodeChangeCase{"PasteTheBuffer",
                       [](CopyPasteTest&, EditSession& s, CopyBuffer& b) { EXPECT_EQ(PasteBuffer(s, b, {}, nullptr), 1); }},
        NodeChangeCase{"PasteAPicture",
                       [](CopyPasteTest&, EditSession& s, CopyBuffer&) {
                           QImage image(8, 8, QImage::Format_RGB32);
                           image.fill(Qt::red);
                           EXPECT_TRUE(PasteImage(s, image, {}, nullptr));
                       }},
        NodeChangeCase{"DeleteAStaleSelection",
                       [](CopyPasteTest&, EditSession& s, CopyBuffer&) {
                           s.changeSelection([](Document& d) { d.screen[0].selected = 1; });
                           EXPECT_TRUE(DeleteSelection(s));
                       }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PasteKind, MarkerThenImageThenNothing)
{
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    const auto data = [&](bool marker, bool withImage, const char* text) {
        auto* d = new QMimeData;
        if (withImage)
            d->setImageData(image);
        if (marker)
            d->setText(QString::fromLatin1(kCopyMarker));
        else if (text)
            d->setText(QString::fromLatin1(text));
        return std::unique_ptr<QMimeData>(d);
    };
    EXPECT_EQ(PasteKindOf(data(true, true, nullptr).get()), PasteKind::Buffer);
    EXPECT_EQ(PasteKindOf(data(true, false, nullptr).get()), PasteKind::Buffer);
    EXPECT_EQ(PasteKindOf(data(false, true, "hello").get()), PasteKind::ClipboardImage);
    EXPECT_EQ(PasteKindOf(data(false, false, "[OBJ] ").get()), PasteKind::Nothing);
    EXPECT_EQ(PasteKindOf(nullptr), PasteKind::Nothing);
}

} // namespace
} // namespace vq
