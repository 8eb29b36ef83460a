#include "dialogs/PrintDialog.h"
#include "imaging/PictureCache.h"
#include "model/RangeModeState.h"
#include "base/Settings.h"
#include "tests/frame/PrintScene.h"
#include "tests/support/Isolation.h"
#include "tests/support/ScriptedPrompter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPageLayout>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace vq {
namespace {

// A4 portrait PDF printer at 600 dpi with an unprintable border of a quarter
// inch (6.35 mm, so a minimum margin of 6 mm); a 1000 x 1000 canvas, which
// needs 2 x 2 pages with the default margins 25/10/25/10.
class PrintDialogTest : public test::IsolatedTest {
protected:
    void SetUp() override
    {
        IsolatedTest::SetUp();
        m_settings = std::make_unique<Settings>();
        m_prompts = std::make_unique<test::ScriptedPrompter>();
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_printer->setOutputFormat(QPrinter::PdfFormat);
        m_printer->setResolution(600);
        QPageLayout layout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(), QPageLayout::Inch);
        layout.setMinimumMargins(QMarginsF(0.25, 0.25, 0.25, 0.25));
        m_printer->setPageLayout(layout);
        test::BuildPrintScene(m_doc, 1000, 1000,
                              {{QRect(0, 0, 300, 200), Qt::red}, {QRect(600, 500, 300, 300), Qt::blue}});
    }
    void TearDown() override
    {
        m_dialog.reset();
        IsolatedTest::TearDown();
    }

    PrintDialog& open()
    {
        m_dialog = std::make_unique<PrintDialog>(*m_printer, *m_settings, m_doc, m_sys, m_mode);
        m_dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(m_dialog.get()));
        return *m_dialog;
    }
    template <typename T>
    T* child(const char* name)
    {
        T* w = m_dialog->findChild<T*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QString text(const char* label) { return child<QLabel>(label)->text(); }
    // Radio buttons and check boxes answer on their indicator and caption,
    // not across the width their layout gives them.
    void click(const char* name)
    {
        QAbstractButton* button = child<QAbstractButton>(name);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
    }
    void typeInto(QWidget* field, const QString& typed, bool finish)
    {
        field->setFocus();
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, typed);
        if (finish)
            QTest::keyClick(field, Qt::Key_Tab);
    }

    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<test::ScriptedPrompter> m_prompts;
    std::unique_ptr<QPrinter> m_printer;
    Document m_doc;
    SysSettings m_sys;
    RangeMode m_mode;
    std::unique_ptr<PrintDialog> m_dialog;
};

TEST_F(PrintDialogTest, OpensWithThePrinterThePaperAndThePageGrid)
{
    PrintDialog& dialog = open();
    ASSERT_TRUE(dialog.hasPrinter());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("印刷"));
    EXPECT_EQ(text("printerName"), QStringLiteral("PDF"));
    EXPECT_EQ(text("paperName"), QStringLiteral("A4Sheet, 210x297mm"));
    EXPECT_EQ(text("paperSize"), QStringLiteral("210.0 X 297.0mm"));
    EXPECT_EQ(text("pageGrid"), QStringLiteral("(横 2 × 縦 2 ページ)"));
    EXPECT_EQ(text("pageCount"), QStringLiteral("/ 4 ページ"));
    EXPECT_EQ(child<QLineEdit>("lastPage")->text(), QStringLiteral("4"));
    EXPECT_EQ(child<QLineEdit>("firstPage")->text(), QStringLiteral("1"));
    EXPECT_TRUE(child<QRadioButton>("portrait")->isChecked());
    EXPECT_TRUE(child<QRadioButton>("rangeAll")->isChecked());
    EXPECT_FALSE(child<QCheckBox>("fitOnePage")->isEnabled());
    EXPECT_EQ(child<QSpinBox>("marginLeft")->value(), 25);
    EXPECT_EQ(child<QSpinBox>("marginBottom")->value(), 10);
    EXPECT_EQ(child<QPushButton>("print")->toolTip(), QStringLiteral("指定した設定内容で印刷を実行します"));
    EXPECT_EQ(child<QPushButton>("setup")->toolTip(), QStringLiteral("プリンタ名や用紙サイズなどを変更します"));
    EXPECT_EQ(dialog.minimumSize(), dialog.minimumTrackSize());
    EXPECT_GT(dialog.layout().paperRect.width(), 0);
}

TEST_F(PrintDialogTest, MarginsTypedOutOfRangeAreCorrected)
{
    const struct {
        const char* field;
        QString typed;
        bool finish;
        int expected;
    } cases[] = {
        {"marginLeft", "60", false, 50},
        {"marginRight", "99", false, 50},
        {"marginTop", "0", true, 6},     // the printer's minimum
        {"marginBottom", "3", true, 6},
        {"marginLeft", "30", true, 30},  // "3" on the way to 30 is left alone
        {"marginRight", "6", true, 6},
        {"marginTop", "50", true, 50},
    };
    open();
    for (const auto& c : cases) {
        QSpinBox* field = child<QSpinBox>(c.field);
        typeInto(field, c.typed, c.finish);
        EXPECT_EQ(field->value(), c.expected) << c.field << " typed " << c.typed.toStdString();
    }
    const MarginsMm used = m_dialog->printSettings().margins;
    EXPECT_EQ(used, (MarginsMm{30, 6, 50, 6}));

    // The minimum button puts the printer's minimum into every field.
    QTest::mouseClick(child<QPushButton>("minimumMargins"), Qt::LeftButton);
    EXPECT_EQ(m_dialog->printSettings().margins, (MarginsMm{6, 6, 6, 6}));
    // Thinner margins, fewer pages: 264.6 mm on 197.3 x 284.3 mm.
    EXPECT_EQ(text("pageGrid"), QStringLiteral("(横 2 × 縦 1 ページ)"));
    EXPECT_EQ(child<QLineEdit>("lastPage")->text(), QStringLiteral("2"));
}

TEST_F(PrintDialogTest, MarginsThatLeaveNoPrintableAreaAreRefused)
{
    // A card 98 mm wide: 50 mm on both sides would leave nothing to print on.
    QPageLayout card(QPageSize(QSizeF(98, 148), QPageSize::Millimeter), QPageLayout::Portrait, QMarginsF(),
                     QPageLayout::Millimeter);
    m_printer->setPageLayout(card);
    open();
    QSpinBox* left = child<QSpinBox>("marginLeft");
    QSpinBox* right = child<QSpinBox>("marginRight");
    left->setValue(50);
    EXPECT_EQ(left->value(), 50);
    right->setValue(50);
    EXPECT_EQ(right->value(), 10) << "the last good value stays";
    typeInto(right, QStringLiteral("49"), true);
    EXPECT_EQ(right->value(), 4) << "\"4\" on the way fits; 49 then leaves no room";
    EXPECT_EQ(m_dialog->printSettings().margins, (MarginsMm{50, 4, 25, 10}));

    // Stored margins that do not fit the sheet fall back to the printer's
    // minimum instead of leaving an empty page.
    m_dialog.reset();
    m_settings->setValue(keys::MarginLmm, 50);
    m_settings->setValue(keys::MarginRmm, 50);
    open();
    EXPECT_EQ(m_dialog->printSettings().margins, (MarginsMm{0, 0, 0, 0}));
    EXPECT_EQ(text("pageGrid"), QStringLiteral("(横 3 × 縦 2 ページ)"));
}

// Small paper in a large window shows the canvas larger than it is: only
// what the sheet shows is drawn, and a margin step draws nothing again.
TEST_F(PrintDialogTest, PreviewIsDrawnNoLargerThanShownAndKeptAcrossMarginSteps)
{
    test::BuildPrintScene(m_doc, 10000, 7500, {{QRect(0, 0, 1000, 100), Qt::red}});
    QPageLayout card(QPageSize(QSizeF(98, 148), QPageSize::Millimeter), QPageLayout::Portrait, QMarginsF(),
                     QPageLayout::Millimeter);
    m_printer->setPageLayout(card);
    m_settings->setValue(keys::InsatuSX, 900);
    m_settings->setValue(keys::InsatuSY, 800);
    open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_dialog->previewShowsEveryPicture(); }, 10000));
    PrintPreview* preview = child<PrintPreview>("preview");
    const QRect paper = m_dialog->layout().paperRect;
    ASSERT_GT(m_dialog->layout().previewScale, 1.0f);
    const QImage first = preview->scene().canvas;
    EXPECT_LE(first.width(), paper.width());
    EXPECT_LE(first.height(), paper.height());

    for (const char* field : {"marginRight", "marginBottom", "marginLeft"}) {
        SCOPED_TRACE(field);
        typeInto(child<QSpinBox>(field), QStringLiteral("5"), true);
        EXPECT_EQ(preview->scene().canvas.cacheKey(), first.cacheKey());
    }
    // The first page shows the canvas's corner: the red node and white below it.
    const QImage shown = preview->grab().toImage();
    const QRect p = preview->printableRect();
    const int nodeW = int(1000 * m_dialog->layout().previewScale);
    const int nodeH = int(100 * m_dialog->layout().previewScale);
    ASSERT_LT(p.width(), nodeW);
    EXPECT_TRUE(test::NearRgb(shown.pixel(p.topLeft() + QPoint(10, nodeH - 2)), Qt::red));
    EXPECT_TRUE(test::NearRgb(shown.pixel(p.topLeft() + QPoint(10, nodeH + 2)), Qt::white));

    // The third page draws its own block, where the node ends.
    child<QSpinBox>("page")->setValue(3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_dialog->previewShowsEveryPicture(); }, 10000));
    const QImage second = preview->scene().canvas;
    EXPECT_NE(second.cacheKey(), first.cacheKey());
    EXPECT_LE(second.width(), paper.width());
    const QImage page2 = preview->grab().toImage();
    const QRect q = preview->printableRect();
    const int end = nodeW - 2 * q.width();
    EXPECT_TRUE(test::NearRgb(page2.pixel(q.topLeft() + QPoint(end - 2, nodeH / 2)), Qt::red));
    EXPECT_TRUE(test::NearRgb(page2.pixel(q.topLeft() + QPoint(end + 2, nodeH / 2)), Qt::white));
}

// The preview is drawn at once: a picture not decoded yet at its size is a
// quiet placeholder until it arrives, then the preview is drawn again.
TEST_F(PrintDialogTest, ThePreviewDoesNotWaitForDecodes)
{
    open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_dialog->previewShowsEveryPicture(); }, 10000));
    PrintPreview* preview = child<PrintPreview>("preview");
    // The red node's middle, in the preview's drawing of the whole canvas.
    const auto nodeColour = [&] {
        const QImage canvas = preview->scene().canvas;
        return QColor(canvas.pixel(canvas.width() * 150 / 1000, canvas.height() * 100 / 1000));
    };
    EXPECT_TRUE(test::NearRgb(nodeColour().rgb(), Qt::red));

    // Another scale draws the preview again, with nothing decoded at hand.
    PictureCache::instance().clear();
    click("landscape");
    EXPECT_FALSE(m_dialog->previewShowsEveryPicture());
    EXPECT_EQ(nodeColour(), QColor(0xE6, 0xE6, 0xE6));

    ASSERT_TRUE(QTest::qWaitFor([&] { return m_dialog->previewShowsEveryPicture(); }, 10000));
    EXPECT_TRUE(test::NearRgb(nodeColour().rgb(), Qt::red));
}

TEST_F(PrintDialogTest, RangeRadiosAndFitOnOnePage)
{
    open();
    const struct {
        const char* click;
        bool fitEnabled;
        bool fitChecked;
        int hani;
        int allOne;
        const char* grid;
    } steps[] = {
        {"rangePages", true, false, 3, 0, "(横 2 × 縦 2 ページ)"},
        {"fitOnePage", true, true, 3, 1, "(横 1 × 縦 1 ページ)"},
        {"rangeCurrent", false, false, 2, 0, "(横 2 × 縦 2 ページ)"},
        {"rangePages", true, false, 3, 0, "(横 2 × 縦 2 ページ)"},
        {"fitOnePage", true, true, 3, 1, "(横 1 × 縦 1 ページ)"},
        {"rangeAll", false, false, 1, 0, "(横 2 × 縦 2 ページ)"},
    };
    for (const auto& s : steps) {
        click(s.click);
        QCheckBox* fit = child<QCheckBox>("fitOnePage");
        EXPECT_EQ(fit->isEnabled(), s.fitEnabled) << s.click;
        EXPECT_EQ(fit->isChecked(), s.fitChecked) << s.click;
        EXPECT_EQ(m_settings->value(keys::Hani), s.hani) << s.click;
        EXPECT_EQ(m_settings->value(keys::AllOne), s.allOne) << s.click;
        EXPECT_EQ(text("pageGrid"), QString::fromUtf8(s.grid)) << s.click;
    }
}

TEST_F(PrintDialogTest, StoredRangeIsRestored)
{
    m_settings->setValue(keys::Hani, 3);
    m_settings->setValue(keys::AllOne, 1);
    open();
    EXPECT_TRUE(child<QRadioButton>("rangePages")->isChecked());
    EXPECT_TRUE(child<QCheckBox>("fitOnePage")->isChecked());
    EXPECT_EQ(text("pageCount"), QStringLiteral("/ 1 ページ"));
}

TEST_F(PrintDialogTest, PageFieldChoosesThePreviewedPage)
{
    open();
    QSpinBox* page = child<QSpinBox>("page");
    const struct {
        QString typed;
        bool finish;
        int expected;
    } cases[] = {{"3", false, 3}, {"9", false, 4}, {"0", true, 1}, {"2", true, 2}};
    for (const auto& c : cases) {
        typeInto(page, c.typed, c.finish);
        EXPECT_EQ(page->value(), c.expected) << c.typed.toStdString();
        EXPECT_EQ(m_dialog->currentPage(), c.expected) << c.typed.toStdString();
    }
    // Fewer pages pull the current page back into the grid.
    typeInto(page, QStringLiteral("4"), true);
    typeInto(child<QSpinBox>("marginTop"), QStringLiteral("6"), true);
    typeInto(child<QSpinBox>("marginBottom"), QStringLiteral("6"), true);
    EXPECT_EQ(text("pageCount"), QStringLiteral("/ 2 ページ"));
    EXPECT_EQ(m_dialog->currentPage(), 2);
    EXPECT_EQ(page->value(), 2);
}

TEST_F(PrintDialogTest, PageRangeFieldsCorrectEachOther)
{
    open();
    QLineEdit* first = child<QLineEdit>("firstPage");
    QLineEdit* last = child<QLineEdit>("lastPage");
    const struct {
        QLineEdit* field;
        QString typed;
        QString first;
        QString last;
    } cases[] = {
        {last, "9", "1", "4"},   // beyond the page count
        {first, "3", "3", "4"},
        {last, "2", "3", "3"},   // below the first page
        {first, "", "1", "3"},   // emptied
        {first, "4", "3", "3"},  // beyond the last page
    };
    for (const auto& c : cases) {
        c.field->setFocus();
        c.field->selectAll();
        if (c.typed.isEmpty())
            QTest::keyClick(c.field, Qt::Key_Delete);
        else
            QTest::keyClicks(c.field, c.typed);
        EXPECT_EQ(first->text(), c.first) << c.typed.toStdString();
        EXPECT_EQ(last->text(), c.last) << c.typed.toStdString();
    }
}

TEST_F(PrintDialogTest, MarginLinesAreDraggedInThePreview)
{
    m_dialog.reset();
    m_settings->setValue(keys::InsatuSX, 900);
    m_settings->setValue(keys::InsatuSY, 800);
    open();
    click("showMargins");
    PrintPreview* preview = child<PrintPreview>("preview");
    ASSERT_TRUE(preview->scene().showMargins);
    const QRect paper = m_dialog->layout().paperRect;

    const struct {
        const char* what;
        int edge;
        QPoint to;      // where the line is dropped
        const char* field;
        int expected;
    } drags[] = {
        {"left to the far limit", 0, QPoint(paper.center().x(), paper.center().y()), "marginLeft", 50},
        {"top to the paper edge", 1, QPoint(paper.center().x(), paper.top() - 20), "marginTop", 6},
        {"right near 20 mm", 2, QPoint(-1, paper.center().y()), "marginRight", 20},
        {"bottom to the far limit", 3, QPoint(paper.center().x(), paper.top() + 10), "marginBottom", 50},
    };
    for (const auto& d : drags) {
        const QRect p = preview->printableRect();
        const QPoint grab[] = {QPoint(p.left(), p.center().y()), QPoint(p.center().x(), p.top()),
                               QPoint(p.left() + p.width(), p.center().y()),
                               QPoint(p.center().x(), p.top() + p.height())};
        QPoint to = d.to;
        if (to.x() < 0) {
            // 20 mm from the right edge at the preview's scale, plus half a pixel of slack.
            const float px = 20.5f * preview->logicalDpiX() / 25.4f * m_dialog->layout().previewScale;
            to.setX(paper.left() + paper.width() - int(px));
        }
        QTest::mouseMove(preview, grab[d.edge]);
        EXPECT_EQ(preview->cursor().shape(), d.edge % 2 == 0 ? Qt::SizeHorCursor : Qt::SizeVerCursor) << d.what;
        QTest::mousePress(preview, Qt::LeftButton, {}, grab[d.edge]);
        EXPECT_EQ(preview->dragEdge(), d.edge) << d.what;
        QTest::mouseMove(preview, to);
        QTest::mouseRelease(preview, Qt::LeftButton, {}, to);
        EXPECT_EQ(child<QSpinBox>(d.field)->value(), d.expected) << d.what;
        EXPECT_EQ(preview->dragEdge(), -1);
    }
    EXPECT_EQ(m_dialog->printSettings().margins, (MarginsMm{50, 20, 6, 50}));

    // Without the margin lines nothing is grabbed.
    click("showMargins");
    const QRect p = preview->printableRect();
    QTest::mousePress(preview, Qt::LeftButton, {}, QPoint(p.left(), p.center().y()));
    EXPECT_EQ(preview->dragEdge(), -1);
    QTest::mouseRelease(preview, Qt::LeftButton, {}, QPoint(p.left(), p.center().y()));
}

TEST_F(PrintDialogTest, OrientationTurnsThePrintRecord)
{
    open();
    click("landscape");
    EXPECT_EQ(m_printer->pageLayout().orientation(), QPageLayout::Landscape);
    EXPECT_EQ(m_settings->value(keys::Orientation), 2);
    EXPECT_EQ(text("paperSize"), QStringLiteral("297.0 X 210.0mm"));
    EXPECT_GT(m_dialog->layout().paperRect.width(), m_dialog->layout().paperRect.height());
    click("portrait");
    EXPECT_EQ(m_printer->pageLayout().orientation(), QPageLayout::Portrait);
    EXPECT_EQ(m_settings->value(keys::Orientation), 1);
}

TEST_F(PrintDialogTest, PrintSetupChangesPaperAndOrientation)
{
    open();
    m_prompts->printSetups.enqueue([](QPagedPaintDevice&) { return false; });
    QTest::mouseClick(child<QPushButton>("setup"), Qt::LeftButton);
    EXPECT_EQ(text("paperName"), QStringLiteral("A4Sheet, 210x297mm"));

    m_prompts->printSetups.enqueue([](QPagedPaintDevice& printer) {
        printer.setPageSize(QPageSize(QPageSize::JisB4));
        printer.setPageOrientation(QPageLayout::Landscape);
        return true;
    });
    QTest::mouseClick(child<QPushButton>("setup"), Qt::LeftButton);
    EXPECT_EQ(text("paperName"), QStringLiteral("B4Sheet, 250x354mm"));
    EXPECT_EQ(text("paperSize"), QStringLiteral("364.0 X 257.0mm"));
    EXPECT_TRUE(child<QRadioButton>("landscape")->isChecked());
    EXPECT_EQ(m_settings->value(keys::PaperSize), 12);
    // 264.6 mm on 329 x 222 mm of printable paper.
    EXPECT_EQ(text("pageGrid"), QStringLiteral("(横 1 × 縦 2 ページ)"));
}

TEST_F(PrintDialogTest, WindowPlaceIsStoredAndRestored)
{
    const struct {
        const char* what;
        int px, py, sx, sy, zoomed;
        bool placed;
    } cases[] = {
        {"on the desktop", 40, 30, 1000, 760, 0, true},
        {"outside the desktop", 30000, 20, 1000, 760, 0, false},
        {"maximised", 40, 30, 1000, 760, 1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        m_settings->setValue(keys::InsatuPX, c.px);
        m_settings->setValue(keys::InsatuPY, c.py);
        m_settings->setValue(keys::InsatuSX, c.sx);
        m_settings->setValue(keys::InsatuSY, c.sy);
        m_settings->setValue(keys::InsatuZoomed, c.zoomed);
        PrintDialog& dialog = open();
        const QRect normal = c.zoomed ? dialog.normalGeometry() : dialog.geometry();
        EXPECT_EQ(normal == QRect(c.px, c.py, c.sx, c.sy), c.placed);
        EXPECT_EQ(dialog.isMaximized(), c.zoomed == 1);
        click("showMargins");
        QTest::mouseClick(child<QPushButton>("cancel"), Qt::LeftButton);
        EXPECT_EQ(m_settings->value(keys::DspYohaku), 1);
        EXPECT_EQ(m_settings->value(keys::InsatuZoomed), c.zoomed);
        if (c.placed) {
            EXPECT_EQ(m_settings->value(keys::InsatuPX), c.px);
            EXPECT_EQ(m_settings->value(keys::InsatuSX), c.sx);
            EXPECT_EQ(m_settings->value(keys::InsatuSY), c.sy);
        } else {
            EXPECT_LT(m_settings->value(keys::InsatuPX), 30000);
        }
        m_settings->setValue(keys::DspYohaku, 0);
        m_dialog.reset();
    }
}

TEST_F(PrintDialogTest, PrintWritesThePdfTheUserNames)
{
    if (!test::HasPoppler())
        GTEST_SKIP() << "pdfinfo (poppler-utils) is not installed";
    open();
    typeInto(child<QSpinBox>("marginLeft"), QStringLiteral("12"), true);

    // Cancelling the file question leaves the dialog open and prints nothing.
    QTest::mouseClick(child<QPushButton>("print"), Qt::LeftButton);
    EXPECT_TRUE(m_dialog->isVisible());
    EXPECT_FALSE(m_dialog->outcome().has_value());
    ASSERT_EQ(m_prompts->fileRequests.size(), 1);
    EXPECT_EQ(m_prompts->fileRequests[0].filter, QStringLiteral("PDF (*.pdf)"));
    // The file dialog adds the suffix, so it asks about the file really replaced.
    EXPECT_EQ(m_prompts->fileRequests[0].defaultSuffix, QStringLiteral("pdf"));

    const QString pdf = filesDir() + QStringLiteral("/printed");
    m_prompts->files.enqueue({pdf});
    QTest::mouseClick(child<QPushButton>("print"), Qt::LeftButton);
    EXPECT_FALSE(m_dialog->isVisible());
    ASSERT_EQ(m_dialog->outcome(), PrintOutcome::Printed);
    EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
    EXPECT_EQ(test::PdfPageCount(pdf + QStringLiteral(".pdf")), 4);
    EXPECT_EQ(m_settings->value(keys::MarginLmm), 12);
    EXPECT_EQ(m_settings->value(keys::MarginRmm), 10);
}

// The poster group: sheets across with an overlap, marks, labels and map
// change the grid, the preview and the job at once, are kept in "Insatu",
// and come back the next time.
TEST_F(PrintDialogTest, PosterChoicesShapeTheJobAndAreKept)
{
    ASSERT_TRUE(test::HasPoppler()) << "pdfinfo (poppler-utils) is needed";
    open();
    EXPECT_EQ(text("pageGrid"), QStringLiteral("(横 2 × 縦 2 ページ)"));
    EXPECT_FALSE(child<QSpinBox>("posterAcrossField")->isEnabled());
    // Room below for the label: 20 mm less the printer's 6.
    typeInto(child<QSpinBox>("marginBottom"), QStringLiteral("20"), true);
    click("posterAcross");
    EXPECT_TRUE(child<QSpinBox>("posterAcrossField")->isEnabled());
    typeInto(child<QSpinBox>("posterAcrossField"), QStringLiteral("3"), true);
    typeInto(child<QSpinBox>("overlap"), QStringLiteral("10"), true);
    click("marks");
    click("labels");
    click("map");
    // 3 x 175 - 2 x 10 mm across: a square poster of 505 mm, 3 sheets of
    // 252 mm less 10 down.
    EXPECT_EQ(text("pageGrid"), QStringLiteral("(横 3 × 縦 3 ページ)"));
    EXPECT_EQ(text("pageCount"), QStringLiteral("/ 9 ページ"));
    const PrintSettings chosen = m_dialog->printSettings();
    EXPECT_EQ(chosen.poster.sizing, PosterSizing::SheetsAcross);
    EXPECT_EQ(chosen.poster.sheetsAcross, 3);
    EXPECT_EQ(chosen.poster.overlapMm, 10);
    EXPECT_TRUE(chosen.poster.marks && chosen.poster.labels && chosen.poster.map);
    EXPECT_GT(m_dialog->layout().overlapXPx, 0);
    EXPECT_FALSE(child<QLabel>("labelNote")->isVisible());
    const struct {
        SettingKey key;
        int value;
    } stored[] = {{keys::PosterSize, 1}, {keys::PosterAcross, 3}, {keys::Norishiro, 10},
                  {keys::Tonbo, 1},      {keys::SheetLabel, 1},   {keys::AssemblyMap, 1}};
    for (const auto& s : stored)
        EXPECT_EQ(m_settings->value(s.key), s.value) << s.key.name;

    // A bottom margin too narrow for the label says so.
    typeInto(child<QSpinBox>("marginBottom"), QStringLiteral("11"), true);
    EXPECT_TRUE(child<QLabel>("labelNote")->isVisible());
    typeInto(child<QSpinBox>("marginBottom"), QStringLiteral("20"), true);
    EXPECT_FALSE(child<QLabel>("labelNote")->isVisible());

    // Fitting one page sets the poster aside.
    click("rangePages");
    click("fitOnePage");
    EXPECT_FALSE(child<QWidget>("posterGroup")->isEnabled());
    click("fitOnePage");
    EXPECT_TRUE(child<QWidget>("posterGroup")->isEnabled());
    click("rangeAll");

    const QString pdf = filesDir() + QStringLiteral("/poster.pdf");
    m_prompts->files.enqueue({pdf});
    QTest::mouseClick(child<QPushButton>("print"), Qt::LeftButton);
    ASSERT_EQ(m_dialog->outcome(), PrintOutcome::Printed);
    EXPECT_EQ(test::PdfPageCount(pdf), 10);
    EXPECT_TRUE(test::PdfText(pdf, 10).contains(QStringLiteral("9 / 9")));

    m_dialog.reset();
    open();
    EXPECT_TRUE(child<QRadioButton>("posterAcross")->isChecked());
    EXPECT_EQ(child<QSpinBox>("posterAcrossField")->value(), 3);
    EXPECT_EQ(child<QSpinBox>("overlap")->value(), 10);
    EXPECT_TRUE(child<QCheckBox>("map")->isChecked());
    EXPECT_EQ(text("pageGrid"), QStringLiteral("(横 3 × 縦 3 ページ)"));
}

// When printing to PDF the paper list adds the Japanese photo and postcard
// sizes; the preview's sheet follows the choice.
TEST_F(PrintDialogTest, PdfPapersIncludeJapaneseSizes)
{
    open();
    auto* papers = child<QComboBox>("pdfPaper");
    ASSERT_TRUE(papers->isVisible());
    QStringList names;
    for (int i = 0; i < papers->count(); ++i)
        names << papers->itemText(i);
    for (const char* name : {"L判 (89 × 127 mm)", "2L判 (127 × 178 mm)", "はがき (100 × 148 mm)",
                             "A3ノビ (329 × 483 mm)", "A4 (210 × 297 mm)", "B5 (182 × 257 mm)"})
        EXPECT_TRUE(names.contains(QString::fromUtf8(name))) << name;
    EXPECT_EQ(papers->currentText(), QStringLiteral("A4 (210 × 297 mm)"));
    const int l = names.indexOf(QStringLiteral("L判 (89 × 127 mm)"));
    papers->setCurrentIndex(l);
    emit papers->activated(l);
    EXPECT_NEAR(m_dialog->layout().paperWmm, 89.0f, 0.3f);
    EXPECT_NEAR(m_dialog->layout().paperHmm, 127.0f, 0.3f);
    EXPECT_EQ(text("paperName"), QStringLiteral("L判 (89 × 127 mm)"));
    // The stored paper stays one of the program's codes.
    EXPECT_EQ(m_settings->value(keys::PaperSize), 9);
}

} // namespace
} // namespace vq

namespace vq {
namespace {

// Many pages show progress; cancelling it stops the job between pages and
// leaves no half-written file behind.
TEST_F(PrintDialogTest, CancellingTheProgressStopsTheJob)
{
    open();
    const QString pdf = filesDir() + QStringLiteral("/cancelled.pdf");
    m_prompts->files.enqueue({pdf});
    int shown = 0;
    QTimer canceller;
    QObject::connect(&canceller, &QTimer::timeout, [&] {
        auto* progress = m_dialog->findChild<QProgressDialog*>(QStringLiteral("printProgress"));
        if (!progress || !progress->isVisible())
            return;
        ++shown;
        EXPECT_EQ(progress->maximum(), 4);
        progress->cancel();
    });
    canceller.start(0);
    QTest::mouseClick(child<QPushButton>("print"), Qt::LeftButton);
    canceller.stop();
    EXPECT_GT(shown, 0);
    EXPECT_EQ(m_dialog->outcome(), PrintOutcome::Cancelled);
    EXPECT_FALSE(QFileInfo::exists(pdf));
    EXPECT_FALSE(m_dialog->isVisible());
}

} // namespace
} // namespace vq
