#include "tests/frame/FrameFixture.h"

#include "resources/CommandIds.h"
#include "base/Settings.h"

#include <QImage>
#include <QMenuBar>
#include <QTest>
#include <QToolBar>

#include <set>

namespace vq::test {
namespace {

using MenuTest = FrameTest;

void collectIds(const QList<QAction*>& actions, std::set<int>& ids)
{
    for (QAction* a : actions) {
        if (a->menu())
            collectIds(a->menu()->actions(), ids);
        else if (!a->isSeparator() && a->data().isValid()) // commands only
            ids.insert(a->data().toInt());
    }
}

std::set<int> idRange(int first, int last)
{
    std::set<int> ids;
    for (int id = first; id <= last; ++id)
        ids.insert(id);
    return ids;
}

bool hasVisiblePixels(const QIcon& icon)
{
    const QImage img = icon.pixmap(24, 24).toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(img.pixel(x, y)) > 0)
                return true;
    return false;
}

TEST_F(MenuTest, WindowHoldsMenusToolbarStatusBarAndTheCanvasAsOnlyClient)
{
    start();
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("無題 - Velquin"));
    EXPECT_EQ(frame().centralWidget(), canvas());
    QStringList titles;
    for (QAction* a : frame().menuBar()->actions())
        titles << a->text();
    EXPECT_EQ(titles, (QStringList{"ファイル(&F)", "編集(&E)", "表示(&V)", "トリミング(&T)", "ボカシ(&B)",
                                   "マルチカット(&M)", "回転(&R)", "整列(&A)", "ヘルプ(&H)"}));
    frame().updateTitle(QStringLiteral("/home/u/albums/trip.vqd"));
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("trip.vqd - Velquin"));
}

TEST_F(MenuTest, MenuBarReachesEveryMainMenuCommandAndNoContextOnlyCommand)
{
    start();
    std::set<int> reachable;
    collectIds(frame().menuBar()->actions(), reachable);

    std::set<int> expected{57600, 57601, 57603, 57604, 362, 361, 360, 359, 57665, 384, 385, 328, 32780, 32791,
                           32782, 397, 336, 426, 59392, 59393, 32792, 374, 375, 376, 401, 402, 403, 405, 407, 408,
                           409, 410, 364, 365, 366, 406, 367, 368, 57670, 57664};
    for (const auto& range : {idRange(57616, 57631), idRange(329, 334), idRange(205, 210), idRange(215, 218),
                              idRange(392, 396), idRange(339, 349)})
        expected.insert(range.begin(), range.end());
    EXPECT_EQ(reachable, expected);

    for (int id : {310, 386, 32783, 32784, 32785, 411, 32788, 32789, 32790, 388, 389, 387, 378, 379, 383, 32773,
                   32779, 398, 399, 400, 32774, 32778, 422, 423, 424, 425, 335, 219})
        EXPECT_NE(frame().action(id), nullptr) << id;
    EXPECT_EQ(frame().action(12345), nullptr);
}

TEST_F(MenuTest, ItemsShowTheirKeyAfterATabAndCarryPromptAndTooltip)
{
    start();
    struct Case {
        int id;
        const char* text;
    };
    for (const Case& c : {Case{cmd::Undo, "元に戻す(&U)\tCtrl+Z"}, Case{cmd::AddImage, "イメージ追加(&I)\tDrag&&Drop"},
                          Case{cmd::ViewProperties, "ビューのプロパティ(&P)\tWClick"}, Case{cmd::Grid40, "40ピクセル間隔"}})
        EXPECT_EQ(frame().action(c.id)->text(), QString::fromUtf8(c.text));

    QAction* spacing = frame().action(cmd::SpaceHorizontal);
    EXPECT_EQ(spacing->text(), QStringLiteral("水平均等揃え"));
    EXPECT_EQ(spacing->statusTip(), QStringLiteral("水平位置を均等に揃えます"));
    EXPECT_EQ(spacing->toolTip(), QStringLiteral("【水平均等揃え】"));
}

TEST_F(MenuTest, CommandRunsFromItsMenuOnlyOnceAHandlerIsRegistered)
{
    start();
    frame().registerHandler(cmd::SaveAsImage, {});
    QMenu* file = openMenu({"ファイル(&F)"});
    ASSERT_NE(file, nullptr);
    EXPECT_FALSE(frame().action(cmd::SaveAsImage)->isEnabled());
    file->close();

    countCalls({cmd::SaveAsImage});
    EXPECT_TRUE(frame().action(cmd::SaveAsImage)->isEnabled());
    clickMenuItem({"ファイル(&F)"}, cmd::SaveAsImage);
    EXPECT_EQ(calls[cmd::SaveAsImage], 1);
}

TEST_F(MenuTest, RecentFilesAreListedWhenPresentAndHiddenWhenNot)
{
    app().settings().setRecentFiles({"/data/one.vqd", "/data/R&D/two.vqd"});
    start();
    openMenu({"ファイル(&F)"})->close();
    EXPECT_TRUE(frame().action(cmd::RecentFirst)->isVisible());
    EXPECT_EQ(frame().action(cmd::RecentFirst)->text(), QStringLiteral("&1 /data/one.vqd"));
    EXPECT_EQ(frame().action(cmd::RecentFirst + 1)->text(), QStringLiteral("&2 /data/R&&D/two.vqd"));
    EXPECT_EQ(frame().recentFilePath(cmd::RecentFirst + 1), QStringLiteral("/data/R&D/two.vqd"));
    EXPECT_FALSE(frame().action(cmd::RecentFirst + 2)->isVisible());
    EXPECT_EQ(frame().action(cmd::RecentFirst)->statusTip(), QStringLiteral("指定のファイルを開く"));

    app().settings().setRecentFiles({});
    openMenu({"ファイル(&F)"})->close();
    for (int id = cmd::RecentFirst; id <= cmd::RecentLast; ++id)
        EXPECT_FALSE(frame().action(id)->isVisible()) << id;
    EXPECT_TRUE(frame().recentFilePath(cmd::RecentFirst).isEmpty());
}

// The visible items where the recent documents are listed: after
// the item of command `after` and its separator, up to the next separator.
QList<QAction*> recentSlot(QMenu* menu, QAction* after)
{
    const QList<QAction*> all = menu->actions();
    QList<QAction*> slot;
    qsizetype i = all.indexOf(after) + 1;
    while (i < all.size() && (all[i]->isSeparator() || !all[i]->isVisible()))
        ++i;
    for (; i < all.size() && !(all[i]->isSeparator() && all[i]->isVisible()); ++i)
        if (all[i]->isVisible())
            slot << all[i];
    return slot;
}

TEST_F(MenuTest, EmptyRecentListShowsOneGreyedItemInItsPlace)
{
    start();
    QMenu* file = openMenu({"ファイル(&F)"});
    ASSERT_NE(file, nullptr);
    frame().updateCommandStates();
    QList<QAction*> slot = recentSlot(file, frame().action(cmd::ManageRecent));
    ASSERT_EQ(slot.size(), 1);
    EXPECT_EQ(slot[0]->text(), QStringLiteral("最近使ったファイル"));
    EXPECT_FALSE(slot[0]->isEnabled());
    EXPECT_FALSE(file->actionGeometry(slot[0]).isEmpty());
    // A click on it is a click on nothing: the menu stays open.
    QTest::mouseClick(file, Qt::LeftButton, {}, file->actionGeometry(slot[0]).center());
    EXPECT_TRUE(file->isVisible());
    file->close();

    app().settings().setRecentFiles({"/data/one.vqd"});
    file = openMenu({"ファイル(&F)"});
    ASSERT_NE(file, nullptr);
    slot = recentSlot(file, frame().action(cmd::ManageRecent));
    ASSERT_EQ(slot.size(), 1);
    EXPECT_EQ(slot[0], frame().action(cmd::RecentFirst));
    file->close();
}

TEST_F(MenuTest, ToolbarHoldsTheBasicButtonsInOrderEachWithAnIcon)
{
    start();
    QToolBar* bar = frame().toolBar();
    EXPECT_EQ(bar->windowTitle(), QStringLiteral("基本"));
    QStringList order;
    for (QAction* a : bar->actions()) {
        order << (a->isSeparator() ? QStringLiteral("|") : QString::number(a->data().toInt()));
        if (!a->isSeparator()) {
            EXPECT_TRUE(hasVisiblePixels(a->icon())) << a->data().toInt();
        }
    }
    EXPECT_EQ(order.join(' '), QStringLiteral("57600 57601 57603 57604 362 361 | 32780 32791 32782 | 397 335 336 426 32792 | "
                                              "392 393 394 395 396 | 364 365 366 406 367 368 | 339 340 341 342 343 344 "
                                              "345 346 347 348 349 | 384 385 | 57670 57664"));
    EXPECT_EQ(frame().action(cmd::GridButton)->toolTip(), QStringLiteral("グリッド表示/非表示"));
}

TEST_F(MenuTest, HighlightingAnItemShowsItsPromptInTheStatusBar)
{
    start();
    // Keyboard navigation passes over disabled items.
    countCalls({cmd::Print});
    QMenu* file = openMenu({"ファイル(&F)"});
    ASSERT_NE(file, nullptr);
    highlight(file, cmd::Print);
    EXPECT_EQ(bar().currentMessage(), QStringLiteral("ビューの表示内容を印刷します"));
    file->close();
}

} // namespace
} // namespace vq::test
