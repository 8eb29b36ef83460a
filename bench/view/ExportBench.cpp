// Cost of exporting a large canvas as one image file, against ImageMagick
// composing the same pictures at the same places into the same file type.
//
// Scenes, in one run: a 5000 x 5000 white canvas holding 100 JPEG photographs
// (quality 90) of 800 x 600, then 100 of 4000 x 3000, each shown 460 x 345 in
// a 10 x 10 grid of 500-pixel cells, exported to JPEG quality 90. The
// photographs are generated once and kept (bench/support/BenchPhotos, in the
// temporary folder's velquin-bench-paint, or --cache DIR). Each export starts
// with an empty picture cache, as a first export does.
// Figures per scene: wall time of the export (median of RUNS, default 3), the
// same for `convert -size 5000x5000 xc:white \( p.jpg -resize WxH! \)
// -geometry +X+Y -composite ... -quality 90 out.jpg`, their ratio, and the
// peak resident memory the export adds to the loaded document (the high-water
// mark reset before each export) next to convert's own peak.
// --waiting exports as the program did before exports streamed: the canvas
// drawn from the picture cache, every decode waited for and kept.
//
// --photos WxH runs the one scene of photographs of that size.
//
//   bench_export [RUNS] [--cache DIR] [--waiting] [--skip-magick] [--photos WxH]
#include "bench/support/BenchPhotos.h"
#include "base/Settings.h"
#include "edit/ExportImage.h"
#include "imaging/Codec.h"
#include "imaging/PictureCache.h"
#include "model/Document.h"
#include "model/RangeModeState.h"
#include "render/CanvasRender.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace vq;

namespace {

constexpr int kCanvas = 5000;
constexpr int kPhotos = 100;
constexpr int kColumns = 10;
constexpr int kCell = 500;
constexpr QSize kShown{460, 345};
constexpr int kJpegQuality = 90;

long statusKb(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qsizetype(qstrlen(field))).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// Sets the peak resident mark back to what is resident now.
void resetPeakResident()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

// A child forked from this process counts this process's pages until it
// execs, so convert's own peak is taken by /usr/bin/time, which is small.
long timedPeakKb(const QString& report)
{
    QFile file(report);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    bool ok = false;
    const long kb = file.readAll().trimmed().split('\n').last().toLong(&ok);
    return ok ? kb : -1;
}

QPoint cellOrigin(int i)
{
    return {(i % kColumns) * kCell + (kCell - kShown.width()) / 2, (i / kColumns) * kCell + (kCell - kShown.height()) / 2};
}

bool buildDocument(Document& doc, const QStringList& photos)
{
    doc.ResetDocument();
    doc.state.canvasWidth = kCanvas;
    doc.state.canvasHeight = kCanvas;
    doc.state.backColor = 0xFFFFFF;
    doc.state.canvasFrameColor = kNoColor;
    for (int i = 0; i < photos.size(); ++i) {
        const auto loaded = LoadPicture(photos[i], QStringLiteral("jpeg"));
        if (!loaded)
            return false;
        NodeRecord& node = doc.nodes[i];
        node = NodeRecord{};
        node.picture = loaded->picture;
        node.halfWidth = kShown.width() / 2;
        node.halfHeight = kShown.height() / 2;
        node.centerX = cellOrigin(i).x() + node.halfWidth;
        node.centerY = cellOrigin(i).y() + node.halfHeight;
        node.imageWidth = loaded->width;
        node.imageHeight = loaded->height;
        node.frameColor = kNoColor;
        ++doc.state.nodeCount;
    }
    return true;
}

QStringList convertArguments(const QStringList& photos, const Document& doc, const QString& out)
{
    QStringList args{QStringLiteral("-size"), QStringLiteral("%1x%1").arg(kCanvas), QStringLiteral("xc:white")};
    for (int i = 0; i < photos.size(); ++i) {
        const IntRect r = doc.NodeRect(i);
        args << QStringLiteral("(") << photos[i] << QStringLiteral("-resize")
             << QStringLiteral("%1x%2!").arg(r.width()).arg(r.height()) << QStringLiteral(")")
             << QStringLiteral("-geometry") << QStringLiteral("+%1+%2").arg(r.left).arg(r.top)
             << QStringLiteral("-composite");
    }
    args << QStringLiteral("-quality") << QString::number(kJpegQuality) << out;
    return args;
}

// The export as it was before it streamed: every picture from the cache.
bool exportWaiting(const Document& doc, const SysSettings& sys, const QString& path)
{
    const QImage canvas = RenderCanvas(doc, sys, RangeMode{}, 1.0f);
    return SaveBitmapAsImageFile(canvas, canvas.width(), canvas.height(), path, QStringLiteral("jpeg"), kJpegQuality,
                                 false, nullptr);
}

struct Options {
    int runs = 3;
    QString cache;
    bool waiting = false;
    bool skipMagick = false;
};

// One scene: false when something could not be done.
bool runScene(const Options& options, QSize photoSize, const QString& convert, const QString& timeTool)
{
    std::printf("\n%d photographs of %dx%d on %dx%d, shown %dx%d, JPEG quality %d, median of %d runs (%s)\n", kPhotos,
                photoSize.width(), photoSize.height(), kCanvas, kCanvas, kShown.width(), kShown.height(), kJpegQuality,
                options.runs, options.waiting ? "waiting for the picture cache" : "streamed");
    std::fflush(stdout);
    const QStringList photos = bench::LargePhotoFiles(options.cache, kPhotos, photoSize);
    if (photos.size() != kPhotos)
        return false;
    Document doc;
    if (!buildDocument(doc, photos))
        return false;
    SysSettings sys;
    sys.dspOverlap = 1;
    const QString outDir = QDir(options.cache).filePath(QStringLiteral("export-out"));
    QDir().mkpath(outDir);
    const QString ours = QDir(outDir).filePath(QStringLiteral("velquin.jpeg"));
    const QString theirs = QDir(outDir).filePath(QStringLiteral("magick.jpeg"));

    std::vector<double> ourTimes;
    std::vector<double> theirTimes;
    long ourPeakKb = 0;
    long magickPeakKb = -1;
    for (int r = 0; r < options.runs; ++r) {
        PictureCache::instance().clear();
        const long residentKb = statusKb("VmRSS:");
        resetPeakResident();
        QElapsedTimer timer;
        timer.start();
        const bool saved = options.waiting
                               ? exportWaiting(doc, sys, ours)
                               : ExportCanvas(doc, sys, RangeMode{}, 1.0f, ours, ExportTarget{0, QStringLiteral("jpeg")},
                                              kJpegQuality) == ExportResult::Saved;
        ourTimes.push_back(bench::MsSince(timer));
        ourPeakKb = std::max(ourPeakKb, statusKb("VmHWM:") - residentKb);
        if (!saved) {
            std::fprintf(stderr, "export failed\n");
            return false;
        }
        PictureCache::instance().clear();
        if (convert.isEmpty() || options.skipMagick)
            continue;
        QProcess magick;
        const QString report = QDir(outDir).filePath(QStringLiteral("time.txt"));
        QString program = convert;
        QStringList magickArgs = convertArguments(photos, doc, theirs);
        if (!timeTool.isEmpty()) {
            magickArgs = QStringList{QStringLiteral("-f"), QStringLiteral("%M"), QStringLiteral("-o"), report, convert}
                + magickArgs;
            program = timeTool;
        }
        timer.restart();
        magick.start(program, magickArgs);
        if (!magick.waitForFinished(-1) || magick.exitCode() != 0) {
            std::fprintf(stderr, "convert failed: %s\n", magick.readAllStandardError().constData());
            return false;
        }
        theirTimes.push_back(bench::MsSince(timer));
        if (!timeTool.isEmpty())
            magickPeakKb = std::max(magickPeakKb, timedPeakKb(report));
    }
    const double our = bench::Median(ourTimes);
    const double their = theirTimes.empty() ? 0.0 : bench::Median(theirTimes);
    std::printf("  velquin     %8.0f ms   peak added %5ld MB   (%lld bytes)\n", our, ourPeakKb / 1024,
                QFileInfo(ours).size());
    if (!theirTimes.empty()) {
        std::printf("  ImageMagick %8.0f ms   peak       %5ld MB   (%lld bytes)\n", their, magickPeakKb / 1024,
                    QFileInfo(theirs).size());
        std::printf("  ratio        %8.2f   (goal at most 0.30)\n", their > 0 ? our / their : 0.0);
    }
    const long canvasMb = long(kCanvas) * kCanvas * 4 / (1024 * 1024);
    std::printf("  peak goal: at most the canvas %ld MB + 150 MB = %ld MB\n", canvasMb, canvasMb + 150);
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    Options options;
    QSize only;
    options.cache = bench::DefaultPhotoCache();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--cache") && i + 1 < args.size())
            options.cache = args[++i];
        else if (args[i] == QLatin1String("--waiting"))
            options.waiting = true;
        else if (args[i] == QLatin1String("--skip-magick"))
            options.skipMagick = true;
        else if (args[i] == QLatin1String("--photos") && i + 1 < args.size()) {
            const QString size = args[++i];
            only = QSize(size.section(QLatin1Char('x'), 0, 0).toInt(), size.section(QLatin1Char('x'), 1, 1).toInt());
        }
        else
            options.runs = std::max(1, args[i].toInt());
    }
    const QString convert = QStandardPaths::findExecutable(QStringLiteral("convert"));
    const QString timeTool = QFileInfo::exists(QStringLiteral("/usr/bin/time")) ? QStringLiteral("/usr/bin/time") : QString();
    if (convert.isEmpty())
        std::printf("ImageMagick's convert not found: no comparison\n");
    for (const QSize photoSize : {QSize(800, 600), QSize(4000, 3000)}) {
        if (only.isValid() && photoSize != only)
            continue;
        if (!runScene(options, photoSize, convert, timeTool))
            return 1;
    }
    return 0;
}
