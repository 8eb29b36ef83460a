#include "imaging/BmpWriter.h"

#include "base/Report.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>

#include <libimagequant.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <vector>

namespace vq {

namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitFields = 3;

constexpr int kFileHeaderBytes = 14;
constexpr int kInfoHeaderBytes = 40;

struct PixelLayout {
    int bits;
    std::uint32_t compression;
    int tableBytes; // colour table or masks after the info header
};

// Indexed by format - 1.
constexpr std::array<PixelLayout, 8> kLayouts{{
    {1, kBiRgb, 2 * 4},
    {4, kBiRgb, 16 * 4},
    {4, kBiRle4, 16 * 4},
    {8, kBiRgb, 256 * 4},
    {8, kBiRle8, 256 * 4},
    {16, kBiBitFields, 3 * 4},
    {24, kBiRgb, 0},
    {32, kBiBitFields, 3 * 4},
}};

// 5-6-5 rather than 5-5-5: the spare bit goes to green, where the eye sees
// banding first, and every reader that knows bit fields takes either.
constexpr std::array<std::uint32_t, 3> kMasks16{0xF800, 0x07E0, 0x001F};
constexpr std::array<std::uint32_t, 3> kMasks32{0x00FF0000, 0x0000FF00, 0x000000FF};

// Each failed step has its own text, shown before the common message.
const QString kHeaderError = QStringLiteral("BITMAPINFOHEADER取得エラー\n");
const QString kBufferError = QStringLiteral("配列確保用領域作成エラー\n");
const QString kOpenError = QStringLiteral("ファイルオープンエラー\n");
const QString kWorkImageError = QStringLiteral("作業用ビットマップ作成エラー\n");
const QString kConvertError = QStringLiteral("ビット配列取得エラー\n");
const QString kFileHeaderWriteError = QStringLiteral("BITMAPFILEHEADER書き込みエラー\n");
const QString kInfoWriteError = QStringLiteral("BITMAPINFO書き込みエラー\n");
const QString kPixelWriteError = QStringLiteral("ビット配列書き込みエラー\n");

bool fail(const QString& step, Report* failure)
{
    Record(failure, {kMsgBitmapSaveFailed, step, kStyleError});
    return false;
}

// Uncompressed rows are padded to whole 32-bit words.
[[nodiscard]] qint64 strideBytes(int bits, int width)
{
    return (qint64(bits) * width + 31) / 32 * 4;
}

void put16(QByteArray& out, std::uint32_t value)
{
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
}

void put32(QByteArray& out, std::uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

// Our formats carry no alpha, so transparent parts show what paper would:
// white, the canvas's own default.
QImage opaqueOnWhite(const QImage& image)
{
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_RGB32);
    const QImage premultiplied = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (premultiplied.isNull())
        return {};
    QImage out(premultiplied.size(), QImage::Format_RGB32);
    if (out.isNull())
        return {};
    out.setDotsPerMeterX(image.dotsPerMeterX());
    out.setDotsPerMeterY(image.dotsPerMeterY());
    for (int y = 0; y < out.height(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(premultiplied.constScanLine(y));
        auto* to = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const QRgb p = from[x];
            const int paper = 255 - qAlpha(p);
            to[x] = qRgb(qRed(p) + paper, qGreen(p) + paper, qBlue(p) + paper);
        }
    }
    return out;
}

struct Indexed {
    std::vector<std::uint8_t> indices; // width × height, top row first
    std::vector<QRgb> palette;
};

struct LiqAttrDeleter {
    void operator()(liq_attr* p) const { liq_attr_destroy(p); }
};
struct LiqImageDeleter {
    void operator()(liq_image* p) const { liq_image_destroy(p); }
};
struct LiqResultDeleter {
    void operator()(liq_result* p) const { liq_result_destroy(p); }
};

// A palette fitted to the picture with full dithering: far better than a
// fixed system palette for photographs, and exact for pictures that already
// have no more colours than the table holds.
std::optional<Indexed> quantise(const QImage& rgba, int maxColours)
{
    std::unique_ptr<liq_attr, LiqAttrDeleter> attr(liq_attr_create());
    if (!attr || liq_set_max_colors(attr.get(), maxColours) != LIQ_OK)
        return std::nullopt;
    // RGBX rows are whole 32-bit pixels, so the image's bits are one contiguous buffer.
    std::unique_ptr<liq_image, LiqImageDeleter> image(
        liq_image_create_rgba(attr.get(), rgba.constBits(), rgba.width(), rgba.height(), 0));
    if (!image)
        return std::nullopt;
    liq_result* raw = nullptr;
    if (liq_image_quantize(image.get(), attr.get(), &raw) != LIQ_OK || !raw)
        return std::nullopt;
    std::unique_ptr<liq_result, LiqResultDeleter> result(raw);
    liq_set_dithering_level(result.get(), 1.0f);

    Indexed out;
    out.indices.resize(size_t(rgba.width()) * size_t(rgba.height()));
    if (liq_write_remapped_image(result.get(), image.get(), out.indices.data(), out.indices.size()) != LIQ_OK)
        return std::nullopt;
    const liq_palette* palette = liq_get_palette(result.get());
    if (!palette || palette->count == 0 || int(palette->count) > maxColours)
        return std::nullopt;
    for (unsigned i = 0; i < palette->count; ++i) {
        const liq_color& c = palette->entries[i];
        out.palette.push_back(qRgb(c.r, c.g, c.b));
    }
    return out;
}

// Black and white by Floyd–Steinberg error diffusion, serpentine so the error
// does not drift to one side. The error is spread over gamma-encoded luma, not
// linear light: linear diffusion is exact in physical brightness but washes
// out midtones and loses shadow detail as soon as a viewer scales the picture.
Indexed monochrome(const QImage& opaque)
{
    const int width = opaque.width();
    const int height = opaque.height();
    Indexed out;
    out.palette = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
    out.indices.resize(size_t(width) * size_t(height));
    // Two rows of carried error with a guard cell at each end.
    std::vector<float> current(size_t(width) + 2, 0.0f);
    std::vector<float> next(size_t(width) + 2, 0.0f);
    for (int y = 0; y < height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(opaque.constScanLine(y));
        std::uint8_t* row = out.indices.data() + size_t(y) * size_t(width);
        const bool forward = (y % 2) == 0;
        const int step = forward ? 1 : -1;
        for (int i = 0; i < width; ++i) {
            const int x = forward ? i : width - 1 - i;
            const QRgb p = line[x];
            const float value = (0.299f * float(qRed(p)) + 0.587f * float(qGreen(p)) + 0.114f * float(qBlue(p))) / 255.0f
                + current[size_t(x + 1)];
            const bool white = value >= 0.5f;
            row[x] = white ? 1 : 0;
            const float error = value - (white ? 1.0f : 0.0f);
            current[size_t(x + 1 + step)] += error * (7.0f / 16.0f);
            next[size_t(x + 1 - step)] += error * (3.0f / 16.0f);
            next[size_t(x + 1)] += error * (5.0f / 16.0f);
            next[size_t(x + 1 + step)] += error * (1.0f / 16.0f);
        }
        current.swap(next);
        std::fill(next.begin(), next.end(), 0.0f);
    }
    return out;
}

void packRow(const std::uint8_t* indices, int width, int bits, std::uint8_t* out)
{
    if (bits == 8) {
        std::memcpy(out, indices, size_t(width));
        return;
    }
    const int perByte = 8 / bits;
    for (int x = 0; x < width; ++x) {
        const int shift = 8 - bits * (x % perByte + 1);
        out[x / perByte] |= std::uint8_t(indices[x] << shift);
    }
}

void emitPair(std::vector<std::uint8_t>& out, int a, int b)
{
    out.push_back(std::uint8_t(a));
    out.push_back(std::uint8_t(b));
}

// How many pixels from `x` one encoded run reproduces. An RLE4 run repeats
// two alternating nibbles, which also catches the checkerboards dithering
// leaves; an RLE8 run repeats one index.
int runLength(const std::uint8_t* row, int x, int width, bool rle4)
{
    const int limit = std::min(width - x, 255);
    int n = 1;
    if (rle4) {
        while (n < limit && row[x + n] == row[x + (n % 2)])
            ++n;
    } else {
        while (n < limit && row[x + n] == row[x])
            ++n;
    }
    return n;
}

// A run inside a stretch of unrelated pixels pays only when it saves more
// than breaking the absolute block costs (its two-byte header and padding);
// an RLE4 absolute block already holds two pixels a byte.
int runWorthBreakingFor(bool rle4)
{
    return rle4 ? 8 : 4;
}

void emitAbsolute(std::vector<std::uint8_t>& out, const std::uint8_t* pixels, int count, bool rle4)
{
    if (count == 0)
        return;
    // Absolute mode needs at least three pixels; fewer go as short runs.
    if (count < 3) {
        if (rle4) {
            emitPair(out, count, (pixels[0] << 4) | (count > 1 ? pixels[1] : 0));
            return;
        }
        for (int i = 0; i < count;) {
            int j = i + 1;
            while (j < count && pixels[j] == pixels[i])
                ++j;
            emitPair(out, j - i, pixels[i]);
            i = j;
        }
        return;
    }
    emitPair(out, 0, count);
    size_t bytes = 0;
    if (rle4) {
        for (int i = 0; i < count; i += 2) {
            const int high = pixels[i];
            const int low = i + 1 < count ? pixels[i + 1] : 0;
            out.push_back(std::uint8_t((high << 4) | low));
            ++bytes;
        }
    } else {
        out.insert(out.end(), pixels, pixels + count);
        bytes = size_t(count);
    }
    // Each absolute block ends on a 16-bit boundary.
    if (bytes % 2)
        out.push_back(0);
}

std::vector<std::uint8_t> encodeRle(const Indexed& image, int width, int height, bool rle4)
{
    const int worthBreaking = runWorthBreakingFor(rle4);
    std::vector<std::uint8_t> out;
    out.reserve(size_t(width) * size_t(height) / 4 + size_t(height) * 2 + 2);
    for (int y = height - 1; y >= 0; --y) {
        const std::uint8_t* row = image.indices.data() + size_t(y) * size_t(width);
        int x = 0;
        int literalStart = 0;
        while (x < width) {
            const int run = runLength(row, x, width, rle4);
            if (run >= worthBreaking) {
                emitAbsolute(out, row + literalStart, x - literalStart, rle4);
                emitPair(out, run, rle4 ? (row[x] << 4) | row[x + 1] : row[x]);
                x += run;
                literalStart = x;
            } else {
                ++x;
                if (x - literalStart == 255) {
                    emitAbsolute(out, row + literalStart, 255, rle4);
                    literalStart = x;
                }
            }
        }
        emitAbsolute(out, row + literalStart, x - literalStart, rle4);
        // The last row ends the bitmap instead of the line.
        emitPair(out, 0, y == 0 ? 1 : 0);
    }
    return out;
}

std::array<std::uint8_t, 256> scaleTable(int maxValue)
{
    std::array<std::uint8_t, 256> table{};
    for (int i = 0; i < 256; ++i)
        table[size_t(i)] = std::uint8_t((i * maxValue + 127) / 255);
    return table;
}

// One uncompressed direct-colour row from opaque 0xFFRRGGBB pixels.
void directRow(const QRgb* line, int width, int bits, std::uint8_t* out)
{
    switch (bits) {
    case 16: {
        static const auto five = scaleTable(31);
        static const auto six = scaleTable(63);
        for (int x = 0; x < width; ++x) {
            const QRgb p = line[x];
            const unsigned v = unsigned(five[size_t(qRed(p))]) << 11 | unsigned(six[size_t(qGreen(p))]) << 5
                | five[size_t(qBlue(p))];
            out[2 * x] = std::uint8_t(v & 0xFF);
            out[2 * x + 1] = std::uint8_t(v >> 8);
        }
        break;
    }
    case 24:
        for (int x = 0; x < width; ++x) {
            const QRgb p = line[x];
            out[3 * x] = std::uint8_t(qBlue(p));
            out[3 * x + 1] = std::uint8_t(qGreen(p));
            out[3 * x + 2] = std::uint8_t(qRed(p));
        }
        break;
    default:
        // The top byte is outside every mask; zero keeps readers that guess
        // at alpha from seeing any.
        for (int x = 0; x < width; ++x) {
            const QRgb p = line[x];
            out[4 * x] = std::uint8_t(qBlue(p));
            out[4 * x + 1] = std::uint8_t(qGreen(p));
            out[4 * x + 2] = std::uint8_t(qRed(p));
            out[4 * x + 3] = 0;
        }
        break;
    }
}

// Everything the file needs, converted before the file is touched.
struct Prepared {
    QImage opaque;                     // direct-colour formats
    std::optional<Indexed> indexed;    // 1, 4 and 8 bits
    std::vector<std::uint8_t> rle;     // RLE4 and RLE8
    qint64 imageSize = 0;
};

QByteArray infoBlock(const PixelLayout& layout, const QImage& image, const Prepared& prepared)
{
    QByteArray out;
    out.reserve(kInfoHeaderBytes + layout.tableBytes);
    put32(out, kInfoHeaderBytes);
    put32(out, std::uint32_t(image.width()));
    put32(out, std::uint32_t(image.height())); // positive: rows stored bottom-up
    put16(out, 1);
    put16(out, std::uint32_t(layout.bits));
    put32(out, layout.compression);
    put32(out, std::uint32_t(prepared.imageSize));
    put32(out, std::uint32_t(std::max(0, image.dotsPerMeterX())));
    put32(out, std::uint32_t(std::max(0, image.dotsPerMeterY())));
    put32(out, 0); // colours used: the whole table
    put32(out, 0); // all colours important
    if (prepared.indexed) {
        const auto& palette = prepared.indexed->palette;
        const int entries = layout.tableBytes / 4;
        for (int i = 0; i < entries; ++i) {
            const QRgb c = i < int(palette.size()) ? palette[size_t(i)] : qRgb(0, 0, 0);
            out.append(char(qBlue(c)));
            out.append(char(qGreen(c)));
            out.append(char(qRed(c)));
            out.append(char(0));
        }
    } else if (layout.compression == kBiBitFields) {
        for (const std::uint32_t mask : layout.bits == 16 ? kMasks16 : kMasks32)
            put32(out, mask);
    }
    return out;
}

QByteArray fileHeader(qint64 fileSize, qint64 pixelOffset)
{
    QByteArray out;
    out.reserve(kFileHeaderBytes);
    out.append("BM", 2);
    put32(out, std::uint32_t(fileSize));
    put16(out, 0);
    put16(out, 0);
    put32(out, std::uint32_t(pixelOffset));
    return out;
}

bool writeAll(QIODevice& device, const char* data, qint64 size)
{
    return device.write(data, size) == size;
}

// Writes the pixel rows bottom-up; the file must already hold both headers.
bool writePixels(QIODevice& device, const PixelLayout& layout, const Prepared& prepared, int width, int height)
{
    if (!prepared.rle.empty())
        return writeAll(device, reinterpret_cast<const char*>(prepared.rle.data()), qint64(prepared.rle.size()));
    std::vector<std::uint8_t> row(size_t(strideBytes(layout.bits, width)));
    for (int y = height - 1; y >= 0; --y) {
        if (prepared.indexed) {
            std::fill(row.begin(), row.end(), 0);
            packRow(prepared.indexed->indices.data() + size_t(y) * size_t(width), width, layout.bits, row.data());
        } else {
            directRow(reinterpret_cast<const QRgb*>(prepared.opaque.constScanLine(y)), width, layout.bits, row.data());
        }
        if (!writeAll(device, reinterpret_cast<const char*>(row.data()), qint64(row.size())))
            return false;
    }
    return true;
}

enum class Outcome { Ok, WorkImage, Convert };

Outcome prepare(const PixelLayout& layout, const QImage& image, Prepared& prepared)
{
    prepared.opaque = opaqueOnWhite(image);
    if (prepared.opaque.isNull())
        return Outcome::WorkImage;
    const int width = image.width();
    const int height = image.height();
    prepared.imageSize = strideBytes(layout.bits, width) * height;
    if (layout.bits > 8)
        return Outcome::Ok;

    if (layout.bits == 1) {
        prepared.indexed = monochrome(prepared.opaque);
    } else {
        const QImage rgba = prepared.opaque.convertToFormat(QImage::Format_RGBX8888);
        if (rgba.isNull())
            return Outcome::WorkImage;
        prepared.indexed = quantise(rgba, 1 << layout.bits);
        if (!prepared.indexed)
            return Outcome::Convert;
    }
    prepared.opaque = QImage();
    if (layout.compression == kBiRle4 || layout.compression == kBiRle8) {
        prepared.rle = encodeRle(*prepared.indexed, width, height, layout.compression == kBiRle4);
        prepared.imageSize = qint64(prepared.rle.size());
        // Only the stream is needed from here on.
        prepared.indexed->indices = {};
    }
    return Outcome::Ok;
}

// Regular files are written under a temporary name in the same folder and
// renamed into place only when complete, so a failed write leaves neither a
// partial file nor a damaged earlier one. Something that is not a regular
// file (a pipe, a device) is written in place: renaming would replace it.
class Target {
public:
    explicit Target(const QString& path)
    {
        const QFileInfo info(path);
        if (info.exists() && !info.isFile() && !info.isDir()) {
            m_direct = std::make_unique<QFile>(path);
            return;
        }
        m_save = std::make_unique<QSaveFile>(path);
        // A folder we may not create files in can still hold a writable
        // target, as the JPEG and PNG writers allow.
        m_save->setDirectWriteFallback(true);
    }

    [[nodiscard]] QIODevice& device() { return m_direct ? static_cast<QIODevice&>(*m_direct) : *m_save; }
    bool open() { return device().open(QIODevice::WriteOnly); }
    bool commit() { return m_direct ? m_direct->flush() : m_save->commit(); }
    // QSaveFile removes its temporary file when it goes without a commit.

private:
    std::unique_ptr<QFile> m_direct;
    std::unique_ptr<QSaveFile> m_save;
};

} // namespace

bool WriteBmpFile(const QString& path, int formatIndex, const QImage& image, Report* failure)
{
    if (formatIndex < kBmpMono || formatIndex > kBmp32 || image.isNull())
        return fail(kHeaderError, failure);
    const PixelLayout& layout = kLayouts[size_t(formatIndex - 1)];
    const int width = image.width();
    const int height = image.height();

    const qint64 pixelOffset = kFileHeaderBytes + kInfoHeaderBytes + layout.tableBytes;
    constexpr qint64 kMaxFileSize = std::numeric_limits<std::uint32_t>::max();
    if (strideBytes(layout.bits, width) * height > kMaxFileSize - pixelOffset)
        return fail(kBufferError, failure);

    Prepared prepared;
    try {
        switch (prepare(layout, image, prepared)) {
        case Outcome::WorkImage:
            return fail(kWorkImageError, failure);
        case Outcome::Convert:
            return fail(kConvertError, failure);
        case Outcome::Ok:
            break;
        }
    } catch (const std::bad_alloc&) {
        return fail(kBufferError, failure);
    }
    const qint64 fileSize = pixelOffset + prepared.imageSize;
    if (fileSize > kMaxFileSize)
        return fail(kBufferError, failure);

    Target target(path);
    if (!target.open())
        return fail(kOpenError, failure);
    const QByteArray header = fileHeader(fileSize, pixelOffset);
    if (!writeAll(target.device(), header.constData(), header.size()))
        return fail(kFileHeaderWriteError, failure);
    const QByteArray info = infoBlock(layout, image, prepared);
    if (!writeAll(target.device(), info.constData(), info.size()))
        return fail(kInfoWriteError, failure);
    bool written = false;
    try {
        written = writePixels(target.device(), layout, prepared, width, height);
    } catch (const std::bad_alloc&) {
        return fail(kBufferError, failure);
    }
    if (!written || !target.commit())
        return fail(kPixelWriteError, failure);
    return true;
}

} // namespace vq
