// The recent-file manager: ticking and deleting rows, deleting everything,
// showing a file's folder, and the File menu following every change.
#include "tests/frame/DialogAnswers.h"
#include "tests/frame/FrameFixture.h"
#include "tests/frame/ModalDriver.h"

#include "shell/ShellUtilities.h"
#include "dialogs/RecentFilesDialog.h"
#include "base/Settings.h"
#include "resources/CommandIds.h"

#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace vq {
namespace {

const QStringList kFileMenu{QStringLiteral("ファイル(&F)")};

struct Row {
    QString number;
    QString path;
    bool ticked;
    bool operator==(const Row&) const = default;
};

void PrintTo(const Row& r, std::ostream* os)
{
    *os << '{' << r.number.toStdString() << ' ' << r.path.toStdString() << (r.ticked ? " ticked}" : "}");
}

std::vector<Row> rowsOf(const QTableWidget* list)
{
    std::vector<Row> rows;
    for (int r = 0; r < list->rowCount(); ++r)
        rows.push_back({list->item(r, 0)->text(), list->item(r, 1)->text(), list->item(r, 0)->checkState() == Qt::Checked});
    return rows;
}

// Ticks a row as a user does with the keyboard: a click on its path, the
// left arrow onto its tick box and Space.
void tick(QTableWidget* list, int row)
{
    const QRect cell = list->visualItemRect(list->item(row, 1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::keyClick(list, Qt::Key_Left);
    QTest::keyClick(list, Qt::Key_Space);
}

class RecentFilesTest : public test::FrameTest {
protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        for (int i = 1; i <= 5; ++i) {
            const QString folder = filesDir() + QStringLiteral("/doc%1").arg(i);
            QDir().mkpath(folder);
            paths << folder + QStringLiteral("/絵%1.vqd").arg(i);
        }
        app().settings().setRecentFiles(paths);
        start();
        m_previousOpener = setUrlOpener([this](const QUrl& url) {
            opened << url;
            return true;
        });
    }
    void TearDown() override
    {
        setUrlOpener(m_previousOpener);
        FrameTest::TearDown();
    }

    // Opens the manager from the File menu, lets `work` use it, and closes it
    // with "戻る" when work leaves it open.
    void manage(const std::function<void(RecentFilesDialog*)>& work)
    {
        test::DialogAnswers answers;
        answers.answer<RecentFilesDialog>([&](RecentFilesDialog& d) {
            work(&d);
            if (d.isVisible())
                QTest::mouseClick(d.backButton(), Qt::LeftButton);
        });
        clickMenuItem(kFileMenu, cmd::ManageRecent);
        ASSERT_EQ(answers.runs(), 1);
        ASSERT_TRUE(answers.unanswered().isEmpty());
    }

    // The recent documents the File menu offers, top to bottom.
    QStringList menuPaths()
    {
        QStringList shown;
        for (int id = cmd::RecentFirst; id <= cmd::RecentLast; ++id)
            if (frame().action(id)->isVisible())
                shown << frame().recentFilePath(id);
        return shown;
    }
    QAction* placeholder() { return frame().findChild<QAction*>(QStringLiteral("recentFilesPlaceholder")); }

    QStringList paths;
    QList<QUrl> opened;

private:
    UrlOpener m_previousOpener;
};

TEST_F(RecentFilesTest, ListsTheRecentFilesNumberedAndUnticked)
{
    std::vector<Row> rows;
    QStringList headers;
    QString note;
    manage([&](RecentFilesDialog* d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("最近使ったファイルの管理"));
        rows = rowsOf(d->list());
        for (int c = 0; c < d->list()->columnCount(); ++c)
            headers << d->list()->horizontalHeaderItem(c)->text();
        EXPECT_EQ(d->list()->columnWidth(0), 60);
        EXPECT_GE(d->list()->columnWidth(1), 450);
        EXPECT_EQ(d->deleteCheckedButton()->text(), QStringLiteral("チェックのある履歴を削除(&P)"));
        EXPECT_EQ(d->deleteAllButton()->text(), QStringLiteral("すべての履歴を削除(&A)"));
        EXPECT_EQ(d->backButton()->text(), QStringLiteral("戻る(&B)"));
        for (const QLabel* label : d->findChildren<QLabel*>())
            note += label->text();
    });
    EXPECT_EQ(headers, (QStringList{QStringLiteral("№"), QStringLiteral("パス")}));
    EXPECT_EQ(rows, (std::vector<Row>{{"1", paths[0], false},
                                      {"2", paths[1], false},
                                      {"3", paths[2], false},
                                      {"4", paths[3], false},
                                      {"5", paths[4], false}}));
    EXPECT_TRUE(note.contains(QStringLiteral("※ 行をＷクリックするとファイルの場所を表示します。")));
    EXPECT_EQ(app().settings().recentFiles(), paths) << "looking changes nothing";
}

struct DeleteCase {
    const char* name;
    std::set<int> ticked; // rows, 0-based
    bool all;             // "すべての履歴を削除" instead
    std::vector<int> left;
};

class RecentFilesDeleteTest : public RecentFilesTest, public ::testing::WithParamInterface<DeleteCase> {};

TEST_P(RecentFilesDeleteTest, RemovesTheRowsTheEntriesAndTheMenuItemsAtOnce)
{
    const DeleteCase& c = GetParam();
    std::vector<Row> rowsAfter;
    QStringList menuWhileOpen;
    manage([&](RecentFilesDialog* d) {
        for (int row : c.ticked)
            tick(d->list(), row);
        QTest::mouseClick(c.all ? d->deleteAllButton() : d->deleteCheckedButton(), Qt::LeftButton);
        rowsAfter = rowsOf(d->list());
        // The menu follows while the manager is still open.
        menuWhileOpen = menuPaths();
    });

    QStringList left;
    std::vector<Row> expectedRows;
    for (int i : c.left) {
        left << paths[i];
        expectedRows.push_back({QString::number(expectedRows.size() + 1), paths[i], false});
    }
    EXPECT_EQ(rowsAfter, expectedRows) << "renumbered from 1, unticked";
    EXPECT_EQ(app().settings().recentFiles(), left);
    EXPECT_EQ(menuWhileOpen, left);
    EXPECT_EQ(menuPaths(), left);

    // What a user sees in the File menu now.
    QMenu* menu = openMenu(kFileMenu);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(placeholder()->isVisible(), left.isEmpty());
    EXPECT_FALSE(placeholder()->isEnabled()) << "the empty list's entry is greyed";
    EXPECT_TRUE(menu->actions().contains(placeholder()));
    if (!left.isEmpty()) {
        EXPECT_TRUE(frame().action(cmd::RecentFirst)->text().startsWith(QStringLiteral("&1 ")));
    }
    menu->close();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RecentFilesDeleteTest,
    ::testing::Values(DeleteCase{"rows_2_and_4", {1, 3}, false, {0, 2, 4}},
                      DeleteCase{"first_and_last", {0, 4}, false, {1, 2, 3}},
                      DeleteCase{"nothing_ticked", {}, false, {0, 1, 2, 3, 4}},
                      DeleteCase{"every_row_ticked", {0, 1, 2, 3, 4}, false, {}},
                      DeleteCase{"delete_all", {}, true, {}},
                      DeleteCase{"delete_all_ignores_ticks", {2}, true, {}}),
    [](const ::testing::TestParamInfo<DeleteCase>& info) { return std::string(info.param.name); });

TEST_F(RecentFilesTest, DeletingTwiceKeepsRowsAndEntriesInStep)
{
    std::vector<Row> rowsAfter;
    manage([&](RecentFilesDialog* d) {
        tick(d->list(), 0);
        QTest::mouseClick(d->deleteCheckedButton(), Qt::LeftButton);
        // The old fourth row is now the third.
        tick(d->list(), 2);
        QTest::mouseClick(d->deleteCheckedButton(), Qt::LeftButton);
        rowsAfter = rowsOf(d->list());
    });
    EXPECT_EQ(rowsAfter, (std::vector<Row>{{"1", paths[1], false}, {"2", paths[2], false}, {"3", paths[4], false}}));
    EXPECT_EQ(app().settings().recentFiles(), (QStringList{paths[1], paths[2], paths[4]}));
}

struct DoubleClickCase {
    const char* name;
    bool folderExists;
    bool opens;
    QList<int> messages;
};

class RecentFilesDoubleClickTest : public RecentFilesTest, public ::testing::WithParamInterface<DoubleClickCase> {};

TEST_P(RecentFilesDoubleClickTest, ShowsTheFolderOfTheRow)
{
    const DoubleClickCase& c = GetParam();
    if (!c.folderExists) {
        ASSERT_TRUE(QDir(QFileInfo(paths[2]).path()).removeRecursively());
    }
    manage([&](RecentFilesDialog* d) {
        QTableWidget* list = d->list();
        const QRect cell = list->visualItemRect(list->item(2, 1));
        // What the window system sends for a double-click: a click, then
        // the second press as a double-click and its release.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, cell.center());
    });
    const QList<QUrl> expected = c.opens ? QList<QUrl>{QUrl::fromLocalFile(QFileInfo(paths[2]).path())} : QList<QUrl>{};
    EXPECT_EQ(opened, expected);
    EXPECT_EQ(prompts().messageIds(), c.messages);
    EXPECT_EQ(app().settings().recentFiles(), paths) << "showing a folder removes nothing";
}

INSTANTIATE_TEST_SUITE_P(Folders, RecentFilesDoubleClickTest,
                         ::testing::Values(DoubleClickCase{"existing_folder", true, true, {}},
                                           DoubleClickCase{"folder_gone", false, false, {30048}}),
                         [](const ::testing::TestParamInfo<DoubleClickCase>& info) {
                             return std::string(info.param.name);
                         });

class RecentFilesEmptyTest : public test::FrameTest {};

TEST_F(RecentFilesEmptyTest, AnEmptyListShowsAnEmptyManagerAndAGreyedMenuEntry)
{
    start();
    int rows = -1;
    test::ModalDriver<RecentFilesDialog> driver([&](RecentFilesDialog* d) {
        rows = d->list()->rowCount();
        QTest::mouseClick(d->deleteCheckedButton(), Qt::LeftButton);
        QTest::mouseClick(d->deleteAllButton(), Qt::LeftButton);
        QTest::mouseClick(d->backButton(), Qt::LeftButton);
    });
    clickMenuItem(kFileMenu, cmd::ManageRecent);
    ASSERT_TRUE(waitFor([&] { return driver.ran() && !QApplication::activeModalWidget(); }));
    EXPECT_EQ(rows, 0);
    auto* entry = frame().findChild<QAction*>(QStringLiteral("recentFilesPlaceholder"));
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(entry->isVisible());
    EXPECT_FALSE(entry->isEnabled());
    EXPECT_EQ(entry->text(), QStringLiteral("最近使ったファイル"));
}

} // namespace
} // namespace vq
