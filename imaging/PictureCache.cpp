#include "imaging/PictureCache.h"

#include "imaging/ImageDecode.h"
#include "imaging/JpegEncode.h"
#include "imaging/Picture.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <list>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vq {

namespace {
constexpr std::size_t kDefaultBudget = std::size_t(1024) * 1024 * 1024;
constexpr std::size_t kDefaultScaledBudget = std::size_t(256) * 1024 * 1024;

// A decode is keyed by its reduction, a scaled copy by its size.
struct SlotKey {
    quint64 picture = 0;
    int a = 0;
    int b = 0;
    bool operator==(const SlotKey&) const = default;
};

struct SlotKeyHash {
    std::size_t operator()(const SlotKey& k) const noexcept
    {
        std::size_t h = std::hash<quint64>()(k.picture);
        h ^= std::hash<quint64>()((quint64(quint32(k.a)) << 32) | quint32(k.b)) + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
        return h;
    }
};

std::size_t costOf(const QImage& image)
{
    return static_cast<std::size_t>(image.sizeInBytes());
}

// One least-recently-used pool within a byte budget. Not locked itself.
class Pool {
public:
    explicit Pool(std::size_t budget) : m_budget(budget) {}

    const QImage* find(const SlotKey& key)
    {
        const auto it = m_index.find(key);
        if (it == m_index.end())
            return nullptr;
        m_lru.splice(m_lru.begin(), m_lru, it->second);
        return &it->second->image;
    }

    [[nodiscard]] bool contains(const SlotKey& key) const { return m_index.count(key) != 0; }

    // Keeps `image` unless another thread stored the same slot meanwhile;
    // returns what the pool holds for the slot.
    QImage insert(const SlotKey& key, QImage image)
    {
        if (const QImage* existing = find(key))
            return *existing;
        const std::size_t cost = costOf(image);
        evictTo(m_budget > cost ? m_budget - cost : 0);
        m_lru.push_front(Entry{key, image});
        m_index[key] = m_lru.begin();
        m_byPicture[key.picture].push_back(key);
        m_used += cost;
        return image;
    }

    void forget(quint64 picture)
    {
        const auto it = m_byPicture.find(picture);
        if (it == m_byPicture.end())
            return;
        for (const SlotKey& key : it->second) {
            const auto slot = m_index.find(key);
            if (slot == m_index.end())
                continue;
            m_used -= costOf(slot->second->image);
            m_lru.erase(slot->second);
            m_index.erase(slot);
        }
        m_byPicture.erase(it);
    }

    void evictTo(std::size_t limit)
    {
        while (m_used > limit && !m_lru.empty()) {
            const Entry& last = m_lru.back();
            m_used -= costOf(last.image);
            m_index.erase(last.key);
            dropFromPicture(last.key);
            m_lru.pop_back();
        }
    }

    void setBudget(std::size_t bytes)
    {
        m_budget = bytes;
        evictTo(bytes);
    }
    [[nodiscard]] std::size_t budget() const { return m_budget; }
    [[nodiscard]] std::size_t used() const { return m_used; }

private:
    struct Entry {
        SlotKey key;
        QImage image;
    };

    void dropFromPicture(const SlotKey& key)
    {
        const auto it = m_byPicture.find(key.picture);
        if (it == m_byPicture.end())
            return;
        auto& keys = it->second;
        keys.erase(std::remove(keys.begin(), keys.end(), key), keys.end());
        if (keys.empty())
            m_byPicture.erase(it);
    }

    std::list<Entry> m_lru; // most recent first
    std::unordered_map<SlotKey, std::list<Entry>::iterator, SlotKeyHash> m_index;
    std::unordered_map<quint64, std::vector<SlotKey>> m_byPicture;
    std::size_t m_used = 0;
    std::size_t m_budget;
};

QImage decode(const Picture& picture, int reduction)
{
    if (picture.undecodable())
        return {};
    // The decoder is chosen by content: a document's blocks are mostly JPEG
    // but may hold any accepted format. A photograph still being turned
    // upright is drawn without waiting for its upright bytes.
    QSize scaledTo;
    if (reduction > 1) {
        const QSize full = picture.pixelSize();
        scaledTo = QSize(std::max(1, full.width() / reduction), std::max(1, full.height() / reduction));
    }
    QImage image = picture.decodeScaled(scaledTo);
    if (image.isNull()) {
        picture.noteUndecodable();
        return {};
    }
    // Painters take pictures to be opaque; a transparent GIF or PNG block is
    // shown as it would have been imported, over its top-left colour.
    if (image.hasAlphaChannel())
        image = FlattenOntoTopLeftColor(std::move(image));
    // Painting is fastest from the screen's own format.
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32_Premultiplied)
        image = image.convertToFormat(QImage::Format_RGB32);
    return image;
}

} // namespace

struct PictureCache::Impl {
    mutable std::mutex mutex;
    Pool decodes{kDefaultBudget};
    Pool scaled{kDefaultScaledBudget};
};

PictureCache::PictureCache() : d(std::make_unique<Impl>()) {}
PictureCache::~PictureCache() = default;

PictureCache& PictureCache::instance()
{
    // Never destroyed: pictures held by static objects forget themselves
    // here during exit, after function-local statics would be gone.
    static PictureCache* const cache = new PictureCache;
    return *cache;
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
    {
        std::lock_guard lock(d->mutex);
        // Any cached decode at this reduction or finer serves as well.
        for (int r = reduction; r >= 1; r /= 2) {
            if (const QImage* found = d->decodes.find({picture.cacheKey(), r, 0}))
                return *found;
        }
    }
    QImage image = decode(picture, reduction);
    if (image.isNull())
        return {};
    std::lock_guard lock(d->mutex);
    return d->decodes.insert({picture.cacheKey(), reduction, 0}, std::move(image));
}

QImage PictureCache::scaled(const Picture& picture, QSize size)
{
    if (size.isEmpty() || qint64(size.width()) * size.height() > kMaxScaledPixels)
        return {};
    const SlotKey key{picture.cacheKey(), size.width(), size.height()};
    {
        std::lock_guard lock(d->mutex);
        if (const QImage* found = d->scaled.find(key))
            return *found;
    }
    const QImage source = image(picture, size);
    if (source.isNull())
        return {};
    QImage result = source.size() == size ? source
                                          : source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (result.format() != QImage::Format_RGB32 && result.format() != QImage::Format_ARGB32_Premultiplied)
        result = result.convertToFormat(QImage::Format_RGB32);
    std::lock_guard lock(d->mutex);
    return d->scaled.insert(key, std::move(result));
}

bool PictureCache::hasScaled(const Picture& picture, QSize size) const
{
    std::lock_guard lock(d->mutex);
    return d->scaled.contains({picture.cacheKey(), size.width(), size.height()});
}

void PictureCache::prefetchScaled(const std::vector<ScaledRequest>& requests)
{
    std::vector<ScaledRequest> missing;
    for (const ScaledRequest& r : requests) {
        if (r.picture && !hasScaled(*r.picture, r.size))
            missing.push_back(r);
    }
    // A picture shown at several sizes (one picture in several nodes) is left
    // to one worker, largest size first: the decode made for that size then
    // serves the smaller ones, where workers racing on the picture would each
    // decode it.
    const auto area = [](QSize s) { return qint64(s.width()) * s.height(); };
    std::sort(missing.begin(), missing.end(), [&](const ScaledRequest& a, const ScaledRequest& b) {
        if (a.picture != b.picture)
            return std::less<const Picture*>()(a.picture, b.picture);
        if (area(a.size) != area(b.size))
            return area(a.size) > area(b.size);
        return std::pair(a.size.width(), a.size.height()) < std::pair(b.size.width(), b.size.height());
    });
    missing.erase(std::unique(missing.begin(), missing.end(),
                              [](const ScaledRequest& a, const ScaledRequest& b) {
                                  return a.picture == b.picture && a.size == b.size;
                              }),
                  missing.end());
    std::vector<std::size_t> groupStarts;
    for (std::size_t i = 0; i < missing.size(); ++i) {
        if (i == 0 || missing[i].picture != missing[i - 1].picture)
            groupStarts.push_back(i);
    }
    groupStarts.push_back(missing.size());
    const std::size_t groups = groupStarts.size() - 1;
    const auto makeGroup = [&](std::size_t g) {
        for (std::size_t i = groupStarts[g]; i < groupStarts[g + 1]; ++i)
            (void)scaled(*missing[i].picture, missing[i].size);
    };

    const std::size_t workers = std::min<std::size_t>(groups, std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
    if (workers <= 1) {
        for (std::size_t g = 0; g < groups; ++g)
            makeGroup(g);
        return;
    }
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t g = next++; g < groups; g = next++)
            makeGroup(g);
    };
    std::vector<std::thread> threads;
    threads.reserve(workers - 1);
    for (std::size_t t = 1; t < workers; ++t)
        threads.emplace_back(work);
    work();
    for (std::thread& t : threads)
        t.join();
}

void PictureCache::forget(quint64 pictureKey)
{
    std::lock_guard lock(d->mutex);
    d->decodes.forget(pictureKey);
    d->scaled.forget(pictureKey);
}

void PictureCache::setBudgetBytes(std::size_t bytes)
{
    std::lock_guard lock(d->mutex);
    d->decodes.setBudget(bytes);
}

std::size_t PictureCache::budgetBytes() const
{
    std::lock_guard lock(d->mutex);
    return d->decodes.budget();
}

std::size_t PictureCache::usedBytes() const
{
    std::lock_guard lock(d->mutex);
    return d->decodes.used();
}

void PictureCache::setScaledBudgetBytes(std::size_t bytes)
{
    std::lock_guard lock(d->mutex);
    d->scaled.setBudget(bytes);
}

std::size_t PictureCache::scaledBudgetBytes() const
{
    std::lock_guard lock(d->mutex);
    return d->scaled.budget();
}

std::size_t PictureCache::scaledUsedBytes() const
{
    std::lock_guard lock(d->mutex);
    return d->scaled.used();
}

void PictureCache::clear()
{
    std::lock_guard lock(d->mutex);
    d->decodes.evictTo(0);
    d->scaled.evictTo(0);
}

} // namespace vq
