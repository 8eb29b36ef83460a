#include "bench/support/BenchPhotos.h"

#include "imaging/Picture.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>

#include <algorithm>
#include <ctime>

namespace vq::bench {

QByteArray MakePhoto(QSize size, int seed, int quality)
{
    QRandomGenerator rng(static_cast<quint32>(seed) * 7919u + 17u);
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, QColor::fromHsv(rng.bounded(360), 120, 230));
    sky.setColorAt(1, QColor::fromHsv(rng.bounded(360), 160, 90));
    p.fillRect(image.rect(), sky);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const int reach = size.width() * 3 / 20;
    for (int i = 0; i < 60; ++i) {
        p.setBrush(QColor::fromHsv(rng.bounded(360), 40 + rng.bounded(200), 40 + rng.bounded(215), 90 + rng.bounded(120)));
        const int r = 20 + rng.bounded(reach);
        p.drawEllipse(QPoint(rng.bounded(size.width()), rng.bounded(size.height())), r, r);
    }
    p.end();
    // A cheap generator: a library generator per pixel would make generating
    // the large photographs take minutes.
    quint32 state = rng.generate() | 1u;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            const int n = static_cast<int>(state % 17) - 8;
            const QRgb c = line[x];
            line[x] = qRgb(std::clamp(qRed(c) + n, 0, 255), std::clamp(qGreen(c) + n, 0, 255),
                           std::clamp(qBlue(c) + n, 0, 255));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    writer.write(image);
    return bytes;
}

QStringList LargePhotoFiles(const QString& dir, int count, QSize size)
{
    QDir().mkpath(dir);
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        const QString path = QStringLiteral("%1/photo%2x%3_%4.jpg")
                                 .arg(dir)
                                 .arg(size.width())
                                 .arg(size.height())
                                 .arg(i, 3, 10, QLatin1Char('0'));
        QFile file(path);
        QByteArray bytes;
        if (file.open(QIODevice::ReadOnly))
            bytes = file.readAll();
        file.close();
        const PicturePtr picture = bytes.isEmpty() ? nullptr : Picture::fromJpegBytes(bytes);
        if (!picture || picture->pixelSize() != size) {
            bytes = MakePhoto(size, 1000 + i);
            if (file.open(QIODevice::WriteOnly))
                file.write(bytes);
        }
        paths << path;
    }
    return paths;
}

QString DefaultPhotoCache()
{
    return QDir::tempPath() + QStringLiteral("/velquin-bench-paint");
}

std::vector<QByteArray> ReadFiles(const QStringList& paths)
{
    std::vector<QByteArray> all;
    for (const QString& path : paths) {
        QFile file(path);
        all.push_back(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
    }
    return all;
}

double MsSince(const QElapsedTimer& timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

namespace {
double cpuMs(clockid_t clock)
{
    timespec ts{};
    clock_gettime(clock, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}
} // namespace

double ProcessCpuMs()
{
    return cpuMs(CLOCK_PROCESS_CPUTIME_ID);
}

double ThreadCpuMs()
{
    return cpuMs(CLOCK_THREAD_CPUTIME_ID);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace vq::bench
