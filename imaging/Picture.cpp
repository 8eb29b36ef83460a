#include "imaging/Picture.h"

#include "imaging/ImageDecode.h"
#include "imaging/JpegHeader.h"
#include "imaging/PictureCache.h"

#include <atomic>

namespace vq {

namespace {
std::atomic<quint64> g_nextKey{1};
} // namespace

Picture::Picture(QByteArray bytes, QSize size, std::shared_ptr<const void> storage)
    : m_storage(std::move(storage)), m_bytes(std::move(bytes)), m_size(size), m_key(g_nextKey.fetch_add(1))
{
}

Picture::~Picture()
{
    PictureCache::instance().forget(m_key);
}

PicturePtr Picture::fromJpegBytes(QByteArray bytes)
{
    // Refused by the header alone: a frame no decoder would be allowed to
    // allocate is never kept as a picture that could only draw nothing.
    const QSize size = jpegPixelSize(bytes);
    if (!IsAcceptableImageSize(size))
        return nullptr;
    return PicturePtr(new Picture(std::move(bytes), size));
}

PicturePtr Picture::fromBytes(QByteArray bytes)
{
    return fromAnyBytes(std::move(bytes), nullptr);
}

PicturePtr Picture::fromSharedBytes(const char* data, qsizetype size, std::shared_ptr<const void> storage)
{
    if (!storage)
        return fromBytes(QByteArray(data, size));
    return fromAnyBytes(QByteArray::fromRawData(data, size), std::move(storage));
}

PicturePtr Picture::fromAnyBytes(QByteArray bytes, std::shared_ptr<const void> storage)
{
    if (bytes.isEmpty())
        return nullptr;
    // The JPEG header is read without a decoder: nearly every picture is one,
    // and a large document opens without waking a decoder per picture.
    QSize size = jpegPixelSize(bytes);
    if (!IsAcceptableImageSize(size))
        size = ProbeImage(bytes).size;
    const bool drawable = IsAcceptableImageSize(size);
    PicturePtr picture(new Picture(std::move(bytes), drawable ? size : QSize(), std::move(storage)));
    if (!drawable)
        picture->noteUndecodable();
    return picture;
}

QImage Picture::image(QSize wanted) const
{
    return PictureCache::instance().image(*this, wanted);
}

} // namespace vq
