#include "imaging/Codec.h"
#include "base/TextUtil.h"
#include "tests/edit/ImagesTestSupport.h"

#include <gtest/gtest.h>

namespace vq {
namespace {

using test::ImagesTest;
using test::RecordingProgress;

TEST_F(ImagesTest, FilesCascadeFromTheDropPointWithOneUndoStep)
{
    doc.state.zoom = 0.5f;
    AppendNode(doc, nullptr, 0, 0, 50, 50);
    ASSERT_TRUE(doc.screen[0].selected);
    const QStringList files{jpegFile("a.jpg"), jpegFile("b.jpeg"), jpegFile("c.JPG")};
    int changed = 0;
    QObject::connect(session.get(), &EditSession::documentChanged, [&changed] { ++changed; });

    EXPECT_EQ(AddImageFiles(*session, files, at({200, 100}), nullptr, nullptr, test::scriptedSink()), 3);

    ASSERT_EQ(doc.state.nodeCount, 4);
    const QPoint expected[] = {{400, 200}, {420, 220}, {440, 240}};
    for (int i = 0; i < 3; ++i) {
        const NodeRecord& n = doc.nodes[i + 1];
        EXPECT_EQ(QPoint(n.centerX, n.centerY), expected[i]) << i;
        EXPECT_EQ(n.halfWidth, 20);
        EXPECT_EQ(NodeSourceText(n), QStringLiteral("file:///") + files[i]);
        EXPECT_TRUE(doc.screen[i + 1].selected);
    }
    EXPECT_TRUE(doc.screen[0].selected) << "what was selected stays selected";
    EXPECT_EQ(doc.state.mainIndex, 3) << "the last file becomes main";
    EXPECT_EQ(history.undoCount(), 1);
    EXPECT_EQ(changed, 1) << "one repaint at the end, not one per file";
    ASSERT_TRUE(session->UndoRedo(true));
    EXPECT_EQ(doc.state.nodeCount, 1);
}

TEST_F(ImagesTest, WithoutAPointTheFirstGoesToTheMiddleOfTheWindow)
{
    Placement p = at();
    p.scroll = QPoint(100, 40);
    AddImageFiles(*session, {jpegFile("a.jpg"), jpegFile("b.jpg")}, p, nullptr, nullptr, test::scriptedSink());
    ASSERT_EQ(doc.state.nodeCount, 2);
    EXPECT_EQ(QPoint(doc.nodes[0].centerX, doc.nodes[0].centerY), QPoint(500, 340));
    // The rest cascade from the canvas corner and are pushed onto the canvas.
    EXPECT_EQ(QPoint(doc.nodes[1].centerX, doc.nodes[1].centerY), QPoint(21, 16));
}

struct PlacementCase {
    QSize client;
    QPoint scroll;
    float zoom;
    QPoint expected;
};

class DefaultPlacement : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(DefaultPlacement, MiddleOfTheVisibleCanvasLimitedToTheCanvas)
{
    const PlacementCase& c = GetParam();
    Document doc;
    doc.ResetDocument();
    doc.state.zoom = c.zoom;
    EXPECT_EQ(DefaultPlacementPoint(doc, c.client, c.scroll), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, DefaultPlacement,
                         ::testing::Values(PlacementCase{{800, 600}, {0, 0}, 1.0f, {400, 300}},
                                           PlacementCase{{800, 600}, {100, 50}, 0.5f, {1000, 700}},
                                           PlacementCase{{801, 601}, {0, 0}, 2.0f, {200, 150}},
                                           PlacementCase{{3000, 3000}, {0, 0}, 1.0f, {1000, 1000}}));

TEST_F(ImagesTest, StopsAtTheFirstFileThatFails)
{
    const QString broken = filesDir() + QStringLiteral("/broken.png");
    test::writeFile(broken, QByteArray("not a picture"));
    RecordingProgress progress;
    EXPECT_EQ(AddImageFiles(*session, {jpegFile("a.jpg"), broken, jpegFile("c.jpg")}, at({100, 100}), &progress,
                            nullptr, test::scriptedSink()),
              1);
    EXPECT_EQ(doc.state.nodeCount, 1);
    EXPECT_EQ(prompter.messageIds(), QList<int>{30029});
    EXPECT_TRUE(progress.ended);
    EXPECT_EQ(progress.position, 0);
}

TEST_F(ImagesTest, TheNodeLimitStopsTheRun)
{
    for (int i = 0; i < kMaxNodes - 1; ++i)
        AppendNode(doc, nullptr, 0, 0, 100, 100);
    const QString file = jpegFile("a.jpg");
    EXPECT_EQ(AddImageFiles(*session, {file, file, file}, at({100, 100}), nullptr, nullptr, test::scriptedSink()), 1);
    EXPECT_EQ(doc.state.nodeCount, kMaxNodes);
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(prompter.messages[0].id, 30163);
    EXPECT_EQ(prompter.messages[0].prefix, QStringLiteral("最大 1000 個\n"));
}

TEST_F(ImagesTest, ProgressStepsAndGuideTexts)
{
    const QString file = jpegFile("a.jpg", 8, 8);
    const struct {
        int files;
        int steps;
    } cases[] = {{3, 3}, {250, 125}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.files);
        doc.ResetDocument();
        RecordingProgress progress;
        Placement p = at({10, 10});
        p.showGuide = true;
        AddImageFiles(*session, QStringList(c.files, file), p, &progress, nullptr, test::scriptedSink());
        EXPECT_EQ(progress.begun, c.files);
        EXPECT_EQ(progress.steps, c.steps);
        EXPECT_EQ(progress.position, 0) << "the bar returns to 0";
        ASSERT_EQ(progress.guides.size(), c.files + 1);
        EXPECT_EQ(progress.guides.first(), file) << "each file's path in the guide";
        EXPECT_TRUE(progress.guides.last().isEmpty()) << "cleared at the end";
    }
}

TEST_F(ImagesTest, ReplacingKeepsTheRectangleAndAFailureKeepsTheOldPicture)
{
    AppendNode(doc, Picture::fromJpegBytes(test::makeJpeg(40, 30)), 40, 30, 300, 200);
    doc.nodes[0].frameColor = 0x0000FF;
    const PicturePtr old = doc.nodes[0].picture;
    const NodeRecord before = doc.nodes[0];

    const QString broken = filesDir() + QStringLiteral("/broken.gif");
    test::writeFile(broken, QByteArray("GIF89a but nothing else"));
    Report refused;
    EXPECT_FALSE(ReplaceMainImage(doc, broken, QStringLiteral("gif"), nullptr, &refused));
    prompter.show(refused);
    EXPECT_EQ(doc.nodes[0].picture, old) << "nothing is lost when the new file fails";
    EXPECT_EQ(prompter.messageIds(), QList<int>{30029});

    LoadedPicture loaded;
    ASSERT_TRUE(ReplaceMainImage(doc, jpegFile("big.jpg", 120, 90), QStringLiteral("JPEG"), &loaded, nullptr));
    EXPECT_NE(doc.nodes[0].picture, old);
    EXPECT_EQ(loaded.width, 120);
    const NodeRecord& after = doc.nodes[0];
    EXPECT_EQ(QPoint(after.centerX, after.centerY), QPoint(before.centerX, before.centerY));
    EXPECT_EQ(after.halfWidth, before.halfWidth);
    EXPECT_EQ(after.frameColor, 0x0000FF);

    doc.state.mainIndex = -1;
    EXPECT_FALSE(ReplaceMainImage(doc, jpegFile("c.jpg"), QStringLiteral("jpeg"), nullptr, nullptr));
}

} // namespace
} // namespace vq
