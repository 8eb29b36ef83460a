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

Picture::Picture(QByteArray bytes, QSize size)
    : m_bytes(std::move(bytes)), m_size(size), m_key(g_nextKey.fetch_add(1))
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

QImage Picture::image(QSize wanted) const
{
    return PictureCache::instance().image(*this, wanted);
}

} // namespace vq
