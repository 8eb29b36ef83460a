#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <atomic>
#include <memory>

namespace vq {

class Picture;
using PicturePtr = std::shared_ptr<const Picture>;

// A node's picture: immutable encoded bytes shared by reference, the pixel
// size read from their header, and decoded images kept by the picture cache so
// that painting never decodes per frame. Saving a picture returns exactly the
// bytes it was made from. New pictures are JPEG data; pictures read from a
// document hold whatever its blocks hold (GIF, BMP, PNG, TIFF or bytes no
// decoder takes), which must survive the next save untouched.
class Picture : public std::enable_shared_from_this<Picture> {
public:
    // Null when the bytes are not a JPEG stream whose header gives a size we
    // are prepared to decode (IsAcceptableImageSize).
    [[nodiscard]] static PicturePtr fromJpegBytes(QByteArray bytes);
    // Any non-empty bytes (null for none). The size comes from the header of
    // whichever accepted decoder recognises them; bytes that none accepts make
    // a picture with an empty size that is undecodable from the start.
    [[nodiscard]] static PicturePtr fromBytes(QByteArray bytes);
    // The same over `size` bytes at `data` that `storage` keeps alive (a
    // mapped file, a larger buffer): no copy is made. The bytes must not
    // change while the picture lives.
    [[nodiscard]] static PicturePtr fromSharedBytes(const char* data, qsizetype size,
                                                    std::shared_ptr<const void> storage);
    // A photograph coming in, from JPEG bytes as a camera stored them: the
    // picture UprightJpeg makes of them, with its upright size at once and
    // drawn upright at once, while the upright bytes themselves are made in
    // the background (RunInBackground) rather than holding up whoever brings
    // the picture in. Null as fromJpegBytes. Bytes needing no turn make the
    // same picture as fromJpegBytes.
    [[nodiscard]] static PicturePtr fromJpegBytesUpright(QByteArray stored);

    // The bytes to keep. For a picture still being turned upright, waits
    // until its bytes are made, making them on the calling thread when no
    // background thread has started on them; safe from any thread. Should
    // the turn fail after all (data no decoder reads), the bytes are the
    // stored ones and the picture is undecodable.
    [[nodiscard]] const QByteArray& bytes() const;
    // True when bytes() would return at once; whoever can come back later
    // (a periodic copy) asks first rather than wait.
    [[nodiscard]] bool bytesReady() const;
    [[nodiscard]] QSize pixelSize() const { return m_size; }
    [[nodiscard]] int width() const { return m_size.width(); }
    [[nodiscard]] int height() const { return m_size.height(); }

    // The decoded picture, scaled down to about `wanted` when that is smaller
    // than the picture (an empty size asks for full resolution). Decodes are
    // cached; a null image means the bytes could not be decoded.
    [[nodiscard]] QImage image(QSize wanted = {}) const;

    // The picture decoded for drawing (DecodeImage) at `scaledTo`, an empty
    // size asking for full resolution, bypassing every cache. A picture still
    // being turned upright is decoded from its stored bytes and turned as a
    // decoded image, without waiting for its bytes. A null image when the
    // bytes cannot be decoded.
    [[nodiscard]] QImage decodeScaled(QSize scaledTo = {}) const;

    // Set from the start for bytes no decoder takes, or once a decode has
    // failed: painters then treat the picture as absent instead of retrying
    // it on every paint.
    [[nodiscard]] bool undecodable() const { return m_undecodable.load(std::memory_order_relaxed); }
    void noteUndecodable() const { m_undecodable.store(true, std::memory_order_relaxed); }

    // A stable key for caches that outlive no picture.
    [[nodiscard]] quint64 cacheKey() const { return m_key; }

    ~Picture();
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

private:
    struct PendingTurn;

    Picture(QByteArray bytes, QSize size, std::shared_ptr<const void> storage = {});
    static PicturePtr fromAnyBytes(QByteArray bytes, std::shared_ptr<const void> storage);

    // Declared first so that it outlives the bytes that may point into it.
    std::shared_ptr<const void> m_storage;
    QByteArray m_bytes;
    // Set while, or since, the bytes were made in the background; shared
    // with the job, which may outlive the picture.
    std::shared_ptr<PendingTurn> m_pending;
    QSize m_size;
    quint64 m_key;
    mutable std::atomic<bool> m_undecodable{false};
};

} // namespace vq
