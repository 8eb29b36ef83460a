#include "model/RangeModeState.h"
#include "base/Settings.h"
#include "imaging/Codec.h"
#include "print/PagePrinter.h"
#include "tests/frame/PrintScene.h"
#include "tests/support/Isolation.h"

#include <QPrinter>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace vq {
namespace {

using test::PdfPage;
using test::PdfPageCount;
using test::PdfText;

// The printer's resolution and the rendering's are the same, so a device
// pixel of the job is a pixel of the rendered page.
// At 72 dpi a device pixel is a PDF point, so no rounding of the page's
// coordinates moves a strip.
constexpr int kDpi = 72;

// A4 portrait (595 x 842) at 72 dpi with the margins 25/10/25/10: the
// picture block starts at (70, 70) and is 497 x 744; 10 mm are 28 pixels.
constexpr int kX0 = 70;
constexpr int kY0 = 70;
constexpr int kW = 497;
constexpr int kH = 744;
constexpr int kOverlap = 28;

// One picture over the whole canvas, striped across and shaded down, so a
// strip that is out by a few pixels cannot pass for the right one.
void buildPatternScene(Document& doc, int width, int height)
{
    test::BuildPrintScene(doc, width, height, {});
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, qRgb((x / 6) % 2 ? 230 : 20, (y * 255) / height, (x / 17) % 3 * 50 + (y / 3) % 2 * 100));
    NodeRecord& node = doc.nodes[0];
    node = NodeRecord{};
    node.picture = BitmapToPicture(picture);
    node.centerX = width / 2;
    node.centerY = height / 2;
    node.halfWidth = width / 2;
    node.halfHeight = height / 2;
    node.imageWidth = width;
    node.imageHeight = height;
    node.frameColor = kNoColor;
    doc.state.nodeCount = 1;
}

// Mean difference per channel of two blocks given in device pixels, on pages
// rendered `zoom` times finer, each device pixel taken at its centre: a
// renderer that stretches an image by a pixel to its rounded bounds shifts
// a sample by less than a device pixel.
double meanDifference(const QImage& a, const QRect& ra, const QImage& b, const QRect& rb, int zoom = 1)
{
    long long sum = 0;
    const auto at = [zoom](int devicePx) { return devicePx * zoom + zoom / 2; };
    for (int y = 0; y < ra.height(); ++y) {
        for (int x = 0; x < ra.width(); ++x) {
            const QRgb p = a.pixel(at(ra.left() + x), at(ra.top() + y));
            const QRgb q = b.pixel(at(rb.left() + x), at(rb.top() + y));
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    }
    return double(sum) / (3.0 * ra.width() * ra.height());
}

bool hasDarkPixel(const QImage& page, const QRect& area)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(page.pixel(x, y)) < 128)
                return true;
    return false;
}

class PosterPrintTest : public test::IsolatedTest {
protected:
    void SetUp() override
    {
        IsolatedTest::SetUp();
        ASSERT_TRUE(test::HasPoppler()) << "pdfinfo, pdftoppm and pdftotext (poppler-utils) are needed";
        buildPatternScene(m_doc, 900, 700);
    }

    QString print(const PrintSettings& settings, const QString& name = QStringLiteral("poster.pdf"))
    {
        const QString pdf = filesDir() + QLatin1Char('/') + name;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setResolution(kDpi);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setOutputFileName(pdf);
        EXPECT_EQ(PrintCanvas(printer, m_doc, m_sys, RangeMode{}, settings), PrintOutcome::Printed);
        return pdf;
    }

    static PrintSettings poster(int across, int overlap, bool marks, bool labels, bool map)
    {
        PrintSettings s;
        s.poster.sizing = PosterSizing::SheetsAcross;
        s.poster.sheetsAcross = across;
        s.poster.overlapMm = overlap;
        s.poster.marks = marks;
        s.poster.labels = labels;
        s.poster.map = map;
        return s;
    }

    Document m_doc;
    SysSettings m_sys;
};

// Three sheets across of a 900 x 700 canvas with 10 mm overlap: the poster
// is 3 x 1034 - 2 x 59 = 2984 pixels wide and 2320 high, two sheets down.
TEST_F(PosterPrintTest, NeighboursPrintTheSameOverlapStrip)
{
    const QString pdf = print(poster(3, 10, false, false, false));
    ASSERT_EQ(PdfPageCount(pdf), 6);
    constexpr int kZoom = 4;
    QImage sheets[5];
    for (int page = 1; page <= 4; ++page) {
        sheets[page] = PdfPage(pdf, page, kDpi * kZoom).convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(sheets[page].isNull()) << page;
    }
    const QRect rightStrip(kX0 + kW - kOverlap, kY0, kOverlap, 600);
    const QRect leftStrip(kX0, kY0, kOverlap, 600);
    EXPECT_LT(meanDifference(sheets[1], rightStrip, sheets[2], leftStrip, kZoom), 3.0);
    EXPECT_LT(meanDifference(sheets[2], rightStrip, sheets[3], leftStrip, kZoom), 3.0);
    // Down: the last 10 mm of sheet 1 start sheet 4.
    const QRect bottomStrip(kX0, kY0 + kH - kOverlap, kW, kOverlap);
    const QRect topStrip(kX0, kY0, kW, kOverlap);
    EXPECT_LT(meanDifference(sheets[1], bottomStrip, sheets[4], topStrip, kZoom), 3.0);
    // A strip one device pixel off does not pass.
    for (const int off : {-1, 1}) {
        EXPECT_GT(meanDifference(sheets[1], rightStrip.translated(off, 0), sheets[2], leftStrip, kZoom), 5.0) << off;
        EXPECT_GT(meanDifference(sheets[1], bottomStrip.translated(0, off), sheets[4], topStrip, kZoom), 5.0) << off;
    }
}

// With no overlap and the canvas at its screen size the poster choices
// change nothing: the same pages, pixel for pixel.
TEST_F(PosterPrintTest, DefaultsPrintTodaysPages)
{
    PrintSettings today;
    PrintSettings defaults;
    defaults.poster = PosterOptions{};
    buildPatternScene(m_doc, 1000, 1300);
    const QString a = print(today, QStringLiteral("a.pdf"));
    const QString b = print(defaults, QStringLiteral("b.pdf"));
    ASSERT_EQ(PdfPageCount(a), 4);
    ASSERT_EQ(PdfPageCount(b), 4);
    for (int page = 1; page <= 4; ++page)
        EXPECT_EQ(PdfPage(a, page, 40), PdfPage(b, page, 40)) << page;
}

// Marks lie in the margin at each corner of the picture and leave the
// picture as it was; a sheet glued over its left neighbour also gets its cut
// line beside the picture's left edge.
TEST_F(PosterPrintTest, MarksInTheMarginCornersNotOverThePicture)
{
    const QString plain = print(poster(3, 10, false, false, false), QStringLiteral("plain.pdf"));
    const QString marked = print(poster(3, 10, true, false, false), QStringLiteral("marked.pdf"));
    ASSERT_EQ(PdfPageCount(marked), 6);
    constexpr int kZoom = 2;
    const QImage without = PdfPage(plain, 2, kDpi * kZoom).convertToFormat(QImage::Format_RGB32);
    const QImage with = PdfPage(marked, 2, kDpi * kZoom).convertToFormat(QImage::Format_RGB32);
    const QRect picture(kX0, kY0, kW, kH);
    EXPECT_LT(meanDifference(without, picture, with, picture, kZoom), 0.5);
    // A 2 mm gap and 6 mm marks: 5 to 22 device pixels out from each corner.
    constexpr int kGap = 5;
    constexpr int kLength = 17;
    const int right = kX0 + kW - 1;
    const int bottom = kY0 + kH - 1;
    const struct {
        const char* what;
        QRect area; // device pixels
    } corners[] = {
        {"top-left, along the top", {kX0 - kGap - kLength, kY0, kLength, 1}},
        {"top-left, up the left", {kX0, kY0 - kGap - kLength, 1, kLength}},
        {"top-right, along the top", {right + kGap + 1, kY0, kLength, 1}},
        {"top-right, up the right", {right, kY0 - kGap - kLength, 1, kLength}},
        {"bottom-left, along the bottom", {kX0 - kGap - kLength, bottom, kLength, 1}},
        {"bottom-left, down the left", {kX0, bottom + kGap + 1, 1, kLength}},
        {"bottom-right, along the bottom", {right + kGap + 1, bottom, kLength, 1}},
        {"bottom-right, down the right", {right, bottom + kGap + 1, 1, kLength}},
        {"cut line beside the left edge", {kX0 - kGap + 1, kY0 + 50, kGap - 2, 400}},
    };
    const auto rendered = [](const QRect& device) {
        return QRect(device.topLeft() * kZoom, device.size() * kZoom).adjusted(-1, -1, 1, 1);
    };
    for (const auto& c : corners) {
        EXPECT_TRUE(hasDarkPixel(with, rendered(c.area))) << c.what;
        EXPECT_FALSE(hasDarkPixel(without, rendered(c.area))) << c.what;
    }
    // The first sheet has no left neighbour and so no cut line there.
    const QImage first = PdfPage(marked, 1, kDpi * kZoom).convertToFormat(QImage::Format_RGB32);
    EXPECT_FALSE(hasDarkPixel(first, rendered(corners[8].area)));
}

TEST_F(PosterPrintTest, LabelsAndMapReadAsTheyShould)
{
    const QString pdf = print(poster(3, 10, false, true, true));
    ASSERT_EQ(PdfPageCount(pdf), 7);
    // The map comes first, naming every sheet where it lies.
    const QString map = PdfText(pdf, 1);
    EXPECT_TRUE(map.contains(QStringLiteral("横 3 × 縦 2"))) << map.toStdString();
    for (const char* name : {"A-1", "A-2", "A-3", "B-1", "B-2", "B-3"})
        EXPECT_TRUE(map.contains(QLatin1String(name))) << name;
    const struct {
        int pdfPage;
        const char* label;
    } sheets[] = {{2, "A-1\\s+1 / 6"}, {4, "A-3\\s+3 / 6"}, {7, "B-3\\s+6 / 6"}};
    for (const auto& s : sheets) {
        const QString text = PdfText(pdf, s.pdfPage);
        EXPECT_TRUE(text.contains(QRegularExpression(QLatin1String(s.label)))) << s.pdfPage << ": " << text.toStdString();
    }

    // A range reprints its sheets without the map; a bottom margin too narrow
    // for the label leaves it out.
    PrintSettings some = poster(3, 10, false, true, true);
    some.rangeKind = PrintRange::Pages;
    some.firstPage = 5;
    some.lastPage = 6;
    some.margins.bottom = 5;
    const QString again = print(some, QStringLiteral("again.pdf"));
    ASSERT_EQ(PdfPageCount(again), 2);
    EXPECT_FALSE(PdfText(again, 1).contains(QStringLiteral("B-2")));
}

} // namespace
} // namespace vq
