#pragma once

#include "imaging/PictureCache.h"

#include <QImage>
#include <QSize>

#include <span>
#include <vector>

namespace vq {

class Picture;

// Where painters take the decoded pictures they draw. Output (export,
// printing, the clipboard) needs exact pixels and waits for them; the window
// must never wait, and draws what is at hand instead. Painters ask the supply
// installed on their thread (PictureSupplyScope), by default a waiting one.
class PictureSupply {
public:
    struct Supplied {
        // Exactly the size asked for, or a stand-in to be stretched over it.
        QImage image;
        // No image yet, but one is coming: draw a placeholder. False with no
        // image: the picture cannot be drawn.
        bool pending = false;
    };

    virtual ~PictureSupply() = default;
    // Before a pass over many pictures: the scaled copies it will ask for,
    // in drawing order.
    virtual void expect(std::span<const PictureCache::ScaledRequest> requests) = 0;
    // The picture smoothly scaled to exactly `size`.
    virtual Supplied scaled(const Picture& picture, QSize size) = 0;
    // A decode covering `deviceSize`, for drawing through a transform.
    virtual Supplied covering(const Picture& picture, QSize deviceSize) = 0;
};

// Exact pixels from the picture cache, decoding what is missing; a pass over
// many pictures decodes them on all cores first.
class WaitingPictureSupply final : public PictureSupply {
public:
    void expect(std::span<const PictureCache::ScaledRequest> requests) override;
    Supplied scaled(const Picture& picture, QSize size) override;
    Supplied covering(const Picture& picture, QSize deviceSize) override;
};

// Never decodes: the cache's image when it has it, else any image of the
// picture it holds to stand in, else a placeholder. What was missing is asked
// of the cache's workers, on behalf of `owner`, when the supply goes: one
// request per painting pass, replacing the previous pass's, topmost first.
class CachedPictureSupply final : public PictureSupply {
public:
    explicit CachedPictureSupply(const void* owner) : m_owner(owner) {}
    ~CachedPictureSupply() override;
    CachedPictureSupply(const CachedPictureSupply&) = delete;
    CachedPictureSupply& operator=(const CachedPictureSupply&) = delete;

    void expect(std::span<const PictureCache::ScaledRequest>) override {}
    Supplied scaled(const Picture& picture, QSize size) override;
    Supplied covering(const Picture& picture, QSize deviceSize) override;
    // True once anything had to stand in or wait.
    [[nodiscard]] bool missedAny() const { return m_missedAny; }
    // True once a picture had nothing at all to stand in: a placeholder.
    [[nodiscard]] bool placeheldAny() const { return m_placeheld; }
    // Asks the picture cache for what was missed, topmost first (done on
    // destruction otherwise); true when kept previews were sent for.
    bool askForMissing();

private:
    Supplied standInFor(const Picture& picture, QSize size, bool exact);

    const void* m_owner;
    std::vector<PictureCache::Request> m_missing;
    bool m_missedAny = false;
    bool m_placeheld = false;
    bool m_asked = false;
};

// Painters on this thread take pictures from `supply` while the scope lasts.
class PictureSupplyScope {
public:
    explicit PictureSupplyScope(PictureSupply& supply);
    ~PictureSupplyScope();
    PictureSupplyScope(const PictureSupplyScope&) = delete;
    PictureSupplyScope& operator=(const PictureSupplyScope&) = delete;

private:
    PictureSupply* m_previous;
};

// The supply painters on this thread use now.
[[nodiscard]] PictureSupply& CurrentPictureSupply();

} // namespace vq
