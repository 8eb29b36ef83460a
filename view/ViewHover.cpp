// The hover animation: comets circling an unselected node under the pointer,
// drawn over the scene on a timer.
#include "view/CanvasView.h"

#include "model/Document.h"
#include "base/Settings.h"

#include <QDateTime>
#include <QRandomGenerator>

namespace vq {

void CanvasView::hoverNode(int node, QPoint v)
{
    if (m_anim.running()) {
        // Another node ends this animation; only the next move over it may
        // start one of its own.
        if (m_anim.node() != node)
            StopHoverAnimation();
        return;
    }
    if (m_sys.playAnime <= 0 || doc().screen[node].selected != 0)
        return;
    const ScreenGeometry& geometry = screenGeometry();
    if (node >= geometry.count())
        return;
    // Seeded from the clock, as each start should look different.
    QRandomGenerator random(static_cast<quint32>(QDateTime::currentMSecsSinceEpoch()));
    const auto rand = [&random] { return static_cast<int>(random.bounded(32768)); };
    const DocState& s = doc().state;
    if (!m_anim.start(node, geometry.nodes[static_cast<std::size_t>(node)], v, scrollPosition(), s.zoom,
                      s.canvasWidth, doc().nodes[node].centerY, m_sys.playAnime, rand))
        return;
    m_animTimer.start(HoverAnimation::intervalMs(m_sys.speedAnime));
}

void CanvasView::onAnimationTick()
{
    if (!m_anim.running()) {
        m_animTimer.stop();
        return;
    }
    Feedback f;
    f.kind = Feedback::Kind::HoverDots;
    f.dotArea = m_anim.animBox();
    for (const HoverAnimation::Dot& d : m_anim.tick(zoom()))
        f.dots.push_back({d.centre, d.colour, d.penWidth});
    setFeedback(f);
}

void CanvasView::StopHoverAnimation()
{
    if (m_feedback.kind == Feedback::Kind::HoverDots)
        RestoreFeedback();
    m_anim.stop();
    m_animTimer.stop();
}

} // namespace vq
