#include "imaging/PictureCache.h"

#include "imaging/ImageDecode.h"
#include "imaging/JpegEncode.h"
#include "imaging/Picture.h"
#include "imaging/PreviewStore.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <functional>
#include <list>
#include <map>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace vq {

namespace {
constexpr std::size_t kDefaultBudget = std::size_t(1024) * 1024 * 1024;
constexpr std::size_t kDefaultScaledBudget = std::size_t(256) * 1024 * 1024;
constexpr int kWorkerNice = 10;
constexpr std::size_t kDefaultPreviewBudget = std::size_t(64) * 1024 * 1024;

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

    // Every image the pool holds of one picture, without touching recency.
    template <typename F>
    void forEachOf(quint64 picture, F&& visit) const
    {
        const auto it = m_byPicture.find(picture);
        if (it == m_byPicture.end())
            return;
        for (const SlotKey& key : it->second) {
            const auto slot = m_index.find(key);
            if (slot != m_index.end())
                visit(slot->second->image);
        }
    }

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

    // The workers' side, under its own lock so that painting never waits for
    // a worker to hand over a job.
    // A job either makes what a request asks for or, first, brings in the
    // kept preview of a picture the cache holds nothing of.
    struct Job {
        const void* owner = nullptr;
        Request request;
        bool preview = false;
    };
    std::mutex jobsMutex;
    std::condition_variable jobsChanged;
    std::deque<Job> queue;
    std::unordered_set<SlotKey, SlotKeyHash> running;
    std::vector<std::thread> workers;

    std::mutex listenersMutex;
    std::map<int, ArrivalListener> listeners;
    int nextListener = 1;

    // Previews kept between runs: brought in to stand in at once, written
    // after a picture's first decode. Under `mutex`.
    PreviewStore* store = nullptr;
    bool storeChosen = false;
    Pool previews{kDefaultPreviewBudget};
    std::unordered_map<quint64, QByteArray> previewKeys;
    std::unordered_set<quint64> previewLooked; // asked of the store this run
    std::unordered_set<quint64> previewKept;   // on disk, found or written

    void startWorkers(PictureCache& cache);
    void stopForExit();
    // Drops what `owner` asked for and no worker has started; a preview not
    // brought in yet stays wanted whoever asks next. Under `jobsMutex`.
    void dropQueued(const void* owner)
    {
        queue.erase(std::remove_if(queue.begin(), queue.end(),
                                   [owner](const Job& j) { return j.owner == owner && !j.preview; }),
                    queue.end());
    }
    void work(PictureCache& cache);
    void announce(quint64 pictureKey);
    PreviewStore* previewStore();
    QByteArray previewKey(const Picture& picture);
    void bringInPreview(const Picture& picture);
    void keepPreview(PictureCache& cache, const Picture& picture);
};

namespace {
// What a kept preview is found by: the picture's length, its first and last
// 64 KiB and a KiB at every 64th of the rest. Hashing all of a photograph's
// megabytes would cost more than the decode the preview stands in for, and
// the preview only stands in until that decode arrives; two encodings that
// agree on all of this (an edit that keeps every sampled byte and the length)
// do not occur in practice.
QByteArray previewFingerprint(const QByteArray& bytes)
{
    constexpr qsizetype kEnds = 64 * 1024;
    constexpr qsizetype kSample = 1024;
    constexpr int kSamples = 64;
    if (bytes.size() <= 2 * kEnds + kSamples * kSample)
        return bytes;
    QByteArray print;
    print.reserve(16 + 2 * kEnds + kSamples * kSample);
    print += QByteArray::number(bytes.size()) + '\n';
    print += bytes.left(kEnds);
    const qsizetype middle = bytes.size() - 2 * kEnds;
    for (int i = 0; i < kSamples; ++i)
        print += bytes.mid(kEnds + middle * i / kSamples, kSample);
    print += bytes.right(kEnds);
    return print;
}

// Worth keeping: pictures whose decode takes longer than reading a preview.
bool worthAPreview(const Picture& picture)
{
    return std::max(picture.width(), picture.height()) > 2 * PreviewStore::kMaxSide;
}
} // namespace

void PictureCache::setPreviewStore(PreviewStore* store)
{
    std::lock_guard lock(d->mutex);
    d->store = store;
    d->storeChosen = true;
}

PreviewStore* PictureCache::Impl::previewStore()
{
    std::lock_guard lock(mutex);
    if (!storeChosen) {
        store = &PreviewStore::instance();
        storeChosen = true;
    }
    return store;
}

QByteArray PictureCache::Impl::previewKey(const Picture& picture)
{
    {
        std::lock_guard lock(mutex);
        const auto it = previewKeys.find(picture.cacheKey());
        if (it != previewKeys.end())
            return it->second;
    }
    QByteArray key = PreviewStore::keyFor(previewFingerprint(picture.bytes()));
    std::lock_guard lock(mutex);
    previewKeys.emplace(picture.cacheKey(), key);
    return key;
}


void PictureCache::Impl::bringInPreview(const Picture& picture)
{
    PreviewStore* kept = previewStore();
    if (!kept)
        return;
    const QImage preview = kept->load(previewKey(picture), picture.pixelSize());
    if (preview.isNull())
        return;
    std::lock_guard lock(mutex);
    previewKept.insert(picture.cacheKey());
    (void)previews.insert({picture.cacheKey(), preview.width(), preview.height()}, preview);
}

void PictureCache::Impl::keepPreview(PictureCache& cache, const Picture& picture)
{
    PreviewStore* kept = previewStore();
    if (!kept || !worthAPreview(picture))
        return;
    {
        std::lock_guard lock(mutex);
        if (!previewKept.insert(picture.cacheKey()).second)
            return;
    }
    const QSize size = PreviewStore::previewSize(picture.pixelSize());
    const QImage source = cache.standIn(picture, size);
    // A picture shown small was decoded at a reduction that may fall a little
    // short of the preview's size; that still makes a fair stand-in, a much
    // smaller one would not.
    if (std::max(source.width(), source.height()) < PreviewStore::kMaxSide / 2)
        return;
    const bool covers = source.width() >= size.width() && source.height() >= size.height();
    kept->store(previewKey(picture), picture.pixelSize(),
                covers && source.size() != size ? source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                                : source);
}

namespace {
SlotKey jobKey(const PictureCache::Request& r, bool preview)
{
    // Decodes and scaled copies of one size are different work, and bringing
    // in a preview is different again.
    if (preview)
        return {r.picture->cacheKey(), 0, -1};
    return {r.picture->cacheKey(), r.exact ? r.size.width() : -r.size.width(), r.size.height()};
}
} // namespace

void PictureCache::Impl::startWorkers(PictureCache& cache)
{
    if (!workers.empty())
        return;
    // Never joined: the cache lives as long as the process, and an idle
    // worker waits on the queue without touching anything else. At exit the
    // queue is dropped and the jobs running are let finish, so no decode runs
    // while the libraries it uses are torn down.
    // The hashing library is told before any worker hashes not to tear
    // itself down at exit.
    PreviewStore::prepareHashing();
    std::atexit([] { PictureCache::instance().stopForExit(); });
    const unsigned count = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
    for (unsigned i = 0; i < count; ++i) {
        workers.emplace_back([this, &cache] { work(cache); });
        workers.back().detach();
    }
}

void PictureCache::Impl::stopForExit()
{
    std::unique_lock lock(jobsMutex);
    queue.clear();
    jobsChanged.wait(lock, [this] { return running.empty(); });
}

void PictureCache::Impl::work(PictureCache& cache)
{
    // Below the window's thread: on a machine with few cores, decodes that
    // keep every core busy must still leave it the processor the moment it
    // has input or a paint to handle.
    (void)::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kWorkerNice);
    std::unique_lock lock(jobsMutex);
    for (;;) {
        jobsChanged.wait(lock, [this] { return !queue.empty(); });
        Job job = std::move(queue.front());
        queue.pop_front();
        const SlotKey key = jobKey(job.request, job.preview);
        if (running.count(key) != 0)
            continue;
        running.insert(key);
        lock.unlock();
        const Picture& picture = *job.request.picture;
        if (job.preview) {
            if (cache.standIn(picture, {}).isNull()) {
                bringInPreview(picture);
                if (!cache.standIn(picture, {}).isNull())
                    announce(picture.cacheKey());
            }
        } else {
            const bool had = job.request.exact ? cache.hasScaled(picture, job.request.size)
                                               : !cache.imageIfReady(picture, job.request.size).isNull();
            if (!had && !picture.undecodable()) {
                const bool made = job.request.exact ? !cache.scaled(picture, job.request.size).isNull()
                                                    : !cache.image(picture, job.request.size).isNull();
                announce(picture.cacheKey());
                if (made)
                    keepPreview(cache, picture);
            }
        }
        // The picture may go with the job; its cache entries go with it.
        job.request.picture.reset();
        lock.lock();
        running.erase(key);
        jobsChanged.notify_all();
    }
}

void PictureCache::Impl::announce(quint64 pictureKey)
{
    std::lock_guard lock(listenersMutex);
    for (const auto& [id, listener] : listeners)
        listener(pictureKey);
}

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

QImage PictureCache::scaledIfReady(const Picture& picture, QSize size)
{
    std::lock_guard lock(d->mutex);
    const QImage* found = d->scaled.find({picture.cacheKey(), size.width(), size.height()});
    return found ? *found : QImage();
}

QImage PictureCache::imageIfReady(const Picture& picture, QSize wanted)
{
    const int reduction = reductionFor(picture.pixelSize(), wanted);
    std::lock_guard lock(d->mutex);
    for (int r = reduction; r >= 1; r /= 2) {
        if (const QImage* found = d->decodes.find({picture.cacheKey(), r, 0}))
            return *found;
    }
    return {};
}

QImage PictureCache::standIn(const Picture& picture, QSize wanted)
{
    QImage best;
    const auto covers = [&](const QImage& image) {
        return image.width() >= wanted.width() && image.height() >= wanted.height();
    };
    const auto area = [](const QImage& image) { return qint64(image.width()) * image.height(); };
    const auto consider = [&](const QImage& image) {
        if (best.isNull())
            best = image;
        else if (covers(image) && (!covers(best) || area(image) < area(best)))
            best = image;
        else if (!covers(image) && !covers(best) && area(image) > area(best))
            best = image;
    };
    std::lock_guard lock(d->mutex);
    d->scaled.forEachOf(picture.cacheKey(), consider);
    d->decodes.forEachOf(picture.cacheKey(), consider);
    d->previews.forEachOf(picture.cacheKey(), consider);
    return best;
}

int PictureCache::request(const void* owner, std::vector<Request> requests)
{
    // Pictures the cache holds nothing of first get their kept previews,
    // all of them before any decode: a reopened document shows every picture
    // at once, then sharpens.
    std::vector<Impl::Job> previews;
    {
        std::lock_guard lock(d->mutex);
        for (const Request& r : requests) {
            if (!r.picture || r.size.isEmpty() || !worthAPreview(*r.picture)
                || !d->previewLooked.insert(r.picture->cacheKey()).second)
                continue;
            bool any = false;
            const auto note = [&any](const QImage&) { any = true; };
            d->decodes.forEachOf(r.picture->cacheKey(), note);
            d->scaled.forEachOf(r.picture->cacheKey(), note);
            if (!any)
                previews.push_back({owner, r, true});
        }
    }
    std::lock_guard lock(d->jobsMutex);
    d->dropQueued(owner);
    for (auto it = previews.rbegin(); it != previews.rend(); ++it)
        d->queue.push_front(std::move(*it));
    for (Request& r : requests) {
        if (r.picture && !r.size.isEmpty())
            d->queue.push_back({owner, std::move(r), false});
    }
    const int previewsAsked = static_cast<int>(previews.size());
    if (d->queue.empty())
        return previewsAsked;
    d->startWorkers(*this);
    d->jobsChanged.notify_all();
    return previewsAsked;
}

void PictureCache::stopForExit()
{
    d->stopForExit();
}

void PictureCache::cancelRequests(const void* owner)
{
    std::lock_guard lock(d->jobsMutex);
    d->dropQueued(owner);
}

void PictureCache::waitForRequests()
{
    std::unique_lock lock(d->jobsMutex);
    d->jobsChanged.wait(lock, [this] { return d->queue.empty() && d->running.empty(); });
}

bool PictureCache::previewsPending() const
{
    std::lock_guard lock(d->jobsMutex);
    return std::any_of(d->queue.begin(), d->queue.end(), [](const Impl::Job& j) { return j.preview; })
           || std::any_of(d->running.begin(), d->running.end(), [](const SlotKey& k) { return k.a == 0 && k.b == -1; });
}

int PictureCache::addArrivalListener(ArrivalListener listener)
{
    std::lock_guard lock(d->listenersMutex);
    const int id = d->nextListener++;
    d->listeners.emplace(id, std::move(listener));
    return id;
}

void PictureCache::removeArrivalListener(int id)
{
    std::lock_guard lock(d->listenersMutex);
    d->listeners.erase(id);
}

void PictureCache::forget(quint64 pictureKey)
{
    std::lock_guard lock(d->mutex);
    d->decodes.forget(pictureKey);
    d->scaled.forget(pictureKey);
    d->previews.forget(pictureKey);
    d->previewKeys.erase(pictureKey);
    d->previewLooked.erase(pictureKey);
    d->previewKept.erase(pictureKey);
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
    d->previews.evictTo(0);
    d->previewLooked.clear();
    d->previewKept.clear();
}

} // namespace vq
