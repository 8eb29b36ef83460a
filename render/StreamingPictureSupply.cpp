#include "render/StreamingPictureSupply.h"

#include "imaging/ImageDecode.h"
#include "imaging/JpegEncode.h"
#include "imaging/JpegScaledDecode.h"
#include "imaging/Picture.h"

#include <QHashFunctions>

#include <algorithm>
#include <unordered_map>

namespace vq {

namespace {

// A picture drawn again further on is kept for it up to this much; beyond
// it, it is decoded again when its turn comes.
constexpr std::size_t kKeepBytes = std::size_t(64) << 20;

// Painters take pictures opaque and in the screen's own format, as the
// picture cache makes them.
QImage readyToDraw(QImage image)
{
    if (image.hasAlphaChannel())
        image = FlattenOntoTopLeftColor(std::move(image));
    if (!image.isNull() && image.format() != QImage::Format_RGB32
        && image.format() != QImage::Format_ARGB32_Premultiplied)
        image = image.convertToFormat(QImage::Format_RGB32);
    return image;
}

// The decode the picture cache would make at `reduction`.
QImage decodeReduced(const Picture& picture, int reduction)
{
    QSize scaledTo;
    if (reduction > 1) {
        const QSize full = picture.pixelSize();
        scaledTo = QSize(std::max(1, full.width() / reduction), std::max(1, full.height() / reduction));
    }
    return readyToDraw(DecodeImage(picture.bytes(), nullptr, scaledTo));
}

bool isJpeg(const QByteArray& bytes)
{
    return bytes.startsWith(QByteArrayLiteral("\xFF\xD8"));
}

} // namespace

StreamingPictureSupply::StreamingPictureSupply() : StreamingPictureSupply(Options{}) {}

StreamingPictureSupply::StreamingPictureSupply(Options options)
    : m_workerCount(options.workers > 0 ? options.workers
                                        : std::max(1, static_cast<int>(std::thread::hardware_concurrency())))
    , m_ahead(options.ahead > 0 ? options.ahead : 2 * m_workerCount)
{
}

StreamingPictureSupply::~StreamingPictureSupply()
{
    stopWorkers();
}

void StreamingPictureSupply::stopWorkers()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_workAvailable.notify_all();
    for (std::thread& worker : m_workers)
        worker.join();
    m_workers.clear();
    std::lock_guard lock(m_mutex);
    m_stopping = false;
}

QImage StreamingPictureSupply::decodeAt(const Picture& picture, QSize size)
{
    if (picture.undecodable() || size.isEmpty())
        return {};
    const QByteArray& bytes = picture.bytes();
    QImage image;
    // A JPEG is decoded at the eighth nearest above the size it is drawn,
    // the least work that loses nothing; anything else as the cache would.
    if (isJpeg(bytes) && JpegEighthsCovering(picture.pixelSize(), size) < 8)
        image = readyToDraw(DecodeImage(bytes, nullptr, size, JpegScaling::Eighths));
    else
        image = decodeReduced(picture, PictureCache::reductionFor(picture.pixelSize(), size));
    if (image.isNull()) {
        picture.noteUndecodable();
        return {};
    }
    if (image.size() != size)
        image = readyToDraw(image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    return image;
}

QImage StreamingPictureSupply::decodeCounted(const Picture& picture, QSize size)
{
    const bool knownUndecodable = picture.undecodable();
    QImage image = decodeAt(picture, size);
    std::lock_guard lock(m_mutex);
    ++m_counters.decodes;
    if (image.isNull() && !knownUndecodable)
        m_foundUndecodable = true;
    return image;
}

void StreamingPictureSupply::expect(std::span<const PictureCache::ScaledRequest> requests)
{
    stopWorkers();
    std::lock_guard lock(m_mutex);
    m_jobs.clear();
    m_order.clear();
    m_pictureAt.clear();
    m_cursor = 0;
    m_scan = 0;
    m_held = 0;
    m_keptBytes = 0;
    // Same bytes at the same size make one job; the bytes are compared only
    // where their lengths and the size already agree.
    std::unordered_map<std::size_t, std::vector<std::size_t>> candidates;
    for (const PictureCache::ScaledRequest& request : requests) {
        const Picture* picture = request.picture;
        if (!picture || picture->undecodable() || request.size.isEmpty())
            continue;
        const QByteArray& bytes = picture->bytes();
        std::vector<std::size_t>& sameShape =
            candidates[qHashMulti(0, bytes.size(), request.size.width(), request.size.height())];
        const auto found = std::find_if(sameShape.begin(), sameShape.end(), [&](std::size_t j) {
            const Job& job = m_jobs[j];
            if (job.size != request.size)
                return false;
            const QByteArray& other = job.picture->bytes();
            return job.picture == picture || other.constData() == bytes.constData() || other == bytes;
        });
        std::size_t index = 0;
        if (found != sameShape.end()) {
            index = *found;
        } else {
            index = m_jobs.size();
            m_jobs.push_back(Job{picture, request.size, {}, 0, State::Pending, {}, false});
            sameShape.push_back(index);
        }
        m_jobs[index].uses.push_back(m_order.size());
        m_order.push_back(index);
        m_pictureAt.push_back(picture);
    }
    const int workers = static_cast<int>(std::min<std::size_t>(std::size_t(m_workerCount), m_jobs.size()));
    for (int i = 0; i < workers; ++i)
        m_workers.emplace_back([this] { work(); });
}

StreamingPictureSupply::Job* StreamingPictureSupply::nextJobLocked()
{
    if (m_held >= m_ahead)
        return nullptr;
    for (std::size_t p = std::max(m_scan, m_cursor); p < m_order.size(); ++p) {
        Job& job = m_jobs[m_order[p]];
        if (job.state == State::Pending) {
            m_scan = p + 1;
            return &job;
        }
    }
    m_scan = m_order.size();
    return nullptr;
}

void StreamingPictureSupply::startLocked(Job& job)
{
    job.state = State::Decoding;
    ++m_held;
    m_counters.peakHeld = std::max(m_counters.peakHeld, m_held);
}

void StreamingPictureSupply::finishLocked(Job& job, QImage image)
{
    if (image.isNull()) {
        job.state = State::Failed;
        --m_held;
    } else if (job.nextUse >= job.uses.size()) {
        // Every node that wanted it was passed over meanwhile.
        job.state = State::Done;
        --m_held;
    } else {
        job.state = State::Ready;
        job.image = std::move(image);
    }
    m_jobDone.notify_all();
    m_workAvailable.notify_all();
}

void StreamingPictureSupply::work()
{
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        Job* job = nextJobLocked();
        if (!job) {
            m_workAvailable.wait(lock);
            continue;
        }
        startLocked(*job);
        lock.unlock();
        QImage image = decodeCounted(*job->picture, job->size);
        lock.lock();
        finishLocked(*job, std::move(image));
    }
}

void StreamingPictureSupply::releaseUseLocked(Job& job)
{
    ++job.nextUse;
    if (job.state != State::Ready)
        return; // pending or failed: nothing held; decoding: finishLocked sees it
    const bool more = job.nextUse < job.uses.size();
    const std::size_t bytes = std::size_t(job.image.sizeInBytes());
    if (job.kept)
        m_keptBytes -= bytes;
    else
        --m_held;
    job.kept = more && m_keptBytes + bytes <= kKeepBytes;
    if (job.kept) {
        m_keptBytes += bytes;
    } else {
        job.image = QImage();
        job.state = more ? State::Pending : State::Done;
        if (more)
            m_scan = std::min(m_scan, job.uses[job.nextUse]);
    }
    m_workAvailable.notify_all();
}

PictureSupply::Supplied StreamingPictureSupply::scaled(const Picture& picture, QSize size)
{
    std::unique_lock lock(m_mutex);
    std::size_t position = m_cursor;
    while (position < m_order.size()
           && (m_pictureAt[position] != &picture || m_jobs[m_order[position]].size != size))
        ++position;
    if (position == m_order.size()) {
        // Not planned: drawn once, kept nowhere.
        lock.unlock();
        return {decodeCounted(picture, size), false};
    }
    // Nodes the painter passed over will not ask for theirs.
    for (; m_cursor < position; ++m_cursor)
        releaseUseLocked(m_jobs[m_order[m_cursor]]);
    Job& job = m_jobs[m_order[position]];
    if (job.state == State::Pending) {
        // Needed now: decoded here rather than waiting for a worker's turn.
        startLocked(job);
        lock.unlock();
        QImage image = decodeCounted(*job.picture, job.size);
        lock.lock();
        finishLocked(job, std::move(image));
    }
    m_jobDone.wait(lock, [&] { return job.state != State::Decoding; });
    QImage image = job.state == State::Ready ? job.image : QImage();
    releaseUseLocked(job);
    m_cursor = position + 1;
    return {std::move(image), false};
}

PictureSupply::Supplied StreamingPictureSupply::covering(const Picture& picture, QSize deviceSize)
{
    const bool knownUndecodable = picture.undecodable();
    if (knownUndecodable)
        return {};
    QImage image = decodeReduced(picture, PictureCache::reductionFor(picture.pixelSize(), deviceSize));
    if (image.isNull())
        picture.noteUndecodable();
    std::lock_guard lock(m_mutex);
    ++m_counters.decodes;
    if (image.isNull())
        m_foundUndecodable = true;
    return {std::move(image), false};
}

bool StreamingPictureSupply::foundUndecodable() const
{
    std::lock_guard lock(m_mutex);
    return m_foundUndecodable;
}

StreamingPictureSupply::Counters StreamingPictureSupply::counters() const
{
    std::lock_guard lock(m_mutex);
    return m_counters;
}

} // namespace vq
