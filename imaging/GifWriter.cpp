#include "imaging/GifWriter.h"

#include <QIODevice>

#include <gif_lib.h>
#include <libimagequant.h>

#include <memory>
#include <vector>

namespace vq {

namespace {

struct LiqAttrDeleter {
    void operator()(liq_attr* p) const { liq_attr_destroy(p); }
};
struct LiqImageDeleter {
    void operator()(liq_image* p) const { liq_image_destroy(p); }
};
struct LiqResultDeleter {
    void operator()(liq_result* p) const { liq_result_destroy(p); }
};
struct GifMapDeleter {
    void operator()(ColorMapObject* p) const { GifFreeMapObject(p); }
};

// Closes the encoder on every path; close() reports whether the trailer made it out.
class GifEncoder {
public:
    explicit GifEncoder(QIODevice& device)
    {
        int error = 0;
        m_gif = EGifOpen(&device, &GifEncoder::output, &error);
    }
    ~GifEncoder()
    {
        if (m_gif)
            close();
    }
    GifEncoder(const GifEncoder&) = delete;
    GifEncoder& operator=(const GifEncoder&) = delete;

    [[nodiscard]] GifFileType* get() const { return m_gif; }
    bool close()
    {
        int error = 0;
        const bool ok = EGifCloseFile(m_gif, &error) == GIF_OK;
        m_gif = nullptr;
        return ok;
    }

private:
    static int output(GifFileType* gif, const GifByteType* data, int length)
    {
        auto* device = static_cast<QIODevice*>(gif->UserData);
        return int(device->write(reinterpret_cast<const char*>(data), length));
    }

    GifFileType* m_gif = nullptr;
};

// RGBA bytes for the quantiser with GIF's all-or-nothing transparency already
// decided, so the palette spends no entries on partial alpha.
QImage gifReadyRgba(const QImage& image)
{
    QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    if (rgba.isNull() || !image.hasAlphaChannel())
        return rgba;
    for (int y = 0; y < rgba.height(); ++y) {
        uchar* p = rgba.scanLine(y);
        for (int x = 0; x < rgba.width(); ++x, p += 4) {
            if (p[3] < 128)
                p[0] = p[1] = p[2] = p[3] = 0;
            else
                p[3] = 255;
        }
    }
    return rgba;
}

} // namespace

bool WriteGif(const QImage& image, QIODevice& device)
{
    constexpr int kMaxGifSide = 65535;
    if (image.isNull() || image.width() > kMaxGifSide || image.height() > kMaxGifSide)
        return false;
    const QImage rgba = gifReadyRgba(image);
    if (rgba.isNull())
        return false;
    const int width = rgba.width();
    const int height = rgba.height();

    std::unique_ptr<liq_attr, LiqAttrDeleter> attr(liq_attr_create());
    if (!attr || liq_set_max_colors(attr.get(), 256) != LIQ_OK)
        return false;
    // The quantiser wants one contiguous buffer; Qt pads rows to 4 bytes,
    // which RGBA rows already are, so the image's own bits serve.
    std::unique_ptr<liq_image, LiqImageDeleter> liqImage(
        liq_image_create_rgba(attr.get(), rgba.constBits(), width, height, 0));
    if (!liqImage)
        return false;
    liq_result* rawResult = nullptr;
    if (liq_image_quantize(liqImage.get(), attr.get(), &rawResult) != LIQ_OK || !rawResult)
        return false;
    std::unique_ptr<liq_result, LiqResultDeleter> result(rawResult);
    liq_set_dithering_level(result.get(), 1.0f);

    std::vector<unsigned char> indices(size_t(width) * size_t(height));
    if (liq_write_remapped_image(result.get(), liqImage.get(), indices.data(), indices.size()) != LIQ_OK)
        return false;
    const liq_palette* palette = liq_get_palette(result.get());
    if (!palette || palette->count == 0 || palette->count > 256)
        return false;

    // GIF colour tables hold a power of two entries; the unused tail stays black.
    const int count = int(palette->count);
    const int bits = std::max(1, GifBitSize(count));
    std::vector<GifColorType> colors(size_t(1) << bits, GifColorType{0, 0, 0});
    int transparentIndex = NO_TRANSPARENT_COLOR;
    for (int i = 0; i < count; ++i) {
        const liq_color& c = palette->entries[i];
        colors[size_t(i)] = GifColorType{c.r, c.g, c.b};
        if (c.a == 0 && transparentIndex == NO_TRANSPARENT_COLOR)
            transparentIndex = i;
    }
    std::unique_ptr<ColorMapObject, GifMapDeleter> map(GifMakeMapObject(int(colors.size()), colors.data()));
    if (!map)
        return false;

    GifEncoder encoder(device);
    GifFileType* gif = encoder.get();
    if (!gif)
        return false;
    const bool transparent = transparentIndex != NO_TRANSPARENT_COLOR;
    EGifSetGifVersion(gif, transparent);
    if (EGifPutScreenDesc(gif, width, height, bits, 0, map.get()) != GIF_OK)
        return false;
    if (transparent) {
        GraphicsControlBlock gcb{};
        gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
        gcb.UserInputFlag = false;
        gcb.DelayTime = 0;
        gcb.TransparentColor = transparentIndex;
        GifByteType extension[4];
        const size_t length = EGifGCBToExtension(&gcb, extension);
        if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(length), extension) != GIF_OK)
            return false;
    }
    if (EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) != GIF_OK)
        return false;
    for (int y = 0; y < height; ++y) {
        if (EGifPutLine(gif, indices.data() + size_t(y) * size_t(width), width) != GIF_OK)
            return false;
    }
    return encoder.close();
}

} // namespace vq
