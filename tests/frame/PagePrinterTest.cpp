#include "model/RangeModeState.h"
#include "base/Settings.h"
#include "tests/frame/PrintScene.h"
#include "tests/support/Isolation.h"
#include "render/CanvasRender.h"
#include "print/PagePrinter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>

namespace vq {
namespace {

using test::NearRgb;
using test::PdfPage;
using test::PdfPageCount;
using test::PixelAtMm;
using test::RgbText;

constexpr int kRenderDpi = 40;
const QColor kGrey(0xDD, 0xDD, 0xDD);

// 1000 x 1400 canvas at 96 dpi on A4 portrait with margins 25/10/25/10: pages
// are 175 x 262 mm of canvas (661.4 x 990.2 canvas pixels), 2 across, 2 down.
class PagePrinterTest : public test::IsolatedTest {
protected:
    void SetUp() override
    {
        IsolatedTest::SetUp();
        if (!test::HasPoppler())
            GTEST_SKIP() << "pdfinfo and pdftoppm (poppler-utils) are not installed";
        test::BuildPrintScene(m_doc, 1000, 1400,
                              {{QRect(0, 0, 200, 200), Qt::red},
                               {QRect(700, 300, 100, 100), Qt::green},
                               {QRect(400, 1100, 200, 200), QColor(255, 160, 0)},
                               {QRect(800, 1100, 200, 200), Qt::blue}});
        m_doc.state.backColor = 0xDDDDDD;
    }

    QString print(const PrintSettings& settings, QPageLayout::Orientation orientation = QPageLayout::Portrait,
                  PrintOutcome expected = PrintOutcome::Printed, const PageProgress& progress = {})
    {
        const QString pdf = filesDir() + QStringLiteral("/out.pdf");
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setResolution(150);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPageOrientation(orientation);
        printer.setOutputFileName(pdf);
        EXPECT_EQ(PrintCanvas(printer, m_doc, m_sys, RangeMode{}, settings, progress), expected);
        return pdf;
    }

    Document m_doc;
    SysSettings m_sys;
};

// Where the centre of each node lands, in millimetres from the sheet's corner
// of its page: 25 mm margin + (canvas pixel - page origin) / 96 inch.
struct Sample {
    const char* what;
    double xMm, yMm;
    QColor colour;
};
const Sample kRed{"red", 25 + 26.5, 25 + 26.5, Qt::red};
const Sample kGreen{"green", 25 + 23.4, 25 + 92.6, Qt::green};
const Sample kOrange{"orange", 25 + 132.3, 25 + 55.4, QColor(255, 160, 0)};
const Sample kBlue{"blue", 25 + 63.1, 25 + 55.4, Qt::blue};

void expectPage(const QImage& page, int pageNo, const Sample& own, std::initializer_list<Sample> absent)
{
    ASSERT_FALSE(page.isNull()) << pageNo;
    const QRgb at = PixelAtMm(page, own.xMm, own.yMm, kRenderDpi);
    EXPECT_TRUE(NearRgb(at, own.colour)) << "page " << pageNo << " " << own.what << " " << RgbText(at);
    for (const Sample& s : absent) {
        const QRgb other = PixelAtMm(page, s.xMm, s.yMm, kRenderDpi);
        EXPECT_FALSE(NearRgb(other, s.colour)) << "page " << pageNo << " shows " << s.what << " where its node is not";
    }
}

TEST_F(PagePrinterTest, TiledPagesCarryTheirPartOfTheCanvas)
{
    const QString pdf = print(PrintSettings{});
    ASSERT_EQ(PdfPageCount(pdf), 4);
    const struct {
        int page;
        Sample own;
    } pages[] = {{1, kRed}, {2, kGreen}, {3, kOrange}, {4, kBlue}};
    for (const auto& p : pages) {
        const QImage image = PdfPage(pdf, p.page, kRenderDpi);
        std::initializer_list<Sample> all{kRed, kGreen, kOrange, kBlue};
        std::vector<Sample> others;
        for (const Sample& s : all)
            if (s.what != p.own.what)
                others.push_back(s);
        expectPage(image, p.page, p.own, {others[0], others[1], others[2]});
        // The margins stay blank paper.
        EXPECT_TRUE(NearRgb(PixelAtMm(image, 10, 10, kRenderDpi), Qt::white)) << p.page;
        EXPECT_TRUE(NearRgb(PixelAtMm(image, 205, 292, kRenderDpi), Qt::white)) << p.page;
    }
    // The canvas ends 338.6 canvas pixels (89.6 mm) into the second column.
    const QImage second = PdfPage(pdf, 2, kRenderDpi);
    EXPECT_TRUE(NearRgb(PixelAtMm(second, 25 + 80, 150, kRenderDpi), kGrey));
    EXPECT_TRUE(NearRgb(PixelAtMm(second, 25 + 100, 150, kRenderDpi), Qt::white));
    // The page is A4 portrait.
    EXPECT_NEAR(second.width(), 210.0 / 25.4 * kRenderDpi, 2);
    EXPECT_NEAR(second.height(), 297.0 / 25.4 * kRenderDpi, 2);
}

TEST_F(PagePrinterTest, RangesAndFitDecideThePages)
{
    const struct {
        const char* what;
        PrintRange kind;
        int current, first, last;
        bool fit;
        std::vector<Sample> firstPages; // what each printed page shows, in order
    } cases[] = {
        {"current page", PrintRange::Current, 3, 1, 4, false, {kOrange}},
        {"pages 2 to 3", PrintRange::Pages, 1, 2, 3, false, {kGreen, kOrange}},
        {"last page only", PrintRange::Pages, 1, 4, 4, false, {kBlue}},
        // Fitted, the whole canvas is 175 mm wide and 244.9 mm high, centred down the sheet.
        {"fit one page", PrintRange::Pages, 1, 2, 4, true,
         {{"fitted red", 25 + 17.5, 33.5 + 17.5, Qt::red}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PrintSettings settings;
        settings.rangeKind = c.kind;
        settings.currentPage = c.current;
        settings.firstPage = c.first;
        settings.lastPage = c.last;
        settings.fitOnePage = c.fit;
        const QString pdf = print(settings);
        ASSERT_EQ(PdfPageCount(pdf), int(c.firstPages.size()));
        for (std::size_t i = 0; i < c.firstPages.size(); ++i) {
            const QImage page = PdfPage(pdf, int(i) + 1, kRenderDpi);
            expectPage(page, int(i) + 1, c.firstPages[i], {});
        }
        if (c.fit) {
            const QImage page = PdfPage(pdf, 1, kRenderDpi);
            EXPECT_TRUE(NearRgb(PixelAtMm(page, 25 + 157.5, 33.5 + 209.9, kRenderDpi), Qt::blue));
            // Above and below the fitted canvas the sheet stays blank.
            EXPECT_TRUE(NearRgb(PixelAtMm(page, 100, 30, kRenderDpi), Qt::white));
            EXPECT_TRUE(NearRgb(PixelAtMm(page, 100, 282, kRenderDpi), Qt::white));
            EXPECT_TRUE(NearRgb(PixelAtMm(page, 100, 40, kRenderDpi), kGrey));
        }
    }
}

TEST_F(PagePrinterTest, LandscapeTurnsTheSheetAndTheGrid)
{
    // 264.6 x 370.4 mm of canvas on 262 x 175 mm of printable sheet: 2 across, 3 down.
    const QString pdf = print(PrintSettings{}, QPageLayout::Landscape);
    ASSERT_EQ(PdfPageCount(pdf), 6);
    const QImage first = PdfPage(pdf, 1, kRenderDpi);
    EXPECT_GT(first.width(), first.height());
    expectPage(first, 1, kRed, {});
}

TEST_F(PagePrinterTest, CancelBetweenPagesLeavesNoFile)
{
    int asked = 0;
    const PageProgress stopAtSecond = [&asked](int printed, int total) {
        ++asked;
        EXPECT_EQ(total, 4);
        return printed < 1;
    };
    const QString pdf = print(PrintSettings{}, QPageLayout::Portrait, PrintOutcome::Cancelled, stopAtSecond);
    EXPECT_EQ(asked, 2);
    EXPECT_FALSE(QFileInfo::exists(pdf));
}

// The PDF is renamed into place only when complete: a cancelled job leaves
// an earlier file as it was, a finished one replaces it with its permissions
// kept, and neither leaves a temporary file in the folder.
TEST_F(PagePrinterTest, AnEarlierPdfIsReplacedOnlyByACompleteOne)
{
    const QString pdf = filesDir() + QStringLiteral("/out.pdf");
    QFile old(pdf);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("an earlier file");
    old.close();
    ASSERT_TRUE(QFile::setPermissions(pdf, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    ASSERT_TRUE(QFile::link(pdf, filesDir() + QStringLiteral("/link.pdf")));

    const PageProgress stopAtSecond = [](int printed, int) { return printed < 1; };
    print(PrintSettings{}, QPageLayout::Portrait, PrintOutcome::Cancelled, stopAtSecond);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), "an earlier file");
    old.close();
    EXPECT_EQ(QDir(filesDir()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 2);

    // Through the link, the file it points at is replaced and the link stays.
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setResolution(150);
    printer.setOutputFileName(filesDir() + QStringLiteral("/link.pdf"));
    ASSERT_EQ(PrintCanvas(printer, m_doc, m_sys, RangeMode{}, PrintSettings{}), PrintOutcome::Printed);
    EXPECT_EQ(printer.outputFileName(), filesDir() + QStringLiteral("/link.pdf"));
    EXPECT_EQ(PdfPageCount(pdf), 4);
    EXPECT_TRUE(QFileInfo(filesDir() + QStringLiteral("/link.pdf")).isSymLink());
    EXPECT_EQ(QFile::permissions(pdf) & 0x7077, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(QDir(filesDir()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 2);
}

// Where the folder takes no new file, the PDF is put together elsewhere and
// copied over the earlier file only when complete: a cancelled job leaves
// it as it was, and nothing stays behind in either folder.
TEST_F(PagePrinterTest, AFolderThatTakesNoNewFileHasItsPdfRewrittenWhenComplete)
{
    const struct {
        const char* what;
        PageProgress progress;
        PrintOutcome outcome;
    } cases[] = {
        {"finished", {}, PrintOutcome::Printed},
        {"cancelled", [](int printed, int) { return printed < 1; }, PrintOutcome::Cancelled},
    };
    const QString pdf = filesDir() + QStringLiteral("/out.pdf");
    const QString elsewhere = filesDir() + QStringLiteral("/elsewhere");
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    ReplaceOptions refusing;
    refusing.fallbackFolder = elsewhere;
    refusing.folderTakesNewFiles = [](const QString&) { return false; };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QFile old(pdf);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly | QIODevice::Truncate));
        old.write("an earlier file");
        old.close();
        struct stat before = {};
        ASSERT_EQ(::stat(QFile::encodeName(pdf).constData(), &before), 0);

        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setResolution(150);
        printer.setOutputFileName(pdf);
        EXPECT_EQ(PrintCanvas(printer, m_doc, m_sys, RangeMode{}, PrintSettings{}, c.progress, refusing), c.outcome);
        EXPECT_EQ(printer.outputFileName(), pdf);

        struct stat after = {};
        ASSERT_EQ(::stat(QFile::encodeName(pdf).constData(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino) << "the file itself is rewritten, not replaced";
        if (c.outcome == PrintOutcome::Printed) {
            EXPECT_EQ(PdfPageCount(pdf), 4);
        } else {
            ASSERT_TRUE(old.open(QIODevice::ReadOnly));
            EXPECT_EQ(old.readAll(), "an earlier file");
            old.close();
        }
        EXPECT_TRUE(QDir(elsewhere).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
        EXPECT_EQ(QDir(filesDir()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 1);
    }
}

// A pipe named as the PDF is written as it stands, and a stopped job leaves
// the pipe where it was rather than removing it like a partial file.
TEST_F(PagePrinterTest, APipeIsWrittenInPlaceAndNeverRemoved)
{
    const QString pipe = filesDir() + QStringLiteral("/pipe.pdf");
    const QByteArray name = QFile::encodeName(pipe);
    ASSERT_EQ(::mkfifo(name.constData(), 0600), 0);
    // Read without blocking, so the writer can open the pipe at once and the
    // reader can tell a writer that has gone from one still writing.
    const int reader = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    std::atomic<bool> done{false};
    QByteArray received;
    std::thread drain([&] {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(reader, buffer, sizeof buffer);
            if (n > 0) {
                received.append(buffer, qsizetype(n));
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                break;
            if (done)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setResolution(150);
    printer.setOutputFileName(pipe);
    const PageProgress stopAtSecond = [](int printed, int) { return printed < 1; };
    EXPECT_EQ(PrintCanvas(printer, m_doc, m_sys, RangeMode{}, PrintSettings{}, stopAtSecond), PrintOutcome::Cancelled);
    done = true;
    drain.join();
    ::close(reader);

    EXPECT_TRUE(received.startsWith("%PDF")) << received.left(16).toStdString();
    struct stat st = {};
    ASSERT_EQ(::lstat(name.constData(), &st), 0) << "the pipe is still there";
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST_F(PagePrinterTest, UnwritableFileIsReported)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(filesDir() + QStringLiteral("/no/such/folder/out.pdf"));
    EXPECT_EQ(PrintCanvas(printer, m_doc, m_sys, RangeMode{}, PrintSettings{}), PrintOutcome::NoDevice);
}

// A page's part drawn alone is the same block of the whole canvas drawn at
// the same scale, pixel for pixel: frames, overlaps and picture edges included.
TEST(CanvasPartTest, PartsMatchTheWholeCanvas)
{
    Document doc;
    test::BuildPrintScene(doc, 640, 480,
                          {{QRect(10, 10, 200, 150), Qt::red},
                           {QRect(150, 100, 220, 180), Qt::blue},
                           {QRect(400, 300, 230, 170), Qt::green}});
    doc.nodes[1].frameColor = 0x00FFFF;
    doc.nodes[1].frameWidth = 5;
    doc.nodes[1].frameStyle = 1;
    doc.nodes[2].frameColor = 0x000000;
    doc.nodes[2].frameWidth = 3;
    doc.nodes[2].frameStyle = 5;
    doc.state.canvasFrameColor = 0x0000FF;
    doc.state.canvasFrameWidth = 2;
    SysSettings sys;
    sys.dspOverlap = 1;
    for (const float zoom : {1.0f, 2.5f, 6.25f}) {
        const QImage whole = RenderCanvas(doc, sys, RangeMode{}, zoom);
        ASSERT_FALSE(whole.isNull()) << zoom;
        const int w = whole.width();
        const int h = whole.height();
        const QRect parts[] = {
            {0, 0, w / 3, h / 2}, {w / 3, h / 4, w / 3 + 7, h / 2}, {w - 101, h - 77, 101, 77}, {0, 0, w, h},
        };
        for (const QRect& part : parts) {
            const QImage alone = RenderCanvasPart(doc, sys, RangeMode{}, zoom, part);
            EXPECT_EQ(alone, whole.copy(part)) << "zoom " << zoom << " part " << part.x() << "," << part.y();
        }
    }
}

} // namespace
} // namespace vq
