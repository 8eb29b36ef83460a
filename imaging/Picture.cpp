#include "imaging/Picture.h"

#include "imaging/WorkerPool.h"
#include "imaging/ExifOrientation.h"
#include "imaging/ImageDecode.h"
#include "imaging/JpegHeader.h"
#include "imaging/PictureCache.h"

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace vq {

namespace {
std::atomic<quint64> g_nextKey{1};

// Orientations 5 to 8 swap the sides.
bool turnsAcross(int orientation)
{
    return orientation >= 5 && orientation <= 8;
}
} // namespace

// The turn of a picture's stored bytes to upright ones, made once by
// whichever thread comes first: a background worker, or whoever needs the
// bytes before a worker has started on them.
struct Picture::PendingTurn {
    PendingTurn(QByteArray storedBytes, int orientationTag)
        : orientation(orientationTag), stored(std::move(storedBytes))
    {
    }

    void turn()
    {
        QByteArray from;
        {
            const std::lock_guard<std::mutex> lock(mutex);
            if (started)
                return;
            started = true;
            from = stored;
        }
        QByteArray made = UprightJpeg(from);
        {
            const std::lock_guard<std::mutex> lock(mutex);
            failed = made.isEmpty();
            upright = failed ? std::move(from) : std::move(made);
            stored.clear();
            done.store(true, std::memory_order_release);
        }
        finished.notify_all();
    }

    const QByteArray& bytes()
    {
        if (!done.load(std::memory_order_acquire)) {
            turn();
            std::unique_lock<std::mutex> lock(mutex);
            finished.wait(lock, [this] { return done.load(std::memory_order_relaxed); });
        }
        return upright;
    }

    // The stored bytes while the upright ones are not made; empty after.
    QByteArray storedWhileTurning()
    {
        const std::lock_guard<std::mutex> lock(mutex);
        return stored;
    }

    const int orientation;
    std::mutex mutex;
    std::condition_variable finished;
    bool started = false;
    QByteArray stored;
    // Written once, before `done` is set, and never again.
    QByteArray upright;
    bool failed = false;
    std::atomic<bool> done{false};
};

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

PicturePtr Picture::fromJpegBytesUpright(QByteArray stored)
{
    const int orientation = ExifOrientationOf(stored);
    if (orientation == kUprightOrientation)
        return fromJpegBytes(std::move(stored));
    QSize size = jpegPixelSize(stored);
    if (!IsAcceptableImageSize(size))
        return nullptr;
    if (turnsAcross(orientation))
        size.transpose();
    auto pending = std::make_shared<PendingTurn>(std::move(stored), orientation);
    std::shared_ptr<Picture> picture(new Picture(QByteArray(), size));
    picture->m_pending = pending;
    // The job keeps the turn alive only once it has started: a picture let go
    // before then costs no work.
    RunInBackground([weak = std::weak_ptr<PendingTurn>(pending)] {
        if (const std::shared_ptr<PendingTurn> turn = weak.lock())
            turn->turn();
    });
    return picture;
}

const QByteArray& Picture::bytes() const
{
    if (!m_pending)
        return m_bytes;
    const QByteArray& bytes = m_pending->bytes();
    if (m_pending->failed)
        noteUndecodable();
    return bytes;
}

bool Picture::bytesReady() const
{
    return !m_pending || m_pending->done.load(std::memory_order_acquire);
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

QImage Picture::decodeScaled(QSize scaledTo) const
{
    if (m_pending) {
        const QByteArray stored = m_pending->storedWhileTurning();
        if (!stored.isEmpty()) {
            // Turned after decoding, a reduced decode turns as cheaply as it
            // decodes and shows what the upright bytes will show.
            const int orientation = m_pending->orientation;
            const QSize storedSize = turnsAcross(orientation) ? scaledTo.transposed() : scaledTo;
            const QImage image = DecodeImage(stored, nullptr, storedSize);
            return image.isNull() ? image : OrientImage(image, orientation);
        }
        if (m_pending->failed)
            return {};
    }
    return DecodeImage(bytes(), nullptr, scaledTo);
}

} // namespace vq
