// Multi-cut in the running program: the settings window driven with keys and
// the mouse while the grid stays on the node, executing into nodes or files,
// and the window's place on the desktop.
#include "tests/frame/FrameFixture.h"

#include "app/MultiCutCommands.h"
#include "shell/ShellUtilities.h"
#include "dialogs/MultiCutWindow.h"
#include "dialogs/TileCountSpin.h"
#include "edit/EditSession.h"
#include "edit/MultiCut.h"
#include "imaging/ImageDecode.h"
#include "imaging/JpegEncode.h"
#include "model/Document.h"
#include "model/UndoHistory.h"
#include "resources/CommandIds.h"
#include "tests/support/Fixtures.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace vq {
namespace {

// A 400 x 200 photograph shown at its own size at (100, 100), with the
// multi-cut range remembered as 100 x 50 tiles, 10 in and 20 down.
class MultiCutCommandsTest : public test::FrameTest {
protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        Settings& s = app().settings();
        s.setLastRect(2, "PX", 10);
        s.setLastRect(2, "PY", 20);
        s.setLastRect(2, "SX", 100);
        s.setLastRect(2, "SY", 50);
        start();
        app().sys().multiCntX = 1;
        app().sys().multiCntY = 1;
        app().sys().multiMarginX = 0.0f;
        app().sys().multiMarginY = 0.0f;
        Document& doc = app().edits().editableDoc();
        ASSERT_TRUE(AppendNode(doc, Picture::fromJpegBytes(EncodeJpeg(test::gradientImage(400, 200), 95)), 400, 200, 300, 200));
        app().edits().commitChange();
        m_previousOpener = setUrlOpener([this](const QUrl& url) {
            opened << url.toLocalFile();
            return true;
        });
    }
    void TearDown() override
    {
        setUrlOpener(m_previousOpener);
        FrameTest::TearDown();
    }

    // Ctrl+M on the canvas, as the user starts it.
    void enterMultiCut()
    {
        canvas()->setFocus();
        QTest::keyClick(canvas(), Qt::Key_M, Qt::ControlModifier);
        ASSERT_TRUE(app().edits().mode().active());
        ASSERT_EQ(app().edits().mode().modeKind, RangeKind::MultiCut);
    }
    MultiCutWindow* window() { return frame().findChild<MultiCutWindow*>(); }
    Document& doc() { return app().edits().editableDoc(); }

    QStringList opened;

private:
    UrlOpener m_previousOpener;
};

TEST_F(MultiCutCommandsTest, TheSettingsWindowOpensWithTheModeAndKeepsTheGridOnTheNode)
{
    enterMultiCut();
    MultiCutWindow* w = window();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(waitFor([w] { return w->isVisible(); }));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("マルチカット設定"));
    EXPECT_FALSE(w->isModal());
    EXPECT_EQ(w->spacingAcross()->text(), QStringLiteral("0.000"));

    // Up twice: 3 tiles of 100 from 10 in fit the 400 node; a fourth does not.
    TileCountSpin* across = w->countAcross();
    across->setFocus();
    for (const int expected : {2, 3, 3}) {
        QTest::keyClick(across, Qt::Key_Up);
        EXPECT_EQ(across->value(), expected);
        EXPECT_EQ(app().sys().multiCntX, expected);
    }
    // Down: three of 50 from 20 fit 200; the typed 9 becomes the largest that fits.
    TileCountSpin* down = w->countDown();
    down->setFocus();
    down->selectAll();
    QTest::keyClicks(down, QStringLiteral("9"));
    QTest::keyClick(down, Qt::Key_Return);
    EXPECT_EQ(app().sys().multiCntY, 3);
    EXPECT_EQ(down->value(), 3);

    // A spacing that would run past the edge ends the grid exactly on it.
    w->spacingAcross()->setFocus();
    w->spacingAcross()->selectAll();
    QTest::keyClicks(w->spacingAcross(), QStringLiteral("50"));
    QTest::mouseClick(w->applyAcross(), Qt::LeftButton);
    EXPECT_EQ(w->spacingAcross()->text(), QStringLiteral("45.000"));
    EXPECT_FLOAT_EQ(app().sys().multiMarginX, 45.0f);
    const TileGrid grid = MakeTileGrid(doc(), app().edits().mode(), app().sys());
    EXPECT_EQ(grid.tileOrigin(2, 0).x() + grid.tileWidth(), grid.node.right);

    w->spacingDown()->setFocus();
    w->spacingDown()->selectAll();
    QTest::keyClicks(w->spacingDown(), QStringLiteral("2.5"));
    QTest::keyClick(w->spacingDown(), Qt::Key_Return);
    EXPECT_EQ(w->spacingDown()->text(), QStringLiteral("2.500"));
    EXPECT_TRUE(w->isVisible()) << "Enter applies, it does not close";

    QTest::mouseClick(w->fileTypeButton(3), Qt::LeftButton);
    EXPECT_EQ(app().sys().multiExt, 3);

    QTest::mouseClick(w->closeButton(), Qt::LeftButton);
    EXPECT_FALSE(w->isVisible());
    ASSERT_TRUE(frame().executeCommand(cmd::MultiSettings));
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(window(), w) << "one window, shown again";
    EXPECT_TRUE(w->fileTypeButton(3)->isChecked());

    // Calling the mode off puts the window away.
    canvas()->activateWindow();
    canvas()->setFocus();
    QTest::keyClick(canvas(), Qt::Key_Escape);
    EXPECT_FALSE(app().edits().mode().active());
    EXPECT_FALSE(w->isVisible());
}

TEST_F(MultiCutCommandsTest, YesCutsTheTilesIntoNodes)
{
    app().sys().multiCntX = 3;
    app().sys().multiCntY = 2;
    enterMultiCut();
    prompts().answers.enqueue(kIdYes);

    ASSERT_TRUE(frame().executeCommand(cmd::MultiExecute));

    EXPECT_EQ(prompts().messageIds(), QList<int>{30104});
    ASSERT_EQ(doc().nodeCount(), 7);
    EXPECT_FALSE(app().edits().mode().active());
    EXPECT_EQ(app().history().undoCount(), 1);
    // Tile (2, 1) lies 2 tiles across and 1 down from the range at (110, 120).
    const NodeRecord& last = doc().nodes[6];
    EXPECT_EQ(QPoint(last.centerX, last.centerY), QPoint(110 + 200 + 50, 120 + 50 + 25));
    EXPECT_EQ(last.picture->pixelSize(), QSize(100, 50));
    EXPECT_TRUE(bar().guideText().isEmpty()) << "no guide of a mode that has ended";
}

// The grid follows the range: "範囲最大" (or any other new range) cuts the
// counts down to what fits, so no tile reaches past the picture.
TEST_F(MultiCutCommandsTest, AWiderRangeFitsTheGridSoNoTileLeavesThePicture)
{
    app().sys().multiCntX = 3;
    app().sys().multiCntY = 3;
    enterMultiCut();
    MultiCutWindow* w = window();
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(app().sys().multiCntX, 3);

    ASSERT_TRUE(frame().executeCommand(cmd::RangeLargest));
    EXPECT_EQ(app().sys().multiCntX, 1);
    EXPECT_EQ(app().sys().multiCntY, 1);
    EXPECT_EQ(w->countAcross()->value(), 1) << "the window shows the grid that is cut";
    EXPECT_TRUE(MakeTileGrid(doc(), app().edits().mode(), app().sys()).fits());

    prompts().answers.enqueue(kIdYes);
    ASSERT_TRUE(frame().executeCommand(cmd::MultiExecute));
    ASSERT_EQ(doc().nodeCount(), 2);
    const QImage tile = test::decodedPixels(doc().nodes[1].picture);
    ASSERT_EQ(tile.size(), QSize(400, 200));
    // The gradient's far corner, not the black of a cut beyond the picture.
    EXPECT_GT(qRed(tile.pixel(395, 195)), 200);
}

// A grid stored larger than the node (settings changed behind the window's
// back) still cuts only what lies on the picture.
TEST_F(MultiCutCommandsTest, AGridLargerThanTheNodeCutsOnlyWhatLiesOnIt)
{
    enterMultiCut();
    app().sys().multiCntX = 9;
    app().sys().multiCntY = 9;
    prompts().answers.enqueue(kIdYes);
    ASSERT_TRUE(frame().executeCommand(cmd::MultiExecute));
    // 100 x 50 tiles from (10, 20): three across and three down fit.
    EXPECT_EQ(doc().nodeCount(), 1 + 9);
}

TEST_F(MultiCutCommandsTest, NoSavesTheTilesIntoTheChosenFolder)
{
    app().sys().multiCntX = 2;
    app().sys().multiExt = kTilePng;
    enterMultiCut();
    const QString folder = filesDir() + QStringLiteral("/tiles");
    ASSERT_TRUE(QDir().mkpath(folder));
    prompts().answers << kIdNo << kIdYes;
    prompts().folders.enqueue(folder);

    ASSERT_TRUE(frame().executeCommand(cmd::MultiExecute));

    EXPECT_EQ(prompts().messageIds(), (QList<int>{30104, 30069}));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files, QDir::Name), (QStringList{"00000000.png", "00000001.png"}));
    QByteArray format;
    EXPECT_EQ(DecodeImage(test::readFile(folder + QStringLiteral("/00000001.png")), &format).size(), QSize(100, 50));
    EXPECT_EQ(format, QByteArray("png"));
    EXPECT_EQ(app().settings().text(keys::SaveFolder), folder + QLatin1Char('/'));
    EXPECT_EQ(opened, QStringList{folder});
    EXPECT_TRUE(app().edits().mode().active()) << "saving files leaves the mode running";
    EXPECT_EQ(doc().nodeCount(), 1);
}

TEST_F(MultiCutCommandsTest, TilesThatCouldNotBeSavedAreNotReportedAsSaved)
{
    app().sys().multiCntX = 2;
    enterMultiCut();
    const QString folder = filesDir() + QStringLiteral("/not-there");
    prompts().answers << kIdNo;
    prompts().folders.enqueue(folder);

    ASSERT_TRUE(frame().executeCommand(cmd::MultiExecute));

    EXPECT_EQ(prompts().messageIds(), (QList<int>{30104, 30018}));
    EXPECT_EQ(prompts().messages.last().prefix, folder + QStringLiteral("/00000000.jpeg\n"));
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(MultiCutCommandsTest, CancellingTheQuestionOrTheFolderChangesNothing)
{
    enterMultiCut();
    app().settings().setText(keys::SaveFolder, QStringLiteral("/nowhere/"));
    prompts().answers << kIdCancel << kIdNo; // the second time no folder is chosen
    ASSERT_TRUE(frame().executeCommand(cmd::MultiExecute));
    ASSERT_TRUE(frame().executeCommand(cmd::MultiExecute));
    EXPECT_EQ(prompts().messageIds(), (QList<int>{30104, 30104}));
    EXPECT_EQ(app().settings().text(keys::SaveFolder), QStringLiteral("/nowhere/"));
    EXPECT_EQ(doc().nodeCount(), 1);
    EXPECT_EQ(app().history().undoCount(), 0);
    EXPECT_TRUE(app().edits().mode().active());
}

TEST_F(MultiCutCommandsTest, TheWindowRemembersWhereItWas)
{
    enterMultiCut();
    MultiCutWindow* w = window();
    ASSERT_NE(w, nullptr);
    w->move(37, 53);
    const QPoint at = w->pos();
    finish();
    Settings settings;
    EXPECT_EQ(settings.value(keys::MultuCutLastPX), at.x());
    EXPECT_EQ(settings.value(keys::MultuCutLastPY), at.y());
}

struct PlaceCase {
    const char* name;
    QPoint remembered;
    QPoint expected;
};

class WindowPlaceTest : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(WindowPlaceTest, KeepsTheWholeWindowOnTheDesktop)
{
    const QRect desktop(0, 0, 1280, 1024);
    const QRect owner(100, 100, 800, 600);
    const QSize window(300, 200);
    EXPECT_EQ(MultiCutWindow::PlaceOnDesktop(GetParam().remembered, window, desktop, owner), GetParam().expected)
        << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Places, WindowPlaceTest,
                         ::testing::Values(PlaceCase{"never placed: centred on the owner", {0, 0}, {350, 300}},
                                           PlaceCase{"where it was", {200, 300}, {200, 300}},
                                           PlaceCase{"past the right edge", {1200, 300}, {980, 300}},
                                           PlaceCase{"past the bottom", {10, 1000}, {10, 824}},
                                           PlaceCase{"off the top left", {-50, -20}, {0, 0}}));

} // namespace
} // namespace vq
