#include "tests/frame/PrintScene.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Isolation.h"

#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QThread>

#include <csignal>

#include <unistd.h>

namespace vq {
namespace {

struct PrintRun {
    int exitCode;
    QByteArray out;
    QByteArray err;
};

// A 1000 x 1000 canvas with one red 400 x 300 node in the middle
// (canvas 300..700 x 350..650); at 96 dpi on A4 portrait with the margins
// 25/10/25/10 it takes 2 x 2 pages.
class VqdtoolPrintTest : public test::IsolatedTest {
protected:
    void SetUp() override
    {
        IsolatedTest::SetUp();
        if (!test::HasPoppler())
            GTEST_SKIP() << "pdfinfo and pdftoppm (poppler-utils) are not installed";
        QImage red(400, 300, QImage::Format_RGB32);
        red.fill(Qt::red);
        ASSERT_TRUE(red.save(file("red.png")));
        ASSERT_EQ(run({"create", "doc.vqd", "red.png"}).exitCode, 0);
    }

    // Run as a script would on a machine without a display.
    PrintRun run(const QStringList& args)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(filesDir());
        p.start(QStringLiteral(VQDTOOL_PATH), args);
        EXPECT_TRUE(p.waitForFinished(60000));
        return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
    }
    QString file(const QString& name) const { return filesDir() + QLatin1Char('/') + name; }
};

TEST_F(VqdtoolPrintTest, TilesTheCanvasIntoAPdf)
{
    const PrintRun r = run({"print", "doc.vqd", "--pdf", "out.pdf"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.trimmed(), "4");
    ASSERT_EQ(test::PdfPageCount(file("out.pdf")), 4);
    // The node's centre (500, 500) is 132.3 mm into the first page's canvas;
    // its right end (700) is 39 canvas pixels (10.3 mm) into the second column.
    const QImage first = test::PdfPage(file("out.pdf"), 1, 40);
    const QImage second = test::PdfPage(file("out.pdf"), 2, 40);
    const QImage third = test::PdfPage(file("out.pdf"), 3, 40);
    EXPECT_TRUE(test::NearRgb(test::PixelAtMm(first, 25 + 132.3, 25 + 132.3, 40), Qt::red));
    EXPECT_TRUE(test::NearRgb(test::PixelAtMm(second, 25 + 5, 25 + 132.3, 40), Qt::red));
    EXPECT_TRUE(test::NearRgb(test::PixelAtMm(second, 25 + 15, 25 + 132.3, 40), Qt::white));
    EXPECT_TRUE(test::NearRgb(test::PixelAtMm(third, 25 + 132.3, 25 + 1, 40), Qt::white));
}

TEST_F(VqdtoolPrintTest, OptionsChooseSheetMarginsRangeAndScale)
{
    const struct {
        QStringList options;
        int pages;
        QString pageSize;    // the sheet, measured on the rendered page in mm
        double widthMm, heightMm;
    } cases[] = {
        {{"--landscape"}, 4, "A4 landscape", 297, 210},
        {{"--fit"}, 1, "A4", 210, 297},
        {{"--pages", "2-3"}, 2, "A4", 210, 297},
        {{"--pages", "3"}, 1, "A4", 210, 297},
        {{"--paper", "A3"}, 2, "A3", 297, 420},
        {{"--paper", "b4"}, 2, "JIS B4", 257, 364},
        {{"--paper", "11"}, 6, "A5", 148, 210},
        {{"--margins", "5,5,5,5"}, 2, "A4", 210, 297},
        {{"--dpi", "192"}, 1, "A4", 210, 297},
        {{"--fit", "--pages", "2-4", "--landscape"}, 1, "A4 landscape", 297, 210},
        {{"--paper", "hagaki"}, 15, "postcard", 100, 148},
        {{"--paper", "L"}, 15, "L", 89, 127},
        {{"--paper", "2l"}, 6, "2L", 127, 178},
        {{"--paper", "a3nobi"}, 1, "A3 Nobi", 329, 483},
        // A poster 3 sheets across is 3 sheets down on a square canvas;
        // the map comes first.
        {{"--sheets-across", "3"}, 9, "A4", 210, 297},
        {{"--sheets-across", "3", "--overlap", "10", "--marks", "--labels", "--map"}, 7, "A4", 210, 297},
        // 1 m on sheets of 175 x 262 mm: 6 across, 4 down.
        {{"--width-mm", "1000"}, 24, "A4", 210, 297},
        // A range reprints sheets without the map.
        {{"--sheets-across", "2", "--map", "--pages", "3-4"}, 2, "A4", 210, 297},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options.join(' ').toStdString());
        QFile::remove(file("out.pdf"));
        const PrintRun r = run(QStringList{"print", "doc.vqd", "--pdf", "out.pdf"} + c.options);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(r.out.trimmed().toInt(), c.pages);
        EXPECT_EQ(test::PdfPageCount(file("out.pdf")), c.pages);
        const QImage page = test::PdfPage(file("out.pdf"), 1, 20);
        EXPECT_NEAR(page.width(), c.widthMm / 25.4 * 20, 1.5) << c.pageSize.toStdString();
        EXPECT_NEAR(page.height(), c.heightMm / 25.4 * 20, 1.5) << c.pageSize.toStdString();
    }
}

// The poster options go through the program's page loop: the labels and the
// map read as the dialog prints them.
TEST_F(VqdtoolPrintTest, PosterOptionsPrintLabelsAndMap)
{
    const PrintRun r = run({"print", "doc.vqd", "--pdf", "out.pdf", "--sheets-across", "2", "--overlap", "10",
                            "--labels", "--map"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    // 2 sheets of 175 mm less 10: a 340 mm square poster, 2 sheets down.
    ASSERT_EQ(test::PdfPageCount(file("out.pdf")), 5);
    EXPECT_TRUE(test::PdfText(file("out.pdf"), 1).contains(QStringLiteral("B-2")));
    EXPECT_TRUE(test::PdfText(file("out.pdf"), 5).contains(QRegularExpression(QStringLiteral("B-2\\s+4 / 4"))));
    // The red node, canvas 300..700 of 1000, is 102 to 238 mm into the poster:
    // on the first sheet from 25 + 102 mm on.
    const QImage first = test::PdfPage(file("out.pdf"), 2, 40);
    EXPECT_TRUE(test::NearRgb(test::PixelAtMm(first, 25 + 110, 25 + 165, 40), Qt::red));
    EXPECT_TRUE(test::NearRgb(test::PixelAtMm(first, 25 + 95, 25 + 165, 40), Qt::white));
}

TEST_F(VqdtoolPrintTest, FitCentresTheWholeCanvas)
{
    // 264.6 mm square fitted into 175 x 262 mm: 175 mm square, 43.5 mm down.
    const PrintRun r = run({"print", "doc.vqd", "--pdf", "out.pdf", "--fit"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QImage page = test::PdfPage(file("out.pdf"), 1, 40);
    const double top = 25 + (262 - 175) / 2.0;
    EXPECT_TRUE(test::NearRgb(test::PixelAtMm(page, 25 + 87.5, top + 87.5, 40), Qt::red));
    EXPECT_TRUE(test::NearRgb(test::PixelAtMm(page, 25 + 87.5, top + 10, 40), Qt::white));
    EXPECT_TRUE(test::NearRgb(test::PixelAtMm(page, 25 + 40, top + 87.5, 40), Qt::white));
    EXPECT_TRUE(test::NearRgb(test::PixelAtMm(page, 25 + 60, top + 87.5, 40), Qt::red));
}

TEST_F(VqdtoolPrintTest, RefusesBadOptionsAndReportsFailures)
{
    const struct {
        QStringList args;
        int exitCode;
        const char* err;
    } cases[] = {
        {{"print", "doc.vqd"}, 2, "usage:"},
        {{"print", "doc.vqd", "--pdf", "a.pdf", "--printer", "p"}, 2, "usage:"},
        {{"print", "doc.vqd", "--pdf"}, 2, "usage:"},
        {{"print", "doc.vqd", "--pdf", "a.pdf", "--margins", "1,2,3"}, 2, "usage:"},
        {{"print", "doc.vqd", "--pdf", "a.pdf", "--margins", "60,10,10,10"}, 2, "usage:"},
        {{"print", "doc.vqd", "--pdf", "a.pdf", "--pages", "0"}, 2, "usage:"},
        {{"print", "doc.vqd", "--pdf", "a.pdf", "--pages", "3-2"}, 2, "usage:"},
        {{"print", "doc.vqd", "--pdf", "a.pdf", "--pages", "x"}, 2, "usage:"},
        {{"print", "doc.vqd", "--pdf", "a.pdf", "--dpi", "0"}, 2, "usage:"},
        {{"print", "doc.vqd", "--pdf", "a.pdf", "--paper", "B9"}, 2, "usage:"},
        {{"print", "doc.vqd", "--pdf", "a.pdf", "--bogus"}, 2, "usage:"},
        {{"print", "doc.vqd", "--pdf", "a.pdf", "--sheets-across", "0"}, 2, "usage:"},
        {{"print", "doc.vqd", "--pdf", "a.pdf", "--sheets-across", "21"}, 2, "usage:"},
        {{"print", "doc.vqd", "--pdf", "a.pdf", "--width-mm", "49"}, 2, "usage:"},
        {{"print", "doc.vqd", "--pdf", "a.pdf", "--sheets-across", "2", "--width-mm", "500"}, 2, "usage:"},
        {{"print", "doc.vqd", "--pdf", "a.pdf", "--overlap", "31"}, 2, "usage:"},
        {{"print", "doc.vqd", "--pdf", "a.pdf", "--overlap", "-1"}, 2, "usage:"},
        {{"print", "doc.vqd", "--printer", "no-such-printer"}, 1, "vqdtool: no-such-printer: "},
        {{"print", "doc.vqd", "--pdf", "a.pdf", "--pages", "9"}, 1, "vqdtool: --pages"},
        {{"print", "missing.vqd", "--pdf", "a.pdf"}, 1, ""},
        {{"print", "doc.vqd", "--pdf", "no/such/folder/a.pdf"}, 1, "vqdtool: no/such/folder/a.pdf: "},
    };
    for (const auto& c : cases) {
        const PrintRun r = run(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.join(' ').toStdString() << "\n" << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(c.err)) << c.args.join(' ').toStdString() << "\n" << r.err.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(file("a.pdf")));
}

// Ctrl+C stops the job between pages; an earlier PDF stays as it was and no
// partial or temporary file is left.
TEST_F(VqdtoolPrintTest, InterruptedJobLeavesTheEarlierFile)
{
    QFile old(file("out.pdf"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("an earlier file");
    old.close();
    QProcess p;
    p.setWorkingDirectory(filesDir());
    p.start(QStringLiteral(VQDTOOL_PATH), {"print", "doc.vqd", "--pdf", "out.pdf", "--dpi", "30", "--max-pages", "20"});
    ASSERT_TRUE(p.waitForStarted());
    // Once the job has begun writing its temporary file.
    QElapsedTimer waited;
    waited.start();
    while (QDir(filesDir()).entryList({".out.pdf.*"}, QDir::Files | QDir::Hidden).isEmpty() && waited.elapsed() < 30000)
        QThread::msleep(5);
    ASSERT_EQ(::kill(pid_t(p.processId()), SIGINT), 0);
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 130) << p.readAllStandardError().toStdString();
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), "an earlier file");
    EXPECT_TRUE(QDir(filesDir()).entryList({".out.pdf.*"}, QDir::Files | QDir::Hidden).isEmpty());
}

// Margins wider than the sheet are named, not printed as an unfitted canvas;
// a job of very many pages needs asking for; the document read is never the
// file written.
TEST_F(VqdtoolPrintTest, RefusesJobsThatCannotOrShouldNotRun)
{
    QFile doc(file("doc.vqd"));
    ASSERT_TRUE(doc.open(QIODevice::ReadOnly));
    const QByteArray bytes = doc.readAll();
    doc.close();
    ASSERT_TRUE(QFile::link(file("doc.vqd"), file("alias.pdf")));
    ASSERT_EQ(::link(QFile::encodeName(file("doc.vqd")).constData(), QFile::encodeName(file("hard.pdf")).constData()), 0);

    const struct {
        QStringList args;
        const char* err;
    } cases[] = {
        // Code 38 is an envelope 92.1 x 165.1 mm.
        {{"--paper", "38", "--margins", "50,50,10,10", "--fit"},
         "--margins: the right margin leaves no room on a sheet 92.1 mm wide"},
        {{"--paper", "38", "--margins", "10,10,50,50", "--landscape"},
         "--margins: the bottom margin leaves no room on a sheet 92.1 mm high"},
        // The canvas at 1 dpi is 25400 mm square: 146 x 97 pages on A4.
        {{"--dpi", "1"}, "the job takes 14162 pages, more than 1000; --max-pages 14162 allows it"},
        // At 30 dpi 846.7 mm square: 5 x 4 pages.
        {{"--dpi", "30", "--max-pages", "19"}, "the job takes 20 pages, more than 19"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const PrintRun r = run(QStringList{"print", "doc.vqd", "--pdf", "out.pdf"} + c.args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains(c.err)) << r.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(file("out.pdf")));
    }
    // Asked for, the many pages print.
    const PrintRun many = run({"print", "doc.vqd", "--pdf", "out.pdf", "--dpi", "30", "--max-pages", "20"});
    ASSERT_EQ(many.exitCode, 0) << many.err.toStdString();
    EXPECT_EQ(many.out.trimmed(), "20");
    EXPECT_EQ(test::PdfPageCount(file("out.pdf")), 20);
    EXPECT_FALSE(many.err.contains("page 1 of")) << "no progress where standard error is no terminal";

    for (const QString& out : {QStringLiteral("doc.vqd"), QStringLiteral("./doc.vqd"), QStringLiteral("alias.pdf"),
                               QStringLiteral("hard.pdf")}) {
        SCOPED_TRACE(out.toStdString());
        const PrintRun r = run({"print", "doc.vqd", "--pdf", out});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains("is the document being read")) << r.err.toStdString();
        QFile after(file("doc.vqd"));
        ASSERT_TRUE(after.open(QIODevice::ReadOnly));
        EXPECT_EQ(after.readAll(), bytes);
    }
}

} // namespace
} // namespace vq
