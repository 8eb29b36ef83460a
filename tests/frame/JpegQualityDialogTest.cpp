// The JPEG quality dialog driven as a user drives it: the slider, the value
// buttons, accept and cancel, and what "Last"/"Quality" holds afterwards.
#include "dialogs/JpegQualityDialog.h"

#include "base/Settings.h"
#include "tests/support/Isolation.h"

#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <optional>

namespace vq {
namespace {

class JpegQualityDialogTest : public test::IsolatedTest {
protected:
    void SetUp() override
    {
        IsolatedTest::SetUp();
        settings = std::make_unique<Settings>();
    }
    void TearDown() override
    {
        settings.reset();
        IsolatedTest::TearDown();
    }

    std::unique_ptr<JpegQualityDialog> openDialog()
    {
        auto dialog = std::make_unique<JpegQualityDialog>(*settings);
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        return dialog;
    }

    std::unique_ptr<Settings> settings;
};

TEST_F(JpegQualityDialogTest, ShowsItsTexts)
{
    const auto dialog = openDialog();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("画質設定"));
    EXPECT_EQ(dialog->okButton()->text(), QStringLiteral("決定(&S)"));
    EXPECT_TRUE(dialog->okButton()->isDefault());
    EXPECT_EQ(dialog->cancelButton()->text(), QStringLiteral("中止(&C)"));
    QStringList labels;
    for (const QLabel* label : dialog->findChildren<QLabel*>())
        labels << label->text();
    for (const char* text : {"画質：", "10", "100", "低画質　←・→　高画質"})
        EXPECT_TRUE(labels.contains(QString::fromUtf8(text))) << text;
    EXPECT_EQ(dialog->slider()->minimum(), 10);
    EXPECT_EQ(dialog->slider()->maximum(), 100);
}

// The label shows the value as stored, even one the slider cannot reach;
// accepting stores where the slider stands.
TEST_F(JpegQualityDialogTest, StoredValueStartsTheDialogAndAcceptStoresTheSlider)
{
    const struct {
        std::optional<int> stored;
        const char* label;
        int slider;
    } cases[] = {{std::nullopt, "100", 100}, {55, "55", 55}, {5, "5", 10}, {150, "150", 100}, {10, "10", 10}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        if (c.stored)
            settings->setValue(keys::Quality, *c.stored);
        const auto dialog = openDialog();
        EXPECT_EQ(dialog->valueLabel()->text(), QString::fromUtf8(c.label));
        EXPECT_EQ(dialog->slider()->value(), c.slider);
        QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
        EXPECT_EQ(dialog->result(), QDialog::Accepted);
        EXPECT_EQ(dialog->quality(), c.slider);
        EXPECT_EQ(settings->value(keys::Quality), c.slider);
    }
}

TEST_F(JpegQualityDialogTest, ValueButtonsSetSliderAndLabel)
{
    settings->setValue(keys::Quality, 150);
    const auto dialog = openDialog();
    for (int value = 10; value <= 100; value += 10) {
        QPushButton* button = dialog->valueButton(value);
        ASSERT_NE(button, nullptr) << value;
        EXPECT_EQ(button->text(), QString::number(value));
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(dialog->slider()->value(), value);
        EXPECT_EQ(dialog->valueLabel()->text(), QString::number(value));
        EXPECT_TRUE(dialog->isVisible());
    }
    QTest::mouseClick(dialog->valueButton(70), Qt::LeftButton);
    // Enter presses the default button, not the quick choice that was clicked.
    QTest::keyClick(dialog.get(), Qt::Key_Return);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(settings->value(keys::Quality), 70);
}

TEST_F(JpegQualityDialogTest, MovingTheSliderShowsItsPosition)
{
    settings->setValue(keys::Quality, 150);
    const auto dialog = openDialog();
    QSlider* slider = dialog->slider();
    slider->setFocus();
    // At the end already: the value does not change, the label still follows.
    QTest::keyClick(slider, Qt::Key_End);
    EXPECT_EQ(dialog->valueLabel()->text(), QStringLiteral("100"));
    QTest::keyClick(slider, Qt::Key_Left);
    EXPECT_EQ(dialog->valueLabel()->text(), QStringLiteral("99"));
    QTest::keyClick(slider, Qt::Key_PageDown);
    EXPECT_EQ(dialog->valueLabel()->text(), QString::number(slider->value()));
    QTest::keyClick(slider, Qt::Key_Home);
    EXPECT_EQ(dialog->valueLabel()->text(), QStringLiteral("10"));
}

TEST_F(JpegQualityDialogTest, CancelAndEscapeStoreNothing)
{
    for (const bool escape : {false, true}) {
        SCOPED_TRACE(escape ? "Esc" : "中止");
        settings->setValue(keys::Quality, 42);
        const auto dialog = openDialog();
        QTest::mouseClick(dialog->valueButton(80), Qt::LeftButton);
        if (escape)
            QTest::keyClick(dialog.get(), Qt::Key_Escape);
        else
            QTest::mouseClick(dialog->cancelButton(), Qt::LeftButton);
        EXPECT_EQ(dialog->result(), QDialog::Rejected);
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(settings->value(keys::Quality), 42);
    }
}

} // namespace
} // namespace vq
