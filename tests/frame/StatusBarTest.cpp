#include "tests/frame/FrameFixture.h"

#include "resources/CommandIds.h"

#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>

namespace vq::test {
namespace {

using StatusBarTest = FrameTest;

TEST_F(StatusBarTest, PanesStandInOrderWideEnoughForTheirReferenceTexts)
{
    start();
    const int order[] = {kPaneProgress, kPaneObject, kPanePos, kPaneSize, kPaneCursor};
    int lastX = -1;
    for (int id : order) {
        QWidget* pane = bar().pane(id);
        ASSERT_NE(pane, nullptr) << id;
        EXPECT_TRUE(pane->isVisible()) << id;
        EXPECT_GT(pane->x(), lastX) << id;
        lastX = pane->x();
    }
    const QFontMetrics fm(bar().font());
    EXPECT_GE(bar().pane(kPaneProgress)->width(), fm.horizontalAdvance(QStringLiteral("999999999999999999999999999999")));
    EXPECT_GE(bar().pane(kPanePos)->width(), fm.horizontalAdvance(QStringLiteral("9999, 9999")));
    EXPECT_LT(bar().pane(kPaneObject)->width(), bar().pane(kPanePos)->width());
    EXPECT_TRUE(qobject_cast<QProgressBar*>(bar().pane(kPaneProgress)));

    auto* size = qobject_cast<QLabel*>(bar().pane(kPaneSize));
    ASSERT_NE(size, nullptr);
    EXPECT_EQ(size->alignment(), Qt::AlignCenter);
    EXPECT_EQ(size->toolTip(), QStringLiteral("主選択サイズ(単位:Pixel)"));
    EXPECT_EQ(bar().pane(kPaneObject)->toolTip(), QStringLiteral("オブジェクト数"));
}

TEST_F(StatusBarTest, PaneTextsAreSetAndReadByPaneId)
{
    start();
    bar().setPaneText(kPaneCursor, QStringLiteral("12, 34"));
    EXPECT_EQ(bar().paneText(kPaneCursor), QStringLiteral("12, 34"));
    bar().setPaneText(kPaneProgress, QStringLiteral("ignored"));
    EXPECT_TRUE(bar().paneText(kPaneProgress).isEmpty());
    EXPECT_TRUE(bar().paneText(999).isEmpty());
}

TEST_F(StatusBarTest, GuideTextCoversTheCountPanesAndLeavesTheProgressShowing)
{
    start();
    const QString guide = QStringLiteral("イメージをドラッグ＆ドロップして位置を変更できます");
    bar().ShowGuideText(guide);
    EXPECT_EQ(bar().visibleInfoText(), guide);
    const QRect area = bar().infoArea()->geometry();
    EXPECT_TRUE(area.contains(bar().pane(kPaneObject)->geometry())) << "the counts are covered";
    EXPECT_TRUE(area.contains(bar().pane(kPaneCursor)->geometry()));
    EXPECT_TRUE(bar().pane(kPaneProgress)->isVisible());
    EXPECT_FALSE(area.intersects(bar().pane(kPaneProgress)->geometry())) << "the progress stays in sight";

    // Progress and text together, as while images are added.
    bar().BeginProgress(10);
    bar().StepProgress();
    const QImage shot = bar().grab().toImage();
    const QRect progress = bar().pane(kPaneProgress)->geometry();
    bool progressDrawn = false;
    for (int x = progress.left() + 2; x < progress.left() + progress.width() / 20 + 4; ++x)
        progressDrawn |= shot.pixel(x, progress.center().y()) != shot.pixel(progress.right() - 3, progress.center().y());
    EXPECT_TRUE(progressDrawn) << "the first percent of the bar is filled";
    EXPECT_EQ(bar().visibleInfoText(), guide);
    bar().EndProgress();

    bar().ShowGuideText({});
    EXPECT_TRUE(bar().visibleInfoText().isEmpty());
    EXPECT_FALSE(bar().infoArea()->isVisible());
}

TEST_F(StatusBarTest, GuideTextReturnsAfterAMenuPrompt)
{
    start();
    const QString guide = QStringLiteral("Ctrlキーを押しながら方向キーで、イメージの微移動ができます");
    bar().ShowGuideText(guide);
    countCalls({cmd::Copy});
    QMenu* edit = openMenu({"編集(&E)"});
    ASSERT_NE(edit, nullptr);
    highlight(edit, cmd::Copy);
    EXPECT_EQ(bar().currentMessage(), QStringLiteral("選択されたイメージをメモリにコピーします"));
    EXPECT_TRUE(bar().visibleInfoText().isEmpty()) << "the prompt has the whole bar";
    edit->close();
    EXPECT_TRUE(bar().currentMessage().isEmpty());
    EXPECT_EQ(bar().visibleInfoText(), guide);
}

struct ProgressCase {
    int items;
    int step;
    int finalPosition;
};

class ProgressTest : public FrameTest, public ::testing::WithParamInterface<ProgressCase> {};

TEST_P(ProgressTest, BarAdvancesOneStepPerStepItemsAndReturnsToZero)
{
    const ProgressCase c = GetParam();
    start();
    const int step = bar().BeginProgress(c.items);
    EXPECT_EQ(step, c.step);
    EXPECT_EQ(bar().progressPosition(), 0);
    for (int done = 1; done <= c.items; ++done) {
        if (done % step == 0)
            bar().StepProgress();
        if (done == 2 * step) {
            EXPECT_EQ(bar().progressPosition(), 2);
        }
    }
    EXPECT_EQ(bar().progressPosition(), c.finalPosition);
    bar().EndProgress();
    EXPECT_EQ(bar().progressPosition(), 0);
}

INSTANTIATE_TEST_SUITE_P(Counts, ProgressTest,
                         ::testing::Values(ProgressCase{50, 1, 50}, ProgressCase{99, 1, 99}, ProgressCase{100, 1, 100},
                                           ProgressCase{250, 2, 100}, ProgressCase{199, 1, 100},
                                           ProgressCase{1000, 10, 100}));

} // namespace
} // namespace vq::test
