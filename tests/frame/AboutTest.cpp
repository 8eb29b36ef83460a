// The about box: icon, name and the version history newest first.
#include "tests/frame/DialogAnswers.h"
#include "tests/frame/FrameFixture.h"
#include "tests/frame/ModalDriver.h"

#include "dialogs/AboutDialog.h"
#include "base/Messages.h"
#include "resources/CommandIds.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace vq {
namespace {

class AboutTest : public test::FrameTest {};

TEST_F(AboutTest, ShowsTheProgramAndItsHistoryNewestFirst)
{
    start();
    struct {
        QString title, name, description, history, confirm, tip;
        bool readOnly = false;
        bool iconDrawn = false;
    } seen;
    test::ModalDriver<AboutDialog> driver([&](AboutDialog* d) {
        seen.title = d->windowTitle();
        seen.name = d->findChild<QLabel*>(QStringLiteral("name"))->text();
        seen.description = d->findChild<QLabel*>(QStringLiteral("description"))->text();
        seen.history = d->historyField()->toPlainText();
        seen.readOnly = d->historyField()->isReadOnly();
        seen.confirm = d->confirmButton()->text();
        seen.tip = d->confirmButton()->toolTip();
        // The icon is the program's drawing, not an empty square.
        const QImage icon = d->iconLabel()->pixmap().toImage();
        int opaque = 0;
        for (int y = 0; y < icon.height(); ++y)
            for (int x = 0; x < icon.width(); ++x)
                opaque += qAlpha(icon.pixel(x, y)) > 0 ? 1 : 0;
        seen.iconDrawn = !icon.isNull() && opaque > icon.width() * icon.height() / 3;
        QTest::mouseClick(d->confirmButton(), Qt::LeftButton);
    });
    clickMenuItem({QStringLiteral("ヘルプ(&H)")}, cmd::About);
    ASSERT_TRUE(waitFor([&] { return driver.ran() && !QApplication::activeModalWidget(); }));

    EXPECT_EQ(seen.title, QStringLiteral("バージョン情報"));
    EXPECT_EQ(seen.name, QStringLiteral("Velquin"));
    EXPECT_FALSE(seen.description.isEmpty());
    EXPECT_EQ(seen.history.split(QLatin1Char('\n')),
              (QStringList{QStringLiteral("Ver. 1.02 2022.11.08 アニメポインターの速度調整機能追加"),
                           QStringLiteral("Ver. 1.01 2014.09.20 印刷プレビューに余白の表示を追加"),
                           QStringLiteral("Ver. 1.00 2013.09.22 新規作成"), QString()}));
    EXPECT_TRUE(seen.readOnly);
    EXPECT_EQ(seen.confirm, QStringLiteral("確認(&Y)"));
    EXPECT_TRUE(seen.tip.contains(QStringLiteral("バージョン情報ウィンドウを閉じて戻ります")));
    EXPECT_TRUE(seen.iconDrawn);
}

TEST_F(AboutTest, EnterAndEscapeBothClose)
{
    start();
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        test::DialogAnswers answers;
        answers.answer<AboutDialog>([key](AboutDialog& d) { QTest::keyClick(&d, key); });
        clickMenuItem({QStringLiteral("ヘルプ(&H)")}, cmd::About);
        EXPECT_EQ(answers.runs(), 1) << key;
        EXPECT_TRUE(answers.unanswered().isEmpty()) << answers.unanswered().join(QLatin1Char(' ')).toStdString() << " " << int(key);
    }
}

} // namespace
} // namespace vq
