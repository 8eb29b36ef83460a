// The rotate menu, its toolbar buttons and the any-angle dialog, driven as a
// user drives them.
#include "tests/frame/FrameFixture.h"
#include "tests/frame/ModalDriver.h"

#include "app/DocumentController.h"
#include "app/RotateCommands.h"
#include "dialogs/RotateDialog.h"
#include "edit/Rotate.h"
#include "imaging/Rotate.h"
#include "model/Document.h"
#include "model/UndoHistory.h"
#include "resources/CommandIds.h"
#include "tests/support/Fixtures.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>


namespace vq {
namespace {

class RotateCommandsTest : public test::FrameTest {
protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        start();
        wireRotateCommands(frame());
        Document& doc = app().edits().editableDoc();
        ASSERT_TRUE(AppendNode(doc, test::texturedPhoto(64, 48), 64, 48, 200, 200));
        ASSERT_TRUE(AppendNode(doc, test::texturedPhoto(64, 48), 64, 48, 500, 300));
        original = test::decodedPixels(doc.nodes[0].picture);
        app().edits().commitChange();
    }
    Document& doc() { return app().edits().editableDoc(); }
    QImage original;
};

struct CommandCase {
    const char* name;
    int id;
    bool fromToolbar;
    ExactTurn turn;
};

class RotateMenuTest : public RotateCommandsTest, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(RotateMenuTest, TurnsEverySelectedNodeAsOneStep)
{
    const CommandCase& c = GetParam();
    QTest::keyClick(canvas(), Qt::Key_A, Qt::ControlModifier);
    ASSERT_EQ(doc().selectedCount(), 2);
    frame().updateCommandStates();
    const int steps = app().history().undoCount();
    if (c.fromToolbar)
        clickToolButton(c.id);
    else
        clickMenuItem({QStringLiteral("回転(&R)")}, c.id);

    const QSize turned = TurnedSize({64, 48}, c.turn);
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(doc().nodes[i].picture->pixelSize(), turned) << i;
        EXPECT_EQ(QSize(doc().nodes[i].halfWidth, doc().nodes[i].halfHeight), turned / 2) << i;
    }
    EXPECT_TRUE(test::nearlyEqual(test::decodedPixels(doc().nodes[0].picture), TurnImage(original, c.turn), 4));
    EXPECT_EQ(app().history().undoCount(), steps + 1);
    EXPECT_TRUE(app().document().isModified());
}

INSTANTIATE_TEST_SUITE_P(
    Commands, RotateMenuTest,
    ::testing::Values(CommandCase{"RightFromMenu", cmd::RotateRight, false, ExactTurn::Right90},
                      CommandCase{"RightFromToolbar", cmd::RotateRight, true, ExactTurn::Right90},
                      CommandCase{"HalfFromMenu", cmd::Rotate180, false, ExactTurn::Half},
                      CommandCase{"HalfFromToolbar", cmd::Rotate180, true, ExactTurn::Half},
                      CommandCase{"LeftFromMenu", cmd::RotateLeft, false, ExactTurn::Left90},
                      CommandCase{"LeftFromToolbar", cmd::RotateLeft, true, ExactTurn::Left90},
                      CommandCase{"MirrorFromMenu", cmd::FlipHorizontal, false, ExactTurn::MirrorLeftRight},
                      CommandCase{"MirrorFromToolbar", cmd::FlipHorizontal, true, ExactTurn::MirrorLeftRight},
                      CommandCase{"UpsideDownFromMenu", cmd::FlipVertical, false, ExactTurn::MirrorTopBottom},
                      CommandCase{"UpsideDownFromToolbar", cmd::FlipVertical, true, ExactTurn::MirrorTopBottom}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RotateCommandsTest, WithoutAMainSelectionTheCommandsAreOff)
{
    doc().clearSelection();
    doc().state.mainIndex = -1;
    frame().updateCommandStates();
    for (int id : {cmd::RotateRight, cmd::Rotate180, cmd::RotateLeft, cmd::RotateAny, cmd::FlipHorizontal,
                   cmd::FlipVertical})
        EXPECT_FALSE(frame().action(id)->isEnabled()) << id;
}

// The dialog as a user meets it: type an angle, press Left and Right, close.
TEST_F(RotateCommandsTest, TheAngleDialogTurnsItsNodeOncePerPress)
{
    ASSERT_EQ(doc().state.mainIndex, 1);
    const int steps = app().history().undoCount();
    struct Seen {
        QString title;
        QStringList labels;
        QStringList buttons;
        QSize afterLeft, afterRight, afterZeroRight, afterBigLeft;
        bool ran = false;
    } seen;
    // The menu has its own events to run first; the dialog is handled as
    // soon as it is up.
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = test::activeModalDialog<RotateDialog>();
        if (!dialog || seen.ran)
            return;
        seen.ran = true;
        poll.stop();
        seen.title = dialog->windowTitle();
        for (const QLabel* label : dialog->findChildren<QLabel*>())
            seen.labels << label->text();
        for (const QPushButton* button : dialog->findChildren<QPushButton*>())
            seen.buttons << button->text();
        const auto press = [&](const char* typed, QPushButton* button) {
            dialog->angleEdit()->clear();
            QTest::keyClicks(dialog->angleEdit(), QString::fromUtf8(typed));
            QTest::mouseClick(button, Qt::LeftButton);
            return doc().nodes[1].picture->pixelSize();
        };
        seen.afterLeft = press("90", dialog->leftButton());
        seen.afterRight = press("90", dialog->rightButton());
        seen.afterZeroRight = press("0", dialog->rightButton());
        seen.afterBigLeft = press("400", dialog->leftButton());
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    poll.start();
    clickMenuItem({QStringLiteral("回転(&R)")}, cmd::RotateAny);
    ASSERT_TRUE(waitFor([&] { return seen.ran; }));

    EXPECT_EQ(seen.title, QStringLiteral("任意角度の回転"));
    EXPECT_TRUE(seen.labels.contains(QStringLiteral("角度：")));
    EXPECT_TRUE(seen.labels.contains(QStringLiteral("(0.1 ～ 359.9)")));
    EXPECT_EQ(seen.buttons, (QStringList{QStringLiteral("&Left"), QStringLiteral("&Right")})) << "no OK button";
    EXPECT_EQ(seen.afterLeft, QSize(48, 64));
    EXPECT_EQ(seen.afterRight, QSize(64, 48));
    // 0 is raised to 0.1, so Right turns left by 359.9; 400 is lowered to 359.9.
    EXPECT_EQ(seen.afterZeroRight, RotatedSize({64, 48}, 359.9));
    EXPECT_EQ(seen.afterBigLeft, RotatedSize(RotatedSize({64, 48}, 359.9), 359.9));
    EXPECT_EQ(app().history().undoCount(), std::min(steps + 4, UndoHistory::kSlots - 1));
    EXPECT_EQ(doc().nodes[0].picture->pixelSize(), QSize(64, 48)) << "only the main node turns";
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

} // namespace
} // namespace vq
