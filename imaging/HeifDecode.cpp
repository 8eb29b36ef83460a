#include "imaging/HeifDecode.h"

#include "imaging/ColorProfile.h"
#include "imaging/ImageDecode.h"

#include <QColorSpace>
#include <QPointF>

#include <libheif/heif.h>

#include <algorithm>
#include <memory>
#include <mutex>

namespace vq {

namespace {

struct ContextDeleter {
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HandleDeleter {
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct ImageDeleter {
    void operator()(heif_image* image) const { heif_image_release(image); }
};
struct NclxDeleter {
    void operator()(heif_color_profile_nclx* nclx) const { heif_nclx_color_profile_free(nclx); }
};
struct OptionsDeleter {
    void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};

// The parsed file; `bytes` must outlive it, as nothing is copied.
struct HeifFile {
    std::unique_ptr<heif_context, ContextDeleter> context;
    std::unique_ptr<heif_image_handle, HandleDeleter> primary;
    QSize size;
};

void initialiseOnce()
{
    // Loads the decoder plugins; kept for the life of the process.
    static std::once_flag once;
    std::call_once(once, [] { heif_init(nullptr); });
}

HeifFile openHeif(const QByteArray& bytes)
{
    HeifFile file;
    if (HeifFormatOf(bytes).isEmpty())
        return file;
    initialiseOnce();
    file.context.reset(heif_context_alloc());
    if (!file.context)
        return file;
    // Images wider or taller than a picture may be are refused while the boxes
    // are read, before a decoder is set up.
    heif_context_set_maximum_image_size_limit(file.context.get(), kMaxImageSide);
    if (heif_context_read_from_memory_without_copy(file.context.get(), bytes.constData(), std::size_t(bytes.size()),
                                                   nullptr)
            .code
        != heif_error_Ok)
        return file;
    heif_image_handle* primary = nullptr;
    if (heif_context_get_primary_image_handle(file.context.get(), &primary).code != heif_error_Ok || !primary)
        return file;
    file.primary.reset(primary);
    const QSize size(heif_image_handle_get_width(primary), heif_image_handle_get_height(primary));
    // The coded frame is decoded whole before it is cropped to what shows.
    const QSize coded(heif_image_handle_get_ispe_width(primary), heif_image_handle_get_ispe_height(primary));
    if (IsAcceptableImageSize(size) && IsAcceptableImageSize(coded))
        file.size = size;
    return file;
}

// The ICC profile that describes the decoded RGB: the file's own, or one
// made from coded primaries other than sRGB's. Empty for sRGB.
QByteArray profileOf(const heif_image_handle* handle)
{
    switch (heif_image_handle_get_color_profile_type(handle)) {
    case heif_color_profile_type_prof:
    case heif_color_profile_type_rICC: {
        QByteArray icc(qsizetype(heif_image_handle_get_raw_color_profile_size(handle)), Qt::Uninitialized);
        if (icc.isEmpty() || heif_image_handle_get_raw_color_profile(handle, icc.data()).code != heif_error_Ok)
            return {};
        return icc;
    }
    case heif_color_profile_type_nclx: {
        heif_color_profile_nclx* raw = nullptr;
        if (heif_image_handle_get_nclx_color_profile(handle, &raw).code != heif_error_Ok || !raw)
            return {};
        const std::unique_ptr<heif_color_profile_nclx, NclxDeleter> nclx(raw);
        if (nclx->color_primaries == heif_color_primaries_ITU_R_BT_709_5
            || nclx->color_primaries == heif_color_primaries_unspecified)
            return {};
        // Phones code Display P3 so; the transfer curve is taken as sRGB's,
        // which the formats share with it, and linear where it says so.
        const bool linear = nclx->transfer_characteristics == heif_transfer_characteristic_linear;
        const QColorSpace space(QPointF(nclx->color_primary_white_x, nclx->color_primary_white_y),
                                QPointF(nclx->color_primary_red_x, nclx->color_primary_red_y),
                                QPointF(nclx->color_primary_green_x, nclx->color_primary_green_y),
                                QPointF(nclx->color_primary_blue_x, nclx->color_primary_blue_y),
                                linear ? QColorSpace::TransferFunction::Linear
                                       : QColorSpace::TransferFunction::SRgb);
        return space.isValid() ? space.iccProfile() : QByteArray();
    }
    default:
        return {};
    }
}

} // namespace

QByteArray HeifFormatOf(const QByteArray& bytes)
{
    if (bytes.size() < 12)
        return {};
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
    const int probed = int(std::min<qsizetype>(bytes.size(), 4096));
    if (heif_check_filetype(data, probed) != heif_filetype_yes_supported)
        return {};
    const heif_brand2 brand = heif_read_main_brand(data, probed);
    if (brand == heif_fourcc_to_brand("avif") || brand == heif_fourcc_to_brand("avis"))
        return QByteArrayLiteral("avif");
    return QByteArrayLiteral("heif");
}

QSize HeifImageSize(const QByteArray& bytes)
{
    return openHeif(bytes).size;
}

QImage DecodeHeif(const QByteArray& bytes)
{
    const HeifFile file = openHeif(bytes);
    if (!file.size.isValid())
        return {};
    const bool alpha = heif_image_handle_has_alpha_channel(file.primary.get()) != 0;
    const std::unique_ptr<heif_decoding_options, OptionsDeleter> options(heif_decoding_options_alloc());
    heif_image* raw = nullptr;
    if (heif_decode_image(file.primary.get(), &raw, heif_colorspace_RGB,
                          alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get())
            .code
        != heif_error_Ok
        || !raw)
        return {};
    const std::unique_ptr<heif_image, ImageDeleter> decoded(raw);
    const QSize size(heif_image_get_width(raw, heif_channel_interleaved),
                     heif_image_get_height(raw, heif_channel_interleaved));
    int stride = 0;
    const uint8_t* pixels = heif_image_get_plane_readonly(raw, heif_channel_interleaved, &stride);
    if (!pixels || !IsAcceptableImageSize(size))
        return {};
    const QImage view(pixels, size.width(), size.height(), stride,
                      alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    // The copy owns its pixels, which the decoded image does not outlive.
    const QImage image = view.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull())
        return {};
    return ConvertToSrgb(image, profileOf(file.primary.get()));
}

} // namespace vq
