#include "app/MainWindow.h"
#include "app/Application.h"
#include "base/Settings.h"
#include "tests/support/Isolation.h"
#include "tests/support/ScriptedPrompter.h"

#include <QAbstractButton>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPageLayout>
#include <QPrinter>

#include <gtest/gtest.h>

#include <optional>

namespace vq {
namespace {

// What Qt's own dialogs say: the standard buttons, the file name field and the
// colour dialog's title.
QStringList qtTexts()
{
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QFileDialog files;
    QColorDialog colours;
    return {box.button(QMessageBox::Yes)->text(), box.button(QMessageBox::No)->text(),
            box.button(QMessageBox::Cancel)->text(), files.labelText(QFileDialog::FileName), colours.windowTitle()};
}

const QStringList kJapanese{"はい(&Y)", "いいえ(&N)", "キャンセル", "ファイル名(&N):", "色を選択"};
const QStringList kEnglish{"&Yes", "&No", "Cancel", "File &name:", "Select Color"};

class StartUpTest : public test::IsolatedTest {
protected:
    void TearDown() override
    {
        app.reset();
        IsolatedTest::TearDown();
    }
    test::ScriptedPrompter prompts;
    std::unique_ptr<Application> app = std::make_unique<Application>();
};

TEST_F(StartUpTest, QtSpeaksJapaneseWhileTheProgramRuns)
{
    ASSERT_EQ(qtTexts(), kEnglish);
    ASSERT_TRUE(app->InitInstance({QStringLiteral("velquin")}));
    EXPECT_EQ(qtTexts(), kJapanese);
    app.reset();
    EXPECT_EQ(qtTexts(), kEnglish);
}

TEST_F(StartUpTest, StartsWithoutTheTranslation)
{
    app->qtTranslationsFolder = filesDir();
    ASSERT_TRUE(app->InitInstance({QStringLiteral("velquin")}));
    EXPECT_TRUE(app->mainFrame->isVisible());
    EXPECT_EQ(qtTexts(), kEnglish);
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(StartUpTest, StoredPaperAndOrientationBecomeThePrinterDefaults)
{
    app->settings().setValue(keys::PaperSize, 13);
    app->settings().setValue(keys::Orientation, 2);
    ASSERT_TRUE(app->InitPrinterDefaults());
    const QPageLayout layout = app->printer()->pageLayout();
    EXPECT_EQ(layout.pageSize().id(), QPageSize::JisB5);
    EXPECT_EQ(layout.orientation(), QPageLayout::Landscape);
}

TEST(PaperCodeTest, CodesNameTheSystemsPaperSizes)
{
    const struct {
        int code;
        std::optional<QPageSize::PageSizeId> size;
    } cases[] = {
        {1, QPageSize::Letter}, {5, QPageSize::Legal},  {8, QPageSize::A3},     {9, QPageSize::A4},
        {11, QPageSize::A5},    {12, QPageSize::JisB4}, {13, QPageSize::JisB5}, {0, std::nullopt},
        {-1, std::nullopt},     {999, std::nullopt},
    };
    for (const auto& c : cases) {
        const std::optional<QPageSize> size = PageSizeFromPaperCode(c.code);
        ASSERT_EQ(size.has_value(), c.size.has_value()) << c.code;
        if (size) {
            EXPECT_EQ(size->id(), *c.size) << c.code;
        }
    }
}

TEST(PaperCodeTest, UnknownCodeKeepsThePrintersOwnPaper)
{
    const struct {
        int code;
        int orientation;
        QPageSize::PageSizeId size;
        QPageLayout::Orientation expectedOrientation;
    } cases[] = {
        {12, 1, QPageSize::JisB4, QPageLayout::Portrait},
        {999, 2, QPageSize::Letter, QPageLayout::Landscape},
        {0, 7, QPageSize::Letter, QPageLayout::Portrait},
    };
    for (const auto& c : cases) {
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::Letter));
        printer.setPageOrientation(QPageLayout::Landscape);
        ApplyPaperSettings(printer, c.code, c.orientation);
        EXPECT_EQ(printer.pageLayout().pageSize().id(), c.size) << c.code;
        EXPECT_EQ(printer.pageLayout().orientation(), c.expectedOrientation) << c.code;
    }
}

} // namespace
} // namespace vq
