// The operations behind the image properties dialog, on a document alone.
#include "edit/NodeProperties.h"

#include "edit/EditSession.h"
#include "imaging/ImageDecode.h"
#include "model/Cp932.h"
#include "model/Document.h"
#include "model/UndoHistory.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Isolation.h"
#include "tests/support/ScriptedPrompter.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <climits>

namespace vq {
namespace {

constexpr int kDashDot = 3;

PicturePtr jpeg(int w, int h, QColor colour = QColor(200, 80, 40))
{
    return Picture::fromJpegBytes(test::makeJpeg(w, h, colour));
}

class NodePropertiesTest : public test::IsolatedTest {
protected:
    void SetUp() override
    {
        IsolatedTest::SetUp();
        doc.ResetDocument();
    }
    // A node showing a `memW` x `memH` picture at `shownW` x `shownH`.
    int addNode(int memW, int memH, int shownW, int shownH, bool selected = true, int cx = 500, int cy = 500)
    {
        EXPECT_TRUE(AppendNode(doc, jpeg(memW, memH), memW, memH, cx, cy));
        const int i = doc.state.nodeCount - 1;
        doc.nodes[i].halfWidth = shownW / 2;
        doc.nodes[i].halfHeight = shownH / 2;
        doc.nodes[i].centerX = cx;
        doc.nodes[i].centerY = cy;
        doc.screen[i].selected = selected ? 1 : 0;
        return i;
    }
    Document doc;
    test::ScriptedPrompter prompts;
};

TEST(ParseDialogInteger, ReadsTheLeadingNumberWithoutCommas)
{
    struct Case {
        const char* text;
        int value;
    };
    const Case cases[] = {
        {"1,000", 1000}, {"12000", 12000}, {"  42", 42}, {"-7", -7}, {"300px", 300}, {"", 0},
        {"abc", 0},      {"1,2,3", 123},   {"99999999999", INT_MAX}, {"-99999999999", INT_MIN},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseDialogInteger(QString::fromUtf8(c.text)), c.value) << c.text;
}

TEST(AspectTarget, KeepsTheChosenSideAndTruncatesTheOther)
{
    struct Case {
        QSize view, memory;
        bool widthBasis;
        QSize expected;
        bool changed;
    };
    const Case cases[] = {
        {{400, 400}, {800, 600}, true, {400, 300}, true},
        {{400, 400}, {800, 600}, false, {533, 400}, true},  // 1.3333 * 400 = 533.33
        {{400, 300}, {800, 600}, true, {400, 300}, false},  // already the picture's shape
        {{400, 300}, {800, 600}, false, {400, 300}, false},
        {{301, 100}, {3, 2}, true, {301, 200}, true},       // 0.6667 * 301 = 200.67
        {{100, 100}, {0, 0}, true, {100, 100}, false},      // no picture size: no ratio
    };
    for (const Case& c : cases) {
        const AspectResult r = AspectTarget(c.view, c.memory, c.widthBasis);
        EXPECT_EQ(r.size, c.expected) << c.view.width() << "x" << c.view.height() << " basis " << c.widthBasis;
        EXPECT_EQ(r.changed, c.changed);
    }
}

TEST_F(NodePropertiesTest, MemoryInfoShowsRatiosAndWhatCanBeAdjusted)
{
    struct Case {
        int memW, memH, shownW, shownH;
        int ratioX, ratioY;
        bool actual, aspect, resample;
    };
    const Case cases[] = {
        {400, 300, 400, 300, 100, 100, false, false, false}, // nothing to adjust
        {400, 300, 200, 150, 50, 50, true, false, true},     // same shape, half size
        {400, 300, 200, 300, 50, 100, true, true, true},
        {300, 300, 200, 100, 66, 33, true, true, true},      // ratios truncated
        {400, 300, 402, 300, 100, 100, false, false, false}, // 100.5 % is still 100
    };
    for (const Case& c : cases) {
        doc.ResetDocument();
        const int i = addNode(c.memW, c.memH, c.shownW, c.shownH);
        const NodeMemoryInfo info = ReadNodeMemoryInfo(doc.nodes[i], c.shownW, c.shownH);
        SCOPED_TRACE(testing::Message() << c.memW << "x" << c.memH << " shown " << c.shownW << "x" << c.shownH);
        EXPECT_EQ(info.memoryWidth, c.memW);
        EXPECT_EQ(info.memoryHeight, c.memH);
        EXPECT_EQ(info.dataSize, doc.nodes[i].picture->bytes().size());
        EXPECT_EQ(info.ratioX, c.ratioX);
        EXPECT_EQ(info.ratioY, c.ratioY);
        EXPECT_EQ(info.canActualSize, c.actual);
        EXPECT_EQ(info.canAspect, c.aspect);
        EXPECT_EQ(info.canResample, c.resample);
    }
}

TEST_F(NodePropertiesTest, SpinStepsStoreHalfTheShownSize)
{
    const int i = addNode(400, 300, 300, 200);
    SetNodeDisplayWidth(doc, i, 302);
    EXPECT_EQ(doc.nodes[i].halfWidth, 151);
    SetNodeDisplayWidth(doc, i, 301);
    EXPECT_EQ(doc.nodes[i].halfWidth, 150) << "an odd width shows one pixel less";
    SetNodeDisplayHeight(doc, i, 99);
    EXPECT_EQ(doc.nodes[i].halfHeight, 49);
}

TEST_F(NodePropertiesTest, ActualSizeIsHeldInsideTheCanvasAndKeptOnIt)
{
    struct Case {
        int memW, memH;
        QSize expected;
    };
    const Case cases[] = {
        {400, 300, {400, 300}},
        {1600, 1200, {1000, 1000}}, // limited to the canvas
        {4, 2000, {10, 1000}},      // at least 10
    };
    for (const Case& c : cases) {
        doc.ResetDocument();
        const int i = addNode(c.memW, c.memH, 100, 100, true, 900, 900);
        EXPECT_EQ(ApplyActualSize(doc, i), c.expected) << c.memW << "x" << c.memH;
        EXPECT_EQ(2 * doc.nodes[i].halfWidth, c.expected.width());
        EXPECT_EQ(2 * doc.nodes[i].halfHeight, c.expected.height());
        // It started near the bottom-right corner, so it had to move back.
        const IntRect r = doc.NodeRect(i);
        EXPECT_LE(r.right, doc.state.canvasWidth);
        EXPECT_LE(r.bottom, doc.state.canvasHeight);
    }
}

TEST_F(NodePropertiesTest, SameAspectChangesOnlyWhenTheShapesDiffer)
{
    const int i = addNode(800, 600, 400, 400);
    EXPECT_EQ(ApplySameAspect(doc, i, false), QSize(533, 400));
    EXPECT_EQ(doc.nodes[i].halfWidth, 266);
    EXPECT_EQ(doc.nodes[i].halfHeight, 200);
    doc.nodes[i].halfWidth = 200;
    EXPECT_EQ(ApplySameAspect(doc, i, true), QSize(400, 300));
    EXPECT_EQ(ApplySameAspect(doc, i, true), QSize()) << "already the picture's shape";
    EXPECT_EQ(doc.nodes[i].halfHeight, 150);
}

TEST_F(NodePropertiesTest, ResampleKeepsABackupAndItsUndoRestoresThePicture)
{
    const int i = addNode(800, 600, 200, 200);
    const PicturePtr original = doc.nodes[i].picture;
    const QString backup = QDir(filesDir()).filePath(QStringLiteral("temp.tmp"));
    QDir().mkpath(filesDir());

    const ResampleResult r = ResampleToDisplaySize(doc, i, true, backup, nullptr);
    ASSERT_TRUE(r.resampled);
    EXPECT_TRUE(r.backedUp);
    EXPECT_EQ(r.size, QSize(200, 150)) << "the aspect-corrected shown size";
    EXPECT_EQ(doc.nodes[i].picture->pixelSize(), QSize(200, 150));
    EXPECT_EQ(doc.nodes[i].halfHeight, 75);
    EXPECT_EQ(test::readFile(backup), original->bytes());

    ASSERT_TRUE(UndoResample(doc, i, backup));
    EXPECT_EQ(doc.nodes[i].picture->bytes(), original->bytes());
    EXPECT_EQ(doc.nodes[i].halfHeight, 75) << "the shown size stays";
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(NodePropertiesTest, AFailedResampleChangesNothingAndSaysSo)
{
    const int i = addNode(800, 600, 200, 200);
    const QByteArray garbage("\xFF\xD8\xFF not really a JPEG", 24);
    doc.nodes[i].picture = Picture::fromBytes(garbage);
    Report refused;
    const ResampleResult r = ResampleToDisplaySize(doc, i, true, {}, &refused);
    prompts.show(refused);
    EXPECT_FALSE(r.resampled);
    EXPECT_FALSE(r.backedUp);
    EXPECT_EQ(doc.nodes[i].picture->bytes(), garbage);
    EXPECT_EQ(doc.nodes[i].halfWidth, 100);
    EXPECT_EQ(prompts.messageIds(), QList<int>{30028});
}

TEST_F(NodePropertiesTest, UndoResampleNeverLeavesTheNodeWithoutAPicture)
{
    const int i = addNode(400, 300, 200, 150);
    const PicturePtr current = doc.nodes[i].picture;
    QDir().mkpath(filesDir());
    struct Case {
        const char* name;
        QByteArray content; // empty: no file at all
    };
    const Case cases[] = {
        {"missing", {}},
        {"empty", QByteArray("")},
        {"not a picture", QByteArray("this is text, not an image")},
    };
    for (const Case& c : cases) {
        const QString path = QDir(filesDir()).filePath(QString::fromLatin1(c.name));
        if (!c.content.isNull()) {
            ASSERT_TRUE(test::writeFile(path, c.content));
        }
        EXPECT_FALSE(UndoResample(doc, i, path)) << c.name;
        EXPECT_EQ(doc.nodes[i].picture, current) << c.name;
    }
    EXPECT_FALSE(UndoResample(doc, i, {}));
}

TEST_F(NodePropertiesTest, FrameSettingsReachEverySelectedNodeAndSizeOnlyTheMain)
{
    addNode(100, 100, 100, 100, true, 100, 100);
    addNode(100, 100, 100, 100, false, 300, 300);
    addNode(100, 100, 100, 100, true, 500, 500);
    const int main = addNode(100, 100, 100, 100, true, 700, 700);
    SetSelectedFrameWidth(doc, 7);
    SetSelectedFrameStyle(doc, kDashDot);
    SetSelectedFrameColor(doc, 0x0000FF);
    SetNodeDisplayWidth(doc, main, 300);
    MoveNodeByPixel(doc, main, -1, 1);
    for (int i : {0, 2, 3}) {
        EXPECT_EQ(doc.nodes[i].frameWidth, 7) << i;
        EXPECT_EQ(doc.nodes[i].frameStyle, kDashDot) << i;
        EXPECT_EQ(doc.nodes[i].frameColor, 0x0000FF) << i;
    }
    EXPECT_EQ(doc.nodes[1].frameWidth, 1) << "not selected";
    EXPECT_EQ(doc.nodes[1].frameColor, kNoColor);
    EXPECT_EQ(doc.nodes[0].halfWidth, 50);
    EXPECT_EQ(doc.nodes[main].halfWidth, 150);
    EXPECT_EQ(doc.nodes[main].centerX, 699);
    EXPECT_EQ(doc.nodes[main].centerY, 701);

    struct Case {
        int asked, stored;
    };
    for (const Case c : {Case{0, 1}, Case{1, 1}, Case{20, 20}, Case{21, 20}, Case{-5, 1}}) {
        SetSelectedFrameWidth(doc, c.asked);
        EXPECT_EQ(doc.nodes[main].frameWidth, c.stored) << c.asked;
    }
    SetSelectedFrameColor(doc, kNoColor);
    EXPECT_EQ(doc.nodes[0].frameColor, kNoColor) << "枠線なし";
}

TEST(NodeSourceDisplay, ShowsNotesPathsAndAddresses)
{
    struct Case {
        const char* source;
        const char* shown;
        OriginKind kind;
    };
    const Case cases[] = {
        {"FROM_CLIP", "(クリップボードからの貼り付け)", OriginKind::None},
        {"MULTI_CUT", "(マルチカットによる作成)", OriginKind::None},
        {"", "(不明)", OriginKind::None},
        {"file:////home/u/a.jpg", "/home/u/a.jpg", OriginKind::File},
        {"file:////home/u/a.jpg\r", "/home/u/a.jpg", OriginKind::File},
        {"https://example.com/p.png", "https://example.com/p.png", OriginKind::Web},
        {"HTTP://EXAMPLE.COM/P.PNG", "HTTP://EXAMPLE.COM/P.PNG", OriginKind::Web},
        {"/srv/pictures/b.png", "/srv/pictures/b.png", OriginKind::File},
    };
    for (const Case& c : cases) {
        const QString shown = NodeSourceDisplay(QString::fromUtf8(c.source));
        EXPECT_EQ(shown, QString::fromUtf8(c.shown)) << c.source;
        EXPECT_EQ(ClassifyOrigin(shown), c.kind) << c.source;
    }
}

TEST_F(NodePropertiesTest, ReloadReadsTheFileAgainOrFailsLeavingThePicture)
{
    QDir().mkpath(filesDir());
    const QString path = QDir(filesDir()).filePath(QStringLiteral("again.jpg"));
    const QByteArray fresh = test::makeJpeg(120, 90, QColor(10, 200, 30));
    ASSERT_TRUE(test::writeFile(path, fresh));
    const int i = addNode(400, 300, 200, 150);

    Reports reports;
    ASSERT_TRUE(ReloadNodeFromOrigin(doc, i, path, &reports));
    prompts.show(reports);
    EXPECT_EQ(doc.nodes[i].picture->bytes(), fresh);
    EXPECT_EQ(doc.nodes[i].imageWidth, 120);
    EXPECT_EQ(doc.nodes[i].imageHeight, 90);
    EXPECT_EQ(doc.nodes[i].dataSize, fresh.size());
    EXPECT_EQ(NodeSourceText(doc.nodes[i]), path);
    EXPECT_EQ(doc.nodes[i].halfWidth, 100) << "the node keeps its rectangle";
    EXPECT_TRUE(prompts.messages.isEmpty());

    const QString textFile = QDir(filesDir()).filePath(QStringLiteral("notes.jpg"));
    ASSERT_TRUE(test::writeFile(textFile, "plain text"));
    struct Case {
        QString shown;
        QList<int> messages;
    };
    const Case cases[] = {
        {QStringLiteral("(不明)"), {30102}},
        {QString(), {30102}},
        {QDir(filesDir()).filePath(QStringLiteral("gone.jpg")), {30102}},
        {QDir(filesDir()).filePath(QStringLiteral("again.txt")), {30102}},
        {textFile, {30029, 30102}},
        {QStringLiteral("http://127.0.0.1:1/no-type-here"), {30102}},
    };
    for (const Case& c : cases) {
        prompts.messages.clear();
        Reports reports;
        EXPECT_FALSE(ReloadNodeFromOrigin(doc, i, c.shown, &reports)) << c.shown.toStdString();
        prompts.show(reports);
        EXPECT_EQ(prompts.messageIds(), c.messages) << c.shown.toStdString();
        EXPECT_EQ(doc.nodes[i].picture->bytes(), fresh);
    }
}

} // namespace
} // namespace vq
