// Printing a large canvas to PDF at printer resolution, page by page.
//
// Scene: a 10000 x 7500 white canvas holding 48 photograph-like JPEG pictures
// of 1600 x 1200 (quality 90), each shown 1200 x 900 in an 8 x 6 grid of
// 1250-pixel cells. Printed at 96 screen pixels per inch onto A4 portrait at
// 600 dpi with the margins 25/10/25/10: 16 x 8 = 128 pages of about 4135 x 6190
// device pixels. Drawing the whole canvas first, at 62500 x 46875 device
// pixels, would need 11.7 GB for the bitmap alone.
// Figures: wall and CPU time of the whole job (median of RUNS, default 1), per
// page, the PDF's size, and the peak resident memory (getrusage ru_maxrss).
//
//   bench_print [RUNS] [--pages N-M] [--keep OUT.pdf]
#include "model/RangeModeState.h"
#include "imaging/Codec.h"
#include "model/Document.h"
#include "base/Settings.h"
#include "bench/support/BenchPhotos.h"
#include "print/PagePrinter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPrinter>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>
#include <vector>

using namespace vq;

namespace {

constexpr int kCanvasW = 10000;
constexpr int kCanvasH = 7500;
constexpr int kColumns = 8;
constexpr int kRows = 6;
constexpr int kCell = 1250;
constexpr QSize kPhotoSize{1600, 1200};
constexpr QSize kShown{1200, 900};

long peakResidentKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void buildScene(Document& doc)
{
    doc.ResetDocument();
    doc.state.canvasWidth = kCanvasW;
    doc.state.canvasHeight = kCanvasH;
    doc.state.backColor = 0xFFFFFF;
    for (int i = 0; i < kColumns * kRows; ++i) {
        const QByteArray jpeg = bench::MakePhoto(kPhotoSize, i);
        QImage image;
        image.loadFromData(jpeg, "JPEG");
        NodeRecord& node = doc.nodes[doc.state.nodeCount];
        node = NodeRecord{};
        node.picture = BitmapToPicture(image);
        node.centerX = (i % kColumns) * kCell + kCell / 2;
        node.centerY = (i / kColumns) * kCell + kCell / 2;
        node.halfWidth = kShown.width() / 2;
        node.halfHeight = kShown.height() / 2;
        node.imageWidth = kPhotoSize.width();
        node.imageHeight = kPhotoSize.height();
        node.frameColor = 0x303030;
        node.frameWidth = 4;
        ++doc.state.nodeCount;
    }
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    int runs = 1;
    int first = 0;
    int last = 0;
    QString keep;
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--pages") && i + 1 < args.size()) {
            const QStringList range = args[++i].split(QLatin1Char('-'));
            first = range.value(0).toInt();
            last = range.value(1, range.value(0)).toInt();
        } else if (args[i] == QLatin1String("--keep") && i + 1 < args.size()) {
            keep = args[++i];
        } else {
            runs = std::max(1, args[i].toInt());
        }
    }

    QElapsedTimer timer;
    timer.start();
    Document doc;
    buildScene(doc);
    std::printf("scene: %d x %d canvas, %d pictures of %d x %d, made in %.0f ms\n", kCanvasW, kCanvasH,
                doc.state.nodeCount, kPhotoSize.width(), kPhotoSize.height(), bench::MsSince(timer));
    const long sceneKb = peakResidentKb();

    QTemporaryDir dir;
    const QString pdf = keep.isEmpty() ? dir.filePath(QStringLiteral("print.pdf")) : keep;
    PrintSettings settings;
    if (first > 0) {
        settings.rangeKind = PrintRange::Pages;
        settings.firstPage = first;
        settings.lastPage = last;
    }
    std::vector<double> wall;
    std::vector<double> cpu;
    int pages = 0;
    qint64 bytes = 0;
    for (int run = 0; run < runs; ++run) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setResolution(600);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setOutputFileName(pdf);
        pages = 0;
        const PageProgress count = [&pages](int printed, int) {
            pages = printed;
            return true;
        };
        const double cpu0 = bench::ProcessCpuMs();
        timer.restart();
        const PrintOutcome outcome = PrintCanvas(printer, doc, SysSettings{}, RangeMode{}, settings, count);
        wall.push_back(bench::MsSince(timer));
        cpu.push_back(bench::ProcessCpuMs() - cpu0);
        if (outcome != PrintOutcome::Printed) {
            std::fprintf(stderr, "printing failed (%d)\n", int(outcome));
            return 1;
        }
        bytes = QFileInfo(pdf).size();
    }
    const double ms = bench::Median(wall);
    std::printf("printed %d pages at 600 dpi to PDF: %.1f s wall, %.1f s CPU, %.0f ms per page, PDF %.1f MB\n", pages,
                ms / 1000.0, bench::Median(cpu) / 1000.0, ms / std::max(1, pages), double(bytes) / 1e6);
    std::printf("peak resident memory: %.0f MB (%.0f MB after building the scene)\n", peakResidentKb() / 1024.0,
                sceneKb / 1024.0);
    return 0;
}
