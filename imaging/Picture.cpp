#include "imaging/Picture.h"

#include "imaging/JpegHeader.h"
#include "imaging/PictureCache.h"

#include <atomic>

namespace vq {

namespace {
std::atomic<quint64> g_nextKey{1};
// Larger frames are refused: their decode alone would exceed any sane budget.
constexpr qint64 kMaxPixels = qint64(1) << 28;
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
    const QSize size = jpegPixelSize(bytes);
    if (!size.isValid() || qint64(size.width()) * size.height() > kMaxPixels)
        return nullptr;
    return PicturePtr(new Picture(std::move(bytes), size));
}

PicturePtr Picture::fromSharedJpegBytes(const char* data, qsizetype size, std::shared_ptr<const void> storage)
{
    if (!storage)
        return fromJpegBytes(QByteArray(data, size));
    QByteArray view = QByteArray::fromRawData(data, size);
    const QSize pixels = jpegPixelSize(view);
    if (!pixels.isValid() || qint64(pixels.width()) * pixels.height() > kMaxPixels)
        return nullptr;
    return PicturePtr(new Picture(std::move(view), pixels, std::move(storage)));
}

QImage Picture::image(QSize wanted) const
{
    return PictureCache::instance().image(*this, wanted);
}

} // namespace vq
