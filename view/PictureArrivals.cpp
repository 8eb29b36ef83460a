#include "view/PictureArrivals.h"

#include "imaging/PictureCache.h"

namespace vq {

PictureArrivals::PictureArrivals(std::function<ArrivalAnswer()> judge, std::function<void()> draw, QObject* parent)
    : QObject(parent), m_judge(std::move(judge)), m_draw(std::move(draw))
{
    m_gather.setSingleShot(true);
    m_gather.setInterval(kGatherMs);
    connect(&m_gather, &QTimer::timeout, this, [this] { m_draw(); });
    m_listener = PictureCache::instance().addArrivalListener([this](quint64) {
        if (m_queued.exchange(true))
            return;
        QMetaObject::invokeMethod(this, &PictureArrivals::arrived, Qt::QueuedConnection);
    });
}

PictureArrivals::~PictureArrivals()
{
    PictureCache::instance().removeArrivalListener(m_listener);
}

void PictureArrivals::arrived()
{
    m_queued.store(false);
    switch (m_judge()) {
    case ArrivalAnswer::Ignore:
        break;
    case ArrivalAnswer::Gather:
        if (!m_gather.isActive())
            m_gather.start();
        break;
    case ArrivalAnswer::DrawNow:
        m_gather.stop();
        m_draw();
        break;
    }
}

} // namespace vq
