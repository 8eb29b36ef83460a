// The blur settings and trimming-by-size dialogs, used with the keyboard and
// the mouse as a user uses them.
#include "dialogs/BlurSettingsDialog.h"
#include "dialogs/TrimBySizeDialog.h"
#include "base/Settings.h"
#include "tests/support/Isolation.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

namespace vq {
namespace {

// Replaces a number box's text by `text` as typed.
void typeInto(QSpinBox* box, const QString& text)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, text);
}

QStringList labelTexts(const QWidget& dialog)
{
    QStringList texts;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        texts << label->text();
    return texts;
}

struct BokashiCase {
    const char* name;
    int storedBlock;
    int storedType;
    int shownType;     // the method checked on opening
    const char* typed; // into the block box; empty leaves it
    int clickType;     // -1 leaves the method
    bool save;
    int expectBlock;
    int expectType;
};

class BokashiDialogTest : public test::IsolatedTest, public ::testing::WithParamInterface<BokashiCase> {};

TEST_P(BokashiDialogTest, ShowsTheStoredValuesAndStoresOnlyOnSave)
{
    const BokashiCase& c = GetParam();
    Settings settings;
    settings.setValue(keys::BlockW, c.storedBlock);
    settings.setValue(keys::BokashiType, c.storedType);
    BlurSettingsDialog dialog(settings);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("ボカシ設定"));
    EXPECT_TRUE(dialog.methodButton(c.shownType)->isChecked()) << c.name;
    EXPECT_EQ(dialog.blockBox()->minimum(), 2);
    EXPECT_EQ(dialog.blockBox()->maximum(), 100);
    if (*c.typed)
        typeInto(dialog.blockBox(), QString::fromUtf8(c.typed));
    if (c.clickType >= 0)
        QTest::mouseClick(dialog.methodButton(c.clickType), Qt::LeftButton);
    QTest::mouseClick(c.save ? dialog.saveButton() : dialog.cancelButton(), Qt::LeftButton);

    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(settings.value(keys::BlockW), c.expectBlock) << c.name;
    EXPECT_EQ(settings.value(keys::BokashiType), c.expectType) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Uses, BokashiDialogTest,
    ::testing::Values(BokashiCase{"typed and saved", 10, 0, 0, "37", 1, true, 37, 1},
                      BokashiCase{"random kept, saved", 25, 2, 2, "", -1, true, 25, 2},
                      BokashiCase{"cancelled", 25, 2, 2, "5", 0, false, 25, 2},
                      BokashiCase{"an unknown type shows simple", 10, 9, 0, "", -1, true, 10, 0},
                      BokashiCase{"a stored size out of range is shown in range", 500, 1, 1, "", 2, true, 100, 2}));

class BokashiTextsTest : public test::IsolatedTest {};

TEST_F(BokashiTextsTest, NameTheMethodsAndTheirEffect)
{
    Settings settings;
    BlurSettingsDialog dialog(settings);
    EXPECT_EQ(dialog.methodButton(0)->text(), QStringLiteral("単純ボカシ"));
    EXPECT_EQ(dialog.methodButton(1)->text(), QStringLiteral("平均値ボカシ"));
    EXPECT_EQ(dialog.methodButton(2)->text(), QStringLiteral("ランダムボカシ"));
    const QStringList labels = labelTexts(dialog);
    for (const char* text : {"1 ブロックサイズまたは数値の範囲：", "(2 ～ 100)", "2 ボカシ方法：",
                             "ブロックの最初の色をブロック内のすべてのピクセルにセットします。",
                             "ブロック内の平均色をブロック内のすべてのピクセルにセットします。",
                             "１ピクセル毎に指定した範囲のランダムな数値で、薄くしたり濃くしたりします。"})
        EXPECT_TRUE(labels.contains(QString::fromUtf8(text))) << text;
    EXPECT_EQ(dialog.saveButton()->text(), QStringLiteral("保存(&S)"));
    EXPECT_EQ(dialog.cancelButton()->text(), QStringLiteral("中止(&C)"));
}

TEST(CutDialog, TakesTheFourSizesFromItsBoxes)
{
    TrimBySizeDialog dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("切り詰め処理"));
    EXPECT_EQ(dialog.executeButton()->text(), QStringLiteral("実行(&G)"));
    const QStringList labels = labelTexts(dialog);
    for (const char* text : {"→", "↓", "←", "↑", "(0 ～ 10)"})
        EXPECT_TRUE(labels.contains(QString::fromUtf8(text))) << text;
    for (QSpinBox* box : {dialog.leftBox(), dialog.topBox(), dialog.rightBox(), dialog.bottomBox()}) {
        EXPECT_EQ(box->value(), 0);
        EXPECT_EQ(box->minimum(), 0);
        EXPECT_EQ(box->maximum(), 10);
    }

    typeInto(dialog.leftBox(), QStringLiteral("3"));
    dialog.topBox()->setFocus();
    QTest::keyClick(dialog.topBox(), Qt::Key_Up);
    QTest::keyClick(dialog.topBox(), Qt::Key_Up);
    typeInto(dialog.rightBox(), QStringLiteral("x9")); // letters are refused
    typeInto(dialog.bottomBox(), QStringLiteral("10"));
    dialog.bottomBox()->setFocus();
    QTest::keyClick(dialog.bottomBox(), Qt::Key_Up); // stays at the top of its range
    QTest::mouseClick(dialog.executeButton(), Qt::LeftButton);

    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const CutSizes sizes = dialog.sizes();
    EXPECT_EQ(sizes.left, 3);
    EXPECT_EQ(sizes.top, 2);
    EXPECT_EQ(sizes.right, 9);
    EXPECT_EQ(sizes.bottom, 10);
    EXPECT_TRUE(sizes.any());
}

TEST(CutDialog, EnterInABoxExecutesWithWhatWasTyped)
{
    TrimBySizeDialog dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    typeInto(dialog.rightBox(), QStringLiteral("7"));
    QTest::keyClick(dialog.rightBox(), Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.sizes().right, 7);
    EXPECT_EQ(dialog.sizes().left, 0);
}

} // namespace
} // namespace vq
