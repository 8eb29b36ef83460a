#include "edit/Blur.h"

#include "edit/AddImages.h"
#include "base/Settings.h"

#include <QDateTime>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <vector>

namespace vq {

namespace {

constexpr int kMinBlock = 2;
constexpr int kMaxBlock = 100;
constexpr QRgb kMidGrey = 0xff808080u;
constexpr QRgb kBlack = 0x000000u;
constexpr QRgb kWhite = 0xffffffu;

// The status bar's protocol for one pass over `items` pixels: one step of
// the bar per `step` pixels, so a pass moves it at most 100 times.
class PassProgress {
public:
    PassProgress(ProgressSink* sink, qint64 items) : m_sink(sink)
    {
        if (!m_sink)
            return;
        const int clamped = static_cast<int>(std::min<qint64>(items, std::numeric_limits<int>::max()));
        m_step = std::max(1, m_sink->BeginProgress(clamped));
    }
    // `count` more pixels are done.
    void advance(qint64 count)
    {
        if (!m_sink)
            return;
        m_done += count;
        // The bar has 100 positions; steps past the end would only redraw it.
        const qint64 due = std::min<qint64>(m_done / m_step, kPositions);
        for (; m_shown < due; ++m_shown)
            m_sink->StepProgress();
    }

private:
    static constexpr qint64 kPositions = 100;
    ProgressSink* m_sink;
    qint64 m_step = 1;
    qint64 m_done = 0;
    qint64 m_shown = 0;
};

// Every pixel takes the colour of its block's top-left pixel.
void SimpleBlur(QImage& img, int block, ProgressSink* progress)
{
    const int w = img.width();
    const int h = img.height();
    PassProgress pass(progress, qint64(w) * h);
    const qsizetype rowBytes = qsizetype(w) * 4;
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        if (y % block == 0) {
            for (int x0 = 0; x0 < w; x0 += block) {
                const QRgb first = row[x0];
                std::fill(row + x0, row + std::min(w, x0 + block), first);
            }
        } else {
            // The row that started this band of blocks already holds the colours.
            std::memcpy(row, img.constScanLine(y - y % block), rowBytes);
        }
        pass.advance(w);
    }
}

struct ChannelSums {
    int r = 0, g = 0, b = 0;
    void add(QRgb c)
    {
        r += qRed(c);
        g += qGreen(c);
        b += qBlue(c);
    }
    [[nodiscard]] QRgb average(int n) const { return qRgb(r / n, g / n, b / n); }
};

// Full runs of `block` pixels along each row take their truncated average;
// a run cut short by the right edge stays as it is.
void AverageRows(QImage& img, int block, ProgressSink* progress)
{
    const int w = img.width();
    const int h = img.height();
    PassProgress pass(progress, qint64(w) * h);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x0 = 0; x0 + block <= w; x0 += block) {
            ChannelSums sums;
            for (int x = x0; x < x0 + block; ++x)
                sums.add(row[x]);
            std::fill(row + x0, row + x0 + block, sums.average(block));
        }
        pass.advance(w);
    }
}

// The same down each column, a band of `block` rows at a time so the work
// stays on whole rows; a band cut short by the bottom edge stays as it is.
void AverageColumns(QImage& img, int block, ProgressSink* progress)
{
    const int w = img.width();
    const int h = img.height();
    PassProgress pass(progress, qint64(w) * h);
    std::vector<ChannelSums> sums(static_cast<std::size_t>(w));
    std::vector<QRgb*> rows(static_cast<std::size_t>(block));
    int y0 = 0;
    for (; y0 + block <= h; y0 += block) {
        std::fill(sums.begin(), sums.end(), ChannelSums{});
        for (int k = 0; k < block; ++k) {
            rows[k] = reinterpret_cast<QRgb*>(img.scanLine(y0 + k));
            for (int x = 0; x < w; ++x)
                sums[x].add(rows[k][x]);
        }
        for (int x = 0; x < w; ++x) {
            const QRgb average = sums[x].average(block);
            for (int k = 0; k < block; ++k)
                rows[k][x] = average;
        }
        pass.advance(qint64(w) * block);
    }
    pass.advance(qint64(w) * (h - y0));
}

[[nodiscard]] int Clamp255(int v)
{
    return std::clamp(v, 0, 255);
}

// Each pixel lightened or darkened by d in -B+1..B; black that would darken
// and white that would lighten turn mid grey, so the blur still shows there.
void RandomBlur(QImage& img, int range, const RandomSource& random, ProgressSink* progress)
{
    const int w = img.width();
    const int h = img.height();
    PassProgress pass(progress, qint64(w) * h);
    const int span = 2 * range;
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int r = random();
            const int d = range - (std::abs(r) % span);
            const QRgb c = row[x] & 0xffffffu;
            if ((d > 0 && c == kBlack) || (d < 0 && c == kWhite))
                row[x] = kMidGrey;
            else
                row[x] = qRgb(Clamp255(qRed(c) - d), Clamp255(qGreen(c) - d), Clamp255(qBlue(c) - d));
        }
        pass.advance(w);
    }
}

} // namespace

BlurSettings ReadBlurSettings(const Settings& settings)
{
    BlurSettings blur;
    blur.blockSize = std::clamp(settings.value(keys::BlockW), kMinBlock, kMaxBlock);
    const int type = settings.value(keys::BokashiType);
    blur.type = (type == 1 || type == 2) ? type : 0;
    return blur;
}

BlurSettings ReadBlurSettings()
{
    const Settings settings;
    return ReadBlurSettings(settings);
}

void WriteBlurSettings(Settings& settings, const BlurSettings& blur)
{
    settings.setValue(keys::BlockW, std::clamp(blur.blockSize, kMinBlock, kMaxBlock));
    settings.setValue(keys::BokashiType, (blur.type == 1 || blur.type == 2) ? blur.type : 0);
}

RandomSource TimeSeededRandom()
{
    auto engine = std::make_shared<std::minstd_rand>(
        static_cast<std::minstd_rand::result_type>(QDateTime::currentSecsSinceEpoch()));
    return [engine] { return static_cast<int>((*engine)() % 32768u); };
}

bool BlurBitmap(QImage& region, const BlurSettings& settings, const RandomSource& random, ProgressSink* progress)
{
    if (region.isNull())
        return false;
    if (region.format() != QImage::Format_RGB32) {
        region = region.convertToFormat(QImage::Format_RGB32);
        if (region.isNull())
            return false;
    }
    const int block = std::clamp(settings.blockSize, kMinBlock, kMaxBlock);
    switch (settings.type) {
    case 1:
        AverageRows(region, block, progress);
        AverageColumns(region, block, progress);
        break;
    case 2: {
        const RandomSource source = random ? random : TimeSeededRandom();
        RandomBlur(region, block, source, progress);
        break;
    }
    default:
        SimpleBlur(region, block, progress);
        break;
    }
    if (progress)
        progress->EndProgress();
    return true;
}

} // namespace vq
