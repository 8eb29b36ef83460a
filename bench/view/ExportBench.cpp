// Cost of exporting a large canvas as one image file, against ImageMagick
// composing the same pictures at the same places into the same file type.
//
// Scene: a 5000 x 5000 white canvas holding 100 JPEG photographs of
// 2400 x 1800 (quality 90), each shown 460 x 345 in a 10 x 10 grid of 500-pixel
// cells. The photographs are generated once and kept on disk (the temporary
// folder's velquin-bench-export, or --cache DIR). Each export starts with an
// empty picture cache, so it decodes every photograph as a first export does.
// Figures: wall time of the export to JPEG quality 90 and to PNG (median of
// RUNS, default 3), the same for `convert -size 5000x5000 xc:white \( p.jpg
// -resize WxH! \) -geometry +X+Y -composite ... out`, their ratio, and the
// peak resident memory of this process and of the largest convert run.
//
//   bench_export [RUNS] [--cache DIR]
#include "edit/ExportImage.h"
#include "model/RangeModeState.h"
#include "imaging/Codec.h"
#include "imaging/PictureCache.h"
#include "model/Document.h"
#include "base/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
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
constexpr QSize kPhotoSize{2400, 1800};
constexpr QSize kShown{460, 345};
constexpr int kJpegQuality = 90;

long peakResidentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
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

// Something with the detail of a photograph: smooth gradients, shapes and
// noise, so neither encoder gets an easy ride.
QImage makePhoto(int seed)
{
    QImage image(kPhotoSize, QImage::Format_RGB32);
    QRandomGenerator random(quint32(seed) + 1);
    QLinearGradient sky(0, 0, kPhotoSize.width(), kPhotoSize.height());
    sky.setColorAt(0, QColor::fromHsv(random.bounded(360), 120, 230));
    sky.setColorAt(1, QColor::fromHsv(random.bounded(360), 200, 90));
    QPainter painter(&image);
    painter.fillRect(image.rect(), sky);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 60; ++i) {
        painter.setBrush(QColor::fromHsv(random.bounded(360), random.bounded(256), random.bounded(256), 160));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QPoint(random.bounded(kPhotoSize.width()), random.bounded(kPhotoSize.height())),
                            random.bounded(40, 400), random.bounded(40, 300));
    }
    painter.end();
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int n = int(random.bounded(24)) - 12;
            const QRgb p = line[x];
            line[x] = qRgb(std::clamp(qRed(p) + n, 0, 255), std::clamp(qGreen(p) + n, 0, 255),
                           std::clamp(qBlue(p) + n, 0, 255));
        }
    }
    return image;
}

QStringList preparePhotos(const QString& folder)
{
    QDir().mkpath(folder);
    QStringList files;
    for (int i = 0; i < kPhotos; ++i) {
        const QString path = QDir(folder).filePath(QStringLiteral("p%1.jpg").arg(i, 3, 10, QLatin1Char('0')));
        if (!QFileInfo::exists(path) && !makePhoto(i).save(path, "JPEG", kJpegQuality)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return {};
        }
        files << path;
    }
    return files;
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

QStringList convertArguments(const QStringList& photos, const Document& doc, const QString& out, bool jpeg)
{
    QStringList args{QStringLiteral("-size"), QStringLiteral("%1x%1").arg(kCanvas), QStringLiteral("xc:white")};
    for (int i = 0; i < photos.size(); ++i) {
        const IntRect r = doc.NodeRect(i);
        args << QStringLiteral("(") << photos[i] << QStringLiteral("-resize")
             << QStringLiteral("%1x%2!").arg(r.width()).arg(r.height()) << QStringLiteral(")")
             << QStringLiteral("-geometry") << QStringLiteral("+%1+%2").arg(r.left).arg(r.top)
             << QStringLiteral("-composite");
    }
    if (jpeg)
        args << QStringLiteral("-quality") << QString::number(kJpegQuality);
    args << out;
    return args;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    int runs = 3;
    QString cache = QDir::temp().filePath(QStringLiteral("velquin-bench-export"));
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--cache") && i + 1 < args.size())
            cache = args[++i];
        else
            runs = std::max(1, args[i].toInt());
    }
    const QString convert = QStandardPaths::findExecutable(QStringLiteral("convert"));
    const QString timeTool = QFileInfo::exists(QStringLiteral("/usr/bin/time")) ? QStringLiteral("/usr/bin/time") : QString();
    long magickPeakKb = -1;

    std::printf("preparing %d photographs of %dx%d in %s\n", kPhotos, kPhotoSize.width(), kPhotoSize.height(),
                qPrintable(cache));
    const QStringList photos = preparePhotos(cache);
    if (photos.size() != kPhotos)
        return 1;
    Document doc;
    if (!buildDocument(doc, photos))
        return 1;
    SysSettings sys;
    sys.dspOverlap = 1;
    const QString outDir = QDir(cache).filePath(QStringLiteral("out"));
    QDir().mkpath(outDir);

    std::printf("canvas %dx%d, %d nodes of %dx%d, median of %d runs\n", kCanvas, kCanvas, kPhotos, kShown.width(),
                kShown.height(), runs);
    std::printf("%-6s %12s %14s %8s\n", "type", "velquin ms", "ImageMagick ms", "ratio");
    for (const bool jpeg : {true, false}) {
        const QString type = jpeg ? QStringLiteral("jpeg") : QStringLiteral("png");
        const QString ours = QDir(outDir).filePath(QStringLiteral("velquin.") + type);
        const QString theirs = QDir(outDir).filePath(QStringLiteral("magick.") + type);
        std::vector<double> ourTimes;
        std::vector<double> theirTimes;
        for (int r = 0; r < runs; ++r) {
            PictureCache::instance().clear();
            QElapsedTimer timer;
            timer.start();
            const ExportResult result =
                ExportCanvas(doc, sys, RangeMode{}, 1.0f, ours, ExportTarget{0, type}, kJpegQuality);
            ourTimes.push_back(double(timer.nsecsElapsed()) / 1e6);
            if (result != ExportResult::Saved) {
                std::fprintf(stderr, "export failed\n");
                return 1;
            }
            if (convert.isEmpty())
                continue;
            QProcess magick;
            const QString report = QDir(outDir).filePath(QStringLiteral("time.txt"));
            QString program = convert;
            QStringList magickArgs = convertArguments(photos, doc, theirs, jpeg);
            if (!timeTool.isEmpty()) {
                magickArgs = QStringList{QStringLiteral("-f"), QStringLiteral("%M"), QStringLiteral("-o"), report,
                                         convert} + magickArgs;
                program = timeTool;
            }
            timer.restart();
            magick.start(program, magickArgs);
            if (!magick.waitForFinished(-1) || magick.exitCode() != 0) {
                std::fprintf(stderr, "convert failed: %s\n", magick.readAllStandardError().constData());
                return 1;
            }
            theirTimes.push_back(double(timer.nsecsElapsed()) / 1e6);
            if (!timeTool.isEmpty())
                magickPeakKb = std::max(magickPeakKb, timedPeakKb(report));
        }
        const double our = median(ourTimes);
        const double their = median(theirTimes);
        std::printf("%-6s %12.0f %14.0f %8.2f   (%lld / %lld bytes)\n", qPrintable(type), our, their,
                    their > 0 ? our / their : 0.0, QFileInfo(ours).size(), QFileInfo(theirs).size());
    }
    if (convert.isEmpty())
        std::printf("ImageMagick's convert not found: no comparison\n");
    std::printf("peak resident memory: velquin %ld MB, largest convert run %ld MB (-1: not measured)\n", peakResidentKb() / 1024,
                magickPeakKb / 1024);
    return 0;
}
