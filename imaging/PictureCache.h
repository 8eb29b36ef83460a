#pragma once

#include <QImage>
#include <QSize>

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

namespace vq {

class Picture;
class PreviewStore;
using PicturePtr = std::shared_ptr<const Picture>;

// Decoded pictures for drawing, kept within memory budgets and evicted
// least-recently-used first.
//
// Two pools: decodes, made at the smallest of full, 1/2, 1/4 and 1/8 scale
// that still covers the size a picture is drawn at, so a thousand photographs
// shown small never hold a thousand full decodes; and images smoothly scaled
// to the exact size a picture is shown at, so a repaint only copies pixels.
// Both are safe to fill from several threads; decoding and scaling run
// outside the lock.
class PictureCache {
public:
    static PictureCache& instance();
    ~PictureCache();
    PictureCache(const PictureCache&) = delete;
    PictureCache& operator=(const PictureCache&) = delete;

    // The decode that covers `wanted` (an empty size asks for full resolution).
    [[nodiscard]] QImage image(const Picture& picture, QSize wanted);
    // The picture smoothly scaled to exactly `size`. A null image when the
    // picture cannot be decoded or `size` is empty or larger than
    // kMaxScaledPixels; such sizes are drawn from image() instead.
    [[nodiscard]] QImage scaled(const Picture& picture, QSize size);
    // True when scaled() would answer without decoding or scaling.
    [[nodiscard]] bool hasScaled(const Picture& picture, QSize size) const;
    // Makes the scaled copies that are missing, several at a time on the
    // machine's cores, so a first paint of many new pictures waits for the
    // slowest share instead of the sum. A picture asked for at several sizes
    // is decoded once. The pictures must outlive the call.
    struct ScaledRequest {
        const Picture* picture;
        QSize size;
    };
    void prefetchScaled(const std::vector<ScaledRequest>& requests);
    // Drops every image of one picture.
    void forget(quint64 pictureKey);

    // Without waiting: what is at hand now, never decoding or scaling on the
    // calling thread. The window draws from these and asks the workers for
    // the rest.
    [[nodiscard]] QImage scaledIfReady(const Picture& picture, QSize size);
    [[nodiscard]] QImage imageIfReady(const Picture& picture, QSize wanted);
    // Any image of the picture at hand, to stand in stretched while the right
    // one is made (a decode, a scaled copy or a kept preview): the smallest
    // that covers `wanted`, else the largest. Null when the cache holds
    // nothing of the picture.
    [[nodiscard]] QImage standIn(const Picture& picture, QSize wanted);

    // Work for the pool of worker threads: a scaled copy at exactly `size`
    // (`exact`), or a decode covering `size`.
    struct Request {
        PicturePtr picture;
        QSize size;
        bool exact = true;
    };
    // Queues `requests` in the order given for `owner`, replacing whatever
    // the same owner asked for before and no worker has started: a window
    // asks for what it shows now, not what it showed a moment ago.
    // Returns how many kept previews it sent for, which come before any decode.
    int request(const void* owner, std::vector<Request> requests);
    // Drops what `owner` asked for and no worker has started.
    void cancelRequests(const void* owner);
    // Drops every request no worker has started and waits for those running:
    // for the end of the program, before the libraries they use go. Run at
    // exit in any case; the program calls it while its application object
    // still stands.
    void stopForExit();
    // Blocks until no request is queued or running.
    void waitForRequests();
    // Whether kept previews asked for are still being brought in.
    [[nodiscard]] bool previewsPending() const;
    // Called on a worker thread each time a requested image of a picture has
    // been stored or the picture has been found undecodable. Listeners must
    // be quick and thread-safe; removing one waits for any call in progress.
    using ArrivalListener = std::function<void(quint64 pictureKey)>;
    [[nodiscard]] int addArrivalListener(ArrivalListener listener);
    void removeArrivalListener(int id);

    // Previews kept on disk between runs: a picture the cache holds nothing
    // of is first drawn from its kept preview (brought in by the workers ahead
    // of every decode), and the workers keep one after a picture's first
    // decode. The program's own store unless another is set; null keeps none.
    void setPreviewStore(PreviewStore* store);

    // Budget of the decode pool (default 1 GiB).
    void setBudgetBytes(std::size_t bytes);
    [[nodiscard]] std::size_t budgetBytes() const;
    [[nodiscard]] std::size_t usedBytes() const;
    // Budget of the scaled pool (default 256 MiB).
    void setScaledBudgetBytes(std::size_t bytes);
    [[nodiscard]] std::size_t scaledBudgetBytes() const;
    [[nodiscard]] std::size_t scaledUsedBytes() const;
    void clear();

    // Shown sizes above this many pixels are not kept as scaled copies: one
    // such copy could take hundreds of megabytes while the window shows a part.
    static constexpr qint64 kMaxScaledPixels = qint64(4096) * 4096;

    // 1, 2, 4 or 8: the reduction that still covers `wanted`.
    [[nodiscard]] static int reductionFor(QSize full, QSize wanted);

private:
    PictureCache();
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace vq
