#include "imaging/PictureCache.h"

#include "imaging/Picture.h"

#include <QBuffer>
#include <QImageReader>

#include <list>
#include <mutex>
#include <unordered_map>

namespace vq {

namespace {
constexpr std::size_t kDefaultBudget = std::size_t(1024) * 1024 * 1024;

struct Entry {
    quint64 key;
    int reduction;
    QImage image;
};

quint64 slotKey(quint64 pictureKey, int reduction)
{
    return (pictureKey << 4) | static_cast<quint64>(reduction);
}

std::size_t costOf(const QImage& image)
{
    return static_cast<std::size_t>(image.sizeInBytes());
}

QImage decode(const Picture& picture, int reduction)
{
    QByteArray bytes = picture.bytes();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    if (reduction > 1) {
        const QSize full = picture.pixelSize();
        reader.setScaledSize(QSize(std::max(1, full.width() / reduction), std::max(1, full.height() / reduction)));
    }
    QImage image = reader.read();
    if (image.isNull())
        return {};
    // Painting is fastest from the screen's premultiplied format.
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32_Premultiplied)
        image = image.convertToFormat(QImage::Format_RGB32);
    return image;
}

} // namespace

struct PictureCache::Impl {
    std::mutex mutex;
    std::list<Entry> lru; // most recent first
    std::unordered_map<quint64, std::list<Entry>::iterator> index;
    std::size_t used = 0;
    std::size_t budget = kDefaultBudget;

    void evictTo(std::size_t limit)
    {
        while (used > limit && !lru.empty()) {
            const Entry& last = lru.back();
            used -= costOf(last.image);
            index.erase(slotKey(last.key, last.reduction));
            lru.pop_back();
        }
    }
};

PictureCache::PictureCache() : d(new Impl) {}

PictureCache& PictureCache::instance()
{
    static PictureCache cache;
    return cache;
}

int PictureCache::reductionFor(QSize full, QSize wanted)
{
    if (!wanted.isValid() || wanted.isEmpty())
        return 1;
    int reduction = 1;
    while (reduction < 8 && full.width() / (reduction * 2) >= wanted.width()
           && full.height() / (reduction * 2) >= wanted.height())
        reduction *= 2;
    return reduction;
}

QImage PictureCache::image(const Picture& picture, QSize wanted)
{
    const int reduction = reductionFor(picture.pixelSize(), wanted);
    std::lock_guard lock(d->mutex);
    // Any cached decode at this reduction or finer serves as well.
    for (int r = reduction; r >= 1; r /= 2) {
        const auto it = d->index.find(slotKey(picture.cacheKey(), r));
        if (it != d->index.end()) {
            d->lru.splice(d->lru.begin(), d->lru, it->second);
            return it->second->image;
        }
    }
    QImage image = decode(picture, reduction);
    if (image.isNull())
        return {};
    const std::size_t cost = costOf(image);
    d->evictTo(d->budget > cost ? d->budget - cost : 0);
    d->lru.push_front(Entry{picture.cacheKey(), reduction, image});
    d->index[slotKey(picture.cacheKey(), reduction)] = d->lru.begin();
    d->used += cost;
    return image;
}

void PictureCache::forget(quint64 pictureKey)
{
    std::lock_guard lock(d->mutex);
    for (int r = 1; r <= 8; r *= 2) {
        const auto it = d->index.find(slotKey(pictureKey, r));
        if (it == d->index.end())
            continue;
        d->used -= costOf(it->second->image);
        d->lru.erase(it->second);
        d->index.erase(it);
    }
}

void PictureCache::setBudgetBytes(std::size_t bytes)
{
    std::lock_guard lock(d->mutex);
    d->budget = bytes;
    d->evictTo(bytes);
}

std::size_t PictureCache::budgetBytes() const
{
    return d->budget;
}

std::size_t PictureCache::usedBytes() const
{
    return d->used;
}

void PictureCache::clear()
{
    std::lock_guard lock(d->mutex);
    d->evictTo(0);
}

} // namespace vq
