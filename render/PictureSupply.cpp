#include "render/PictureSupply.h"

#include "imaging/Picture.h"

#include <algorithm>

namespace vq {

namespace {
thread_local PictureSupply* t_supply = nullptr;
} // namespace

void WaitingPictureSupply::expect(std::span<const PictureCache::ScaledRequest> requests)
{
    PictureCache::instance().prefetchScaled({requests.begin(), requests.end()});
}

PictureSupply::Supplied WaitingPictureSupply::scaled(const Picture& picture, QSize size)
{
    return {PictureCache::instance().scaled(picture, size), false};
}

PictureSupply::Supplied WaitingPictureSupply::covering(const Picture& picture, QSize deviceSize)
{
    return {PictureCache::instance().image(picture, deviceSize), false};
}

CachedPictureSupply::~CachedPictureSupply()
{
    if (!m_asked)
        (void)askForMissing();
}

bool CachedPictureSupply::askForMissing()
{
    m_asked = true;
    // Painted bottom first, asked for top first: the highest pictures show
    // most of themselves, the lowest often only an edge.
    std::vector<PictureCache::Request> missing = std::move(m_missing);
    std::reverse(missing.begin(), missing.end());
    return PictureCache::instance().request(m_owner, std::move(missing)) > 0;
}

PictureSupply::Supplied CachedPictureSupply::scaled(const Picture& picture, QSize size)
{
    if (picture.undecodable())
        return {};
    QImage ready = PictureCache::instance().scaledIfReady(picture, size);
    if (!ready.isNull())
        return {std::move(ready), false};
    return standInFor(picture, size, true);
}

PictureSupply::Supplied CachedPictureSupply::covering(const Picture& picture, QSize deviceSize)
{
    if (picture.undecodable())
        return {};
    QImage ready = PictureCache::instance().imageIfReady(picture, deviceSize);
    if (!ready.isNull())
        return {std::move(ready), false};
    return standInFor(picture, deviceSize, false);
}

PictureSupply::Supplied CachedPictureSupply::standInFor(const Picture& picture, QSize size, bool exact)
{
    m_missing.push_back({picture.shared_from_this(), size, exact});
    m_missedAny = true;
    QImage standIn = PictureCache::instance().standIn(picture, size);
    const bool pending = standIn.isNull();
    m_placeheld = m_placeheld || pending;
    return {std::move(standIn), pending};
}

PictureSupplyScope::PictureSupplyScope(PictureSupply& supply) : m_previous(t_supply)
{
    t_supply = &supply;
}

PictureSupplyScope::~PictureSupplyScope()
{
    t_supply = m_previous;
}

PictureSupply& CurrentPictureSupply()
{
    // Each thread that paints gets its own waiting supply: it holds no state,
    // but keeping it per thread needs no lock.
    thread_local WaitingPictureSupply waiting;
    return t_supply ? *t_supply : waiting;
}

} // namespace vq
