// Timing of adding images: JPEG photographs against plain reads of their bytes,
// and PNG images (decode + JPEG quality 100) against ImageMagick's convert.
//
//   bench_load_picture [--count N] [--magick N] [--cache DIR]
//
// Test images are generated once into DIR (default: the temporary folder's
// velquin-bench-imaging) and reused; a few distinct images are hard-linked
// under the other names, which is all a load that keeps JPEG bytes can tell.
#include "imaging/Codec.h"
#include "imaging/ImageDecode.h"
#include "imaging/JpegEncode.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageWriter>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <unistd.h>

namespace {

constexpr int kDistinct = 4;

// A smooth, photograph-like scene with fine grain, so that both JPEG and PNG
// compress it about as they would a real photograph.
QImage makeScene(int width, int height, quint32 seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator rng(seed);
    const double fx = 3.0 + seed % 5, fy = 2.0 + seed % 3;
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const double v = double(y) / height;
        for (int x = 0; x < width; ++x) {
            const double u = double(x) / width;
            const double wave = std::sin(u * fx * 6.283 + v * 2.0) * std::cos(v * fy * 6.283 - u);
            const int grain = int(rng.bounded(24u)) - 12;
            const int r = int(128 + 90 * wave + 30 * u) + grain;
            const int g = int(110 + 70 * std::sin(v * 9.0 + u * 4.0) + 40 * v) + grain;
            const int b = int(100 + 80 * std::cos(u * 7.0 - v * 5.0)) + grain;
            line[x] = qRgb(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
        }
    }
    return image;
}

// `count` file names in `dir` with the given suffix, made from kDistinct
// generated originals; existing files are kept.
QStringList prepareFiles(const QString& dir, const QString& stem, const QString& suffix, int count, QSize size,
                         const char* format, int quality)
{
    QDir().mkpath(dir);
    QStringList originals;
    for (int i = 0; i < kDistinct; ++i) {
        const QString path = QStringLiteral("%1/%2_orig%3.%4").arg(dir, stem).arg(i).arg(suffix);
        if (!QFile::exists(path)) {
            std::printf("  generating %s\n", qPrintable(path));
            std::fflush(stdout);
            QImageWriter writer(path, format);
            if (quality >= 0)
                writer.setQuality(quality);
            if (!writer.write(makeScene(size.width(), size.height(), quint32(i + 1))))
                qFatal("cannot write %s", qPrintable(path));
        }
        originals << path;
    }
    QStringList files;
    for (int i = 0; i < count; ++i) {
        const QString path = QStringLiteral("%1/%2_%3.%4").arg(dir, stem).arg(i, 3, 10, QLatin1Char('0')).arg(suffix);
        if (!QFile::exists(path)) {
            const QString from = originals[i % kDistinct];
            if (::link(QFile::encodeName(from).constData(), QFile::encodeName(path).constData()) != 0)
                QFile::copy(from, path);
        }
        files << path;
    }
    return files;
}

// Best of `rounds` of calling `step` once for every file; seconds per file.
double bestPerFile(const QStringList& files, int rounds, const std::function<bool(const QString&)>& step)
{
    double best = 1e30;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        for (const QString& file : files) {
            if (!step(file))
                qFatal("step failed for %s", qPrintable(file));
        }
        best = std::min(best, double(timer.nsecsElapsed()) / 1e9 / double(files.size()));
    }
    return best;
}

double ms(double seconds)
{
    return seconds * 1000.0;
}

// The plainest whole-file read: one buffer of the file's size, one read.
bool readBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray bytes(file.size(), Qt::Uninitialized);
    return file.read(bytes.data(), bytes.size()) == bytes.size() && !bytes.isEmpty();
}

int argValue(const QStringList& args, const QString& name, int fallback)
{
    const int at = int(args.indexOf(name));
    return at >= 0 && at + 1 < args.size() ? args[at + 1].toInt() : fallback;
}

void encoderOptions(const QString& png)
{
    QFile file(png);
    file.open(QIODevice::ReadOnly);
    const QImage image = vq::DecodeImage(file.readAll());
    std::printf("\nQt JPEG writer options, quality 100, one %dx%d image (best of 5):\n", image.width(), image.height());
    struct Option {
        const char* name;
        bool optimized;
        bool progressive;
    };
    for (const Option& o : {Option{"baseline (used)", false, false}, Option{"optimized Huffman", true, false},
                            Option{"progressive", false, true}}) {
        double best = 1e30;
        qsizetype size = 0;
        for (int i = 0; i < 5; ++i) {
            QElapsedTimer timer;
            timer.start();
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            QImageWriter writer(&buffer, "jpeg");
            writer.setQuality(100);
            writer.setOptimizedWrite(o.optimized);
            writer.setProgressiveScanWrite(o.progressive);
            writer.write(image);
            best = std::min(best, double(timer.nsecsElapsed()) / 1e9);
            size = bytes.size();
        }
        std::printf("  %-18s %7.1f ms  %9lld bytes\n", o.name, ms(best), (long long)size);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int count = std::max(1, argValue(args, QStringLiteral("--count"), 100));
    const int magickCount = std::clamp(argValue(args, QStringLiteral("--magick"), count), 0, count);
    const int cacheAt = int(args.indexOf(QStringLiteral("--cache")));
    const QString cache = cacheAt >= 0 && cacheAt + 1 < args.size()
        ? args[cacheAt + 1]
        : QDir::tempPath() + QStringLiteral("/velquin-bench-imaging");

    std::printf("Preparing test images in %s\n", qPrintable(cache));
    const QStringList jpegs = prepareFiles(cache, QStringLiteral("photo"), QStringLiteral("jpg"), count,
                                           QSize(4000, 3000), "jpeg", 92);
    const QStringList pngs = prepareFiles(cache, QStringLiteral("image"), QStringLiteral("png"), count,
                                          QSize(2000, 1500), "png", -1);
    for (const QString& f : jpegs + pngs)
        readBytes(f); // into the page cache, so both sides time the same reads

    // --- JPEG photographs -------------------------------------------------------
    const double read = bestPerFile(jpegs, 3, readBytes);
    const double loadJpeg = bestPerFile(jpegs, 3, [](const QString& f) {
        return vq::LoadPicture(f, QStringLiteral("jpeg")).has_value();
    });
    std::printf("\n%d JPEG photographs 4000x3000 (%lld bytes each, best of 3 rounds):\n", count,
                (long long)QFile(jpegs.first()).size());
    std::printf("  read file bytes     %8.3f ms/image\n", ms(read));
    std::printf("  LoadPicture(jpeg)   %8.3f ms/image\n", ms(loadJpeg));
    std::printf("  ratio load/read     %8.2f   (goal <= 2.00)\n", loadJpeg / read);

    // --- PNG images -------------------------------------------------------------
    const double loadPng = bestPerFile(pngs, 1, [](const QString& f) {
        return vq::LoadPicture(f, QStringLiteral("png")).has_value();
    });
    // The two halves of that time, on some of the same files (best of 3 rounds).
    const QStringList some = pngs.mid(0, std::min<qsizetype>(10, pngs.size()));
    const double decode = bestPerFile(some, 3, [](const QString& f) {
        QFile file(f);
        return file.open(QIODevice::ReadOnly) && !vq::DecodeImage(file.readAll()).isNull();
    });
    QList<QImage> decoded;
    for (const QString& f : some) {
        QFile file(f);
        file.open(QIODevice::ReadOnly);
        decoded << vq::DecodeImage(file.readAll());
    }
    double encode = 1e30;
    for (int round = 0; round < 3; ++round) {
        QElapsedTimer timer;
        timer.start();
        for (const QImage& image : decoded) {
            if (vq::EncodeJpeg(image, 100).isEmpty())
                qFatal("JPEG encode failed");
        }
        encode = std::min(encode, double(timer.nsecsElapsed()) / 1e9 / double(decoded.size()));
    }

    double magick = 0.0;
    if (magickCount > 0) {
        const QString out = cache + QStringLiteral("/magick_out.jpg");
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < magickCount; ++i) {
            if (QProcess::execute(QStringLiteral("convert"), {pngs[i], QStringLiteral("-quality"), QStringLiteral("100"), out}) != 0)
                qFatal("ImageMagick convert failed or is missing");
        }
        magick = double(timer.nsecsElapsed()) / 1e9 / magickCount;
        QFile::remove(out);
    }
    std::printf("\n%d PNG images 2000x1500 (%lld bytes each):\n", count, (long long)QFile(pngs.first()).size());
    std::printf("  LoadPicture(png)    %8.1f ms/image  (decode %.1f + JPEG q100 encode %.1f)\n", ms(loadPng),
                ms(decode), ms(encode));
    if (magickCount > 0) {
        std::printf("  ImageMagick convert %8.1f ms/image  (%d files, process start included)\n", ms(magick),
                    magickCount);
        std::printf("  ratio ours/convert  %8.2f   (goal <= 0.50)\n", loadPng / magick);
    }

    encoderOptions(pngs.first());
    return 0;
}
