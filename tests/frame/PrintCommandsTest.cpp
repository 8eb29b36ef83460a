#include "dialogs/PrintDialog.h"
#include "base/Settings.h"
#include "resources/CommandIds.h"
#include "tests/frame/FrameFixture.h"
#include "tests/frame/ModalDriver.h"
#include "tests/frame/PrintScene.h"

#include <QApplication>
#include <QPageLayout>
#include <QPrinter>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace vq {
namespace {

class PrintCommandsTest : public test::FrameTest {};

TEST_F(PrintCommandsTest, StoredPaperBecomesThePrintRecordForTheRun)
{
    app().settings().setValue(keys::PaperSize, 12);
    app().settings().setValue(keys::Orientation, 2);
    start();
    ASSERT_NE(app().printer(), nullptr);
    EXPECT_EQ(app().printer()->pageLayout().pageSize().id(), QPageSize::JisB4);
    EXPECT_EQ(app().printer()->pageLayout().orientation(), QPageLayout::Landscape);
}

// The toolbar's print button runs the dialog on the application's print
// record; with no printer installed the pages go into the PDF file named.
TEST_F(PrintCommandsTest, ToolbarPrintsTheCanvasIntoAPdf)
{
    if (!test::HasPoppler())
        GTEST_SKIP() << "pdfinfo (poppler-utils) is not installed";
    start();
    test::BuildPrintScene(app().edits().editableDoc(), 1000, 1000,
                          {{QRect(0, 0, 300, 200), Qt::red}, {QRect(600, 500, 300, 300), Qt::blue}});
    QPrinter& printer = *app().printer();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    const QString pdf = filesDir() + QStringLiteral("/canvas.pdf");
    prompts().files.enqueue({pdf});

    bool seen = false;
    QTimer::singleShot(0, &frame(), [&] {
        auto* dialog = qobject_cast<PrintDialog*>(QApplication::activeModalWidget());
        seen = dialog != nullptr;
        if (!dialog)
            return;
        // The choice of printer and paper lasts for the run: the dialog shows the record.
        EXPECT_EQ(dialog->layout().grid, (PageGrid{2, 2}));
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("print")), Qt::LeftButton);
    });
    clickToolButton(cmd::Print);
    EXPECT_TRUE(seen);
    EXPECT_EQ(test::PdfPageCount(pdf), 4);
    const QImage first = test::PdfPage(pdf, 1, 40);
    EXPECT_TRUE(test::NearRgb(test::PixelAtMm(first, 25 + 20, 25 + 20, 40), Qt::red));
}

} // namespace
} // namespace vq
