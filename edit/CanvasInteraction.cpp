// The mouse and keyboard side of the canvas: what lies under the pointer, the
// cursor and guide it gives, how presses select, the drags that end in an
// edit, and the keys that nudge and walk. Drags only draw feedback; the
// document changes on release, through the editing session, with one undo step.
#include "edit/CanvasInteraction.h"

#include "edit/EditSession.h"
#include "edit/PointMath.h"
#include "edit/Selection.h"
#include "model/Document.h"
#include "model/RangeModeState.h"
#include "render/ScreenGeometry.h"
#include "render/ViewGeometry.h"

#include <algorithm>
#include <cstdlib>

namespace vq {

namespace {

constexpr int kAutoScrollZone = 50;
constexpr int kAutoScrollStep = 10;
constexpr int kBandThreshold = 10;
constexpr int kConsoleDragThreshold = 4;
constexpr int kLabelClearance = 50;       // width bar: label only this far above the canvas bottom
constexpr int kHeightLabelClearance = 70; // height bar: label only this far left of the right edge
constexpr int kArrowStep = 10;
constexpr int kFineStep = 1;

const QString kGuideMove = QStringLiteral("Ctrlキーを押しながら方向キーで、イメージの微移動ができます");
const QString kGuideAfterMove
    = QStringLiteral("Ctrlキーを押しながらクリックで追加選択、Shiftキーを押しながらクリックで選択を解除できます");
const QString kGuideResize = QStringLiteral("Ctrlキーを押されているときは、縦横比を無視します");

// The least width or height, in window pixels, that a resize may leave. The
// node's half size is taken back from the window as trunc((w div 2) / zoom),
// which loses up to two canvas pixels and more below 100 %; trunc(zoom x 10)
// alone would let the node end below 10 canvas pixels, down to nothing at the
// smallest zooms. This is the least window size that still gives 10.
int minimumResizeWindowPixels(float zoom)
{
    int m = std::max(1, scaleTrunc(kMinResizeCanvasPixels, zoom));
    while (divTrunc(m / 2, zoom) < kMinResizeCanvasPixels / 2)
        ++m;
    return m;
}

bool onRing(QPoint p, QPoint centre)
{
    const int d = PointMath::Distance(p.x(), p.y(), centre.x(), centre.y());
    return d >= kDialRingInner && d <= kDialRingOuter;
}

// The fewest canvas pixels that still keep a frame side 10 window pixels from
// its opposite side at `zoom`.
int minimumFrameGap(float zoom)
{
    constexpr int kWindowGap = 10;
    int gap = std::max(1, divTrunc(kWindowGap, zoom));
    while (scaleTrunc(gap, zoom) < kWindowGap)
        ++gap;
    return gap;
}

CursorShape handleCursor(ResizeHandle handle)
{
    switch (handle) {
    case ResizeHandle::TopLeft:
    case ResizeHandle::BottomRight: return CursorShape::SizeFDiag;
    case ResizeHandle::TopRight:
    case ResizeHandle::BottomLeft: return CursorShape::SizeBDiag;
    case ResizeHandle::Top:
    case ResizeHandle::Bottom: return CursorShape::SizeVer;
    case ResizeHandle::Right:
    case ResizeHandle::Left: return CursorShape::SizeHor;
    }
    return CursorShape::Arrow;
}

} // namespace

CanvasInteraction::CanvasInteraction(EditSession& session, CanvasHost& host) : m_session(session), m_host(host) {}

const Document& CanvasInteraction::doc() const
{
    return m_session.doc();
}

RangeMode& CanvasInteraction::rangeMode()
{
    return m_session.mode();
}

float CanvasInteraction::zoom() const
{
    return doc().state.zoom;
}

QSize CanvasInteraction::zoomedCanvas() const
{
    const DocState& s = doc().state;
    return ZoomedCanvasSize(s.canvasWidth, s.canvasHeight, s.zoom);
}

QRect CanvasInteraction::clientRect() const
{
    return QRect(QPoint(0, 0), m_host.clientSize());
}

QPoint CanvasInteraction::consoleCentre() const
{
    return {doc().state.consoleX, doc().state.consoleY};
}

void CanvasInteraction::moveConsoleTo(QPoint at)
{
    m_session.changeWithoutUndo([at](Document& document) {
        document.state.consoleX = at.x();
        document.state.consoleY = at.y();
    });
}

void CanvasInteraction::reset(bool consoleVisible)
{
    m_drag = DragKind::None;
    m_modeDragPart.reset();
    m_modeCandidate = {};
    m_resizeResult = {};
    if (m_snapping)
        m_host.showProposedPosition({});
    m_snapping = false;
    m_snapTargets = {};
    m_console = ConsoleState{};
    m_console.consoleVisible = consoleVisible;
}

int CanvasInteraction::hitTestConsole(QPoint client)
{
    const DocState& s = doc().state;
    const int hit = HitTestConsole(client, {s.consoleX, s.consoleY});
    if (hit == kConsoleOutside)
        return hit;
    if (s.consoleAlways == 0 && !m_console.consoleVisible) {
        m_console.consoleVisible = true;
        m_host.clearFeedback();
        m_host.consoleChanged();
    }
    return hit;
}

void CanvasInteraction::press(QPoint client, Qt::MouseButton button, Qt::KeyboardModifiers mods)
{
    if (button == Qt::LeftButton)
        onLeftDown(client, mods);
    else if (button == Qt::RightButton)
        m_host.stopHoverAnimation();
}

void CanvasInteraction::release(QPoint client, QPoint global, Qt::MouseButton button, Qt::KeyboardModifiers mods)
{
    if (button == Qt::LeftButton)
        onLeftUp(client, mods);
    else if (button == Qt::RightButton)
        onRightUp(client, global);
}

void CanvasInteraction::move(QPoint p, Qt::KeyboardModifiers mods)
{
    const QPoint v = toView(p);
    const QSize canvas = zoomedCanvas();
    if (v.x() >= 0 && v.y() >= 0 && v.x() < canvas.width() && v.y() < canvas.height())
        m_host.showCursorText(QStringLiteral("%1, %2").arg(divTrunc(v.x(), zoom())).arg(divTrunc(v.y(), zoom())));
    else
        m_host.showCursorText({});

    if (m_drag == DragKind::Band) {
        dragBand(p);
        return;
    }
    const DocState& s = doc().state;
    m_tooltip = CanvasEdgeTooltip(v, canvas, s.canvasWidth, s.canvasHeight);
    switch (m_drag) {
    case DragKind::Dial: dragDial(p); return;
    case DragKind::Console: dragConsole(p); return;
    case DragKind::ModeFrame: dragModeFrame(p); return;
    case DragKind::Resize: dragResize(p, mods); return;
    case DragKind::Move: dragMove(p, mods); return;
    case DragKind::CanvasWidth:
    case DragKind::CanvasHeight: dragCanvasEdge(p); return;
    case DragKind::None:
    case DragKind::Band: break;
    }
    hover(p);
}

void CanvasInteraction::hover(QPoint p)
{
    const QPoint v = toView(p);
    if (!clientRect().contains(p)) {
        m_host.stopHoverAnimation();
        m_host.showCursor(CursorShape::Arrow);
        return;
    }
    if (m_console.dialActive && onRing(p, consoleCentre())) {
        m_host.showCursor(CursorShape::DialRing);
        return;
    }
    switch (hitTestConsole(p)) {
    case kConsolePlus: m_host.showCursor(CursorShape::ZoomIn); return;
    case kConsoleMinus: m_host.showCursor(CursorShape::ZoomOut); return;
    case kConsoleBody: m_host.showCursor(m_console.dialActive ? CursorShape::Hold : CursorShape::PointingHand); return;
    default: break;
    }

    m_host.showTooltip(p, m_tooltip);

    const RangeMode& mode = rangeMode();
    if (mode.active()) {
        const auto corners = ModeFrameCorners(mode.modeRect, zoom());
        std::optional<ModePart> part = HitTestModeCorner(corners, v);
        if (!part)
            part = HitTestModeFrame(corners, v);
        if (part) {
            switch (*part) {
            case ModePart::TopLeft:
            case ModePart::BottomRight: m_host.showCursor(CursorShape::SizeFDiag); return;
            case ModePart::TopRight:
            case ModePart::BottomLeft: m_host.showCursor(CursorShape::SizeBDiag); return;
            case ModePart::Inside: m_host.showCursor(CursorShape::PointingHand); return;
            case ModePart::Left:
            case ModePart::Right: m_host.showCursor(CursorShape::SizeWidth); return;
            case ModePart::Top:
            case ModePart::Bottom: m_host.showCursor(CursorShape::SizeHeight); return;
            }
        }
        hoverNothing(v);
        return;
    }

    const HandleHit handle = HitTestHandle(doc(), m_host.screenGeometry(), v);
    if (handle.hit()) {
        m_host.showCursor(handleCursor(handle.handle));
        return;
    }
    const int node = HitTestNode(doc(), v, zoom());
    if (node >= 0) {
        const bool selected = doc().screen[node].selected != 0;
        m_host.showCursor(selected ? CursorShape::Hold : CursorShape::PointingHand);
        m_host.showGuide(HoverGuideText(selected, node));
        m_host.hoverNode(node, v);
        return;
    }
    hoverNothing(v);
}

void CanvasInteraction::hoverNothing(QPoint v)
{
    m_host.stopHoverAnimation();
    const CanvasEdge edge = CanvasEdgeAt(v, zoomedCanvas());
    if (edge != CanvasEdge::None) {
        m_host.showCursor(edge == CanvasEdge::Width ? CursorShape::SizeWidth : CursorShape::SizeHeight);
        m_host.showGuide(CanvasEdgeGuideText(edge));
        return;
    }
    if (!m_session.mode().active())
        m_host.showGuide({});
    m_host.showCursor(CursorShape::Arrow);
}

void CanvasInteraction::pressClosesDial()
{
    bool changed = false;
    if (m_console.dialActive) {
        m_console.dialActive = false;
        changed = true;
    }
    if (doc().state.consoleAlways == 0 && m_console.consoleVisible) {
        m_console.consoleVisible = false;
        changed = true;
    }
    if (changed)
        m_host.consoleChanged();
}

void CanvasInteraction::onLeftDown(QPoint p, Qt::KeyboardModifiers mods)
{
    m_host.stopHoverAnimation();
    const QPoint v = toView(p);
    m_pressClient = p;
    m_pressPoint = v;
    m_scrollAtPress = m_host.scrollPosition();

    if (m_console.dialActive && onRing(p, consoleCentre())) {
        m_console.dialPrevious = p;
        m_drag = DragKind::Dial;
        return;
    }
    const int consoleHit = hitTestConsole(p);
    if (consoleHit != kConsoleOutside) {
        if (consoleHit == kConsolePlus) {
            m_host.stepZoom(+1);
        } else if (consoleHit == kConsoleMinus) {
            m_host.stepZoom(-1);
        } else if (!m_console.dialActive) {
            m_console.dialActive = true;
            m_host.consoleChanged();
        }
        m_grabOffset = p - consoleCentre();
        m_drag = DragKind::Console;
        return;
    }

    RangeMode& mode = rangeMode();
    bool handled = false;
    if (mode.active()) {
        const auto corners = ModeFrameCorners(mode.modeRect, zoom());
        std::optional<ModePart> part = HitTestModeCorner(corners, v);
        const bool onFrame = !part;
        if (!part)
            part = HitTestModeFrame(corners, v);
        if (part) {
            if (mode.modePart != *part) {
                mode.modePart = *part;
                m_host.repaintScene();
            }
            m_modeDragPart = part;
            m_modeCandidate = {};
            m_drag = DragKind::ModeFrame;
            if (onFrame && !m_host.hasKeyboardFocus())
                m_host.takeFocus();
            handled = true;
        }
    } else {
        const HandleHit handle = HitTestHandle(doc(), m_host.screenGeometry(), v);
        if (handle.hit()) {
            m_handle = handle.handle;
            const bool changed = doc().state.mainIndex != handle.node;
            m_session.amend([&handle](Document& document) { document.state.mainIndex = handle.node; });
            m_resizeStart
                = doc().NodeRect(handle.node).scaled(zoom()).toQRect().translated(-m_host.scrollPosition());
            m_resizeResult = {};
            m_drag = DragKind::Resize;
            prepareSnapping();
            if (changed)
                m_session.commitSelection();
            handled = true;
        } else if (const int node = HitTestNode(doc(), v, zoom()); node >= 0) {
            if (!m_host.hasKeyboardFocus())
                m_host.takeFocus();
            const ClickKind click = ClickKindFor(mods.testFlag(Qt::ControlModifier), mods.testFlag(Qt::ShiftModifier));
            const SelectionOutcome outcome
                = m_session.amend([&](Document& document) { return ApplySelectionRule(document, node, click); });
            if (outcome.changed)
                m_session.commitSelection();
            if (outcome.startMove)
                startMove(p);
            handled = true;
        }
    }
    if (!handled) {
        switch (CanvasEdgeAt(v, zoomedCanvas())) {
        case CanvasEdge::Width: m_drag = DragKind::CanvasWidth; break;
        case CanvasEdge::Height: m_drag = DragKind::CanvasHeight; break;
        case CanvasEdge::None:
            // A range mode keeps the selection empty: the band has nothing to pick.
            if (mode.active())
                break;
            m_session.changeSelection([](Document& document) { DeselectAll(document); });
            m_drag = DragKind::Band;
            break;
        }
    }
    pressClosesDial();
}

void CanvasInteraction::onLeftUp(QPoint p, Qt::KeyboardModifiers mods)
{
    m_host.clearFeedback();
    const DragKind drag = m_drag;
    m_drag = DragKind::None;
    switch (drag) {
    case DragKind::Band: endBand(p); break;
    case DragKind::Dial: break;
    case DragKind::Console: endConsole(p); break;
    case DragKind::ModeFrame: endModeFrame(); break;
    case DragKind::Resize: endResize(); break;
    case DragKind::Move: endMove(p, mods); break;
    case DragKind::CanvasWidth:
    case DragKind::CanvasHeight:
        m_drag = drag; // the confirmation below may pump events; keep the drag until it is answered
        endCanvasEdge(p);
        m_drag = DragKind::None;
        break;
    case DragKind::None: break;
    }
    if (m_snapping) {
        m_snapping = false;
        m_snapTargets = {};
        m_host.showProposedPosition({});
    }
}

void CanvasInteraction::startMove(QPoint p)
{
    const NodeRecord& main = doc().nodes[doc().state.mainIndex];
    m_grabOffset = p
                   - (QPoint(scaleTrunc(main.centerX, zoom()), scaleTrunc(main.centerY, zoom()))
                      - m_host.scrollPosition());
    m_drag = DragKind::Move;
    m_moveBox = SelectionBox(doc());
    prepareSnapping();
    m_host.showCursor(CursorShape::Hold);
}

void CanvasInteraction::prepareSnapping()
{
    // Built once here, so a pointer move only searches sorted lists.
    m_snapping = m_host.snapEnabled();
    m_snapTargets = m_snapping ? BuildSnapTargets(doc()) : SnapTargets{};
}

bool CanvasInteraction::snapsNow(Qt::KeyboardModifiers mods) const
{
    return m_snapping && !mods.testFlag(Qt::AltModifier);
}

QLine CanvasInteraction::guideLine(Qt::Orientation along, const SnapHit& hit, int boxFrom, int boxTo) const
{
    const GuideSpan g = GuideFor(hit.line, boxFrom, boxTo);
    const float z = zoom();
    const QPoint scroll = m_host.scrollPosition();
    const int at = scaleTrunc(g.pos, z);
    const int from = scaleTrunc(g.from, z);
    const int to = scaleTrunc(g.to, z);
    if (along == Qt::Vertical)
        return QLine(at - scroll.x(), from - scroll.y(), at - scroll.x(), to - scroll.y());
    return QLine(from - scroll.x(), at - scroll.y(), to - scroll.x(), at - scroll.y());
}

bool CanvasInteraction::autoScroll(QPoint p)
{
    const QSize client = m_host.clientSize();
    QPoint step;
    if (p.x() > 0 && p.x() < kAutoScrollZone)
        step = {-kAutoScrollStep, 0};
    else if (p.x() > client.width() - kAutoScrollZone && p.x() < client.width())
        step = {kAutoScrollStep, 0};
    else if (p.y() > 0 && p.y() < kAutoScrollZone)
        step = {0, -kAutoScrollStep};
    else if (p.y() > client.height() - kAutoScrollZone && p.y() < client.height())
        step = {0, kAutoScrollStep};
    if (step.isNull())
        return false;
    const QPoint before = m_host.scrollPosition();
    m_host.setScrollPosition(before + step);
    return m_host.scrollPosition() != before;
}

CanvasInteraction::MoveProposal CanvasInteraction::proposeMove(QPoint client, Qt::KeyboardModifiers mods) const
{
    const QSize canvas = zoomedCanvas();
    const QPoint scroll = m_host.scrollPosition();
    const float z = zoom();
    MoveProposal m;
    // Any scrolling since the press counts, whether the drag scrolled the
    // window itself or the wheel or a scroll bar did.
    m.windowDelta = (client - m_pressClient) + (scroll - m_scrollAtPress);
    m.canvasDelta = MoveDisplacement(m.windowDelta, z);
    QPoint centre = client - m_grabOffset;
    const Document& d = doc();
    if (snapsNow(mods) && !m_moveBox.isEmpty() && d.hasMainSelection()) {
        const auto shifted = [](const IntRect& r, QPoint by) {
            return IntRect{r.left + by.x(), r.top + by.y(), r.right + by.x(), r.bottom + by.y()};
        };
        const IntRect box = shifted(m_moveBox, m.canvasDelta);
        const int xs[] = {box.left, box.right, (box.left + box.right) / 2};
        const int ys[] = {box.top, box.bottom, (box.top + box.bottom) / 2};
        const SnapHit hx = NearestSnap(m_snapTargets.x, xs, z);
        const SnapHit hy = NearestSnap(m_snapTargets.y, ys, z);
        m.canvasDelta += QPoint(hx.shift, hy.shift);
        const IntRect snapped = shifted(m_moveBox, m.canvasDelta);
        // A snapped axis draws the outline where the release puts the node.
        const IntRect main = shifted(d.NodeRect(d.state.mainIndex), m.canvasDelta).scaled(z);
        if (hx.hit) {
            centre.setX((main.left + main.right) / 2 - scroll.x());
            m.guides.push_back(guideLine(Qt::Vertical, hx, snapped.top, snapped.bottom));
        }
        if (hy.hit) {
            centre.setY((main.top + main.bottom) / 2 - scroll.y());
            m.guides.push_back(guideLine(Qt::Horizontal, hy, snapped.left, snapped.right));
        }
    }
    centre.setX(std::clamp(centre.x(), -scroll.x(), canvas.width() - scroll.x()));
    centre.setY(std::clamp(centre.y(), -scroll.y(), canvas.height() - scroll.y()));
    m.centre = centre;
    return m;
}

void CanvasInteraction::dragMove(QPoint p, Qt::KeyboardModifiers mods)
{
    // Scrolling the window takes the feedback away with the old picture.
    (void)autoScroll(p);
    const Document& d = doc();
    const int main = d.state.mainIndex;
    if (main < 0 || main >= d.state.nodeCount)
        return;
    const QPoint scroll = m_host.scrollPosition();
    MoveProposal proposal = proposeMove(p, mods);
    const IntRect r = d.NodeRect(main).scaled(zoom());
    const QPoint shift = proposal.centre - (QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2) - scroll);
    Feedback f;
    f.kind = Feedback::Kind::Move;
    f.corners = {QPoint(r.left, r.top) - scroll + shift, QPoint(r.right, r.top) - scroll + shift,
                 QPoint(r.right, r.bottom) - scroll + shift, QPoint(r.left, r.bottom) - scroll + shift};
    f.guides = std::move(proposal.guides);
    m_host.showFeedback(f);
    m_host.showGuide(kGuideMove);
    if (m_snapping) {
        const NodeRecord& n = d.nodes[main];
        m_host.showProposedPosition(QStringLiteral("%1, %2")
                                        .arg(n.centerX - n.halfWidth + proposal.canvasDelta.x())
                                        .arg(n.centerY - n.halfHeight + proposal.canvasDelta.y()));
    }
}

void CanvasInteraction::endMove(QPoint p, Qt::KeyboardModifiers mods)
{
    m_host.showCursor(CursorShape::Arrow);
    m_host.showGuide({});
    const MoveProposal proposal = proposeMove(p, mods);
    if (!ExceedsMoveThreshold(proposal.windowDelta))
        return;
    const QPoint d = proposal.canvasDelta;
    m_host.stopHoverAnimation();
    m_session.editIfChanged([d](Document& doc) { return MoveSelection(doc, d); });
    m_host.showGuide(kGuideAfterMove);
}

CanvasInteraction::ResizeProposal CanvasInteraction::proposeResizeSnapped(QPoint client, bool freeRatio,
                                                                           Qt::KeyboardModifiers mods) const
{
    const QSize canvas = zoomedCanvas();
    const QPoint scroll = m_host.scrollPosition();
    const QPoint canvasEnd = QPoint(canvas.width(), canvas.height()) - scroll;
    const float z = zoom();
    const int minSize = minimumResizeWindowPixels(z);
    const auto rectFor = [&](QPoint pointer, bool free) {
        return ResizeFeedbackRect(m_resizeStart, m_handle, pointer, canvasEnd, minSize, free);
    };
    ResizeProposal r{rectFor(client, freeRatio), {}};
    if (!snapsNow(mods))
        return r;

    const ResizeHandle h = m_handle;
    const bool leftMoves = h == ResizeHandle::TopLeft || h == ResizeHandle::BottomLeft || h == ResizeHandle::Left;
    const bool topMoves = h == ResizeHandle::TopLeft || h == ResizeHandle::TopRight || h == ResizeHandle::Top;
    bool snapX = IsCornerHandle(h) || h == ResizeHandle::Left || h == ResizeHandle::Right;
    bool snapY = IsCornerHandle(h) || h == ResizeHandle::Top || h == ResizeHandle::Bottom;
    const bool keepsRatio = IsCornerHandle(h) && !freeRatio && !m_resizeStart.isEmpty();
    if (keepsRatio) {
        // Only the leading side snaps; the other follows the ratio.
        const QRect free = rectFor(client, true);
        const long long w0 = m_resizeStart.width();
        const long long h0 = m_resizeStart.height();
        const bool widthLeads = std::abs(free.width() - w0) * h0 >= std::abs(free.height() - h0) * w0;
        snapX = widthLeads;
        snapY = !widthLeads;
    }
    // The moving sides as exclusive edges, client and canvas pixels.
    const auto sideX = [&](const QRect& q) { return leftMoves ? q.left() : q.left() + q.width(); };
    const auto sideY = [&](const QRect& q) { return topMoves ? q.top() : q.top() + q.height(); };
    QPoint pointer = client;
    SnapHit hx;
    SnapHit hy;
    if (snapX) {
        const int side = divTrunc(sideX(r.rect) + scroll.x(), z);
        const int sides[] = {side};
        hx = NearestSnap(m_snapTargets.x, sides, z);
        if (hx.hit)
            pointer.setX(scaleTrunc(hx.line.pos, z) - scroll.x());
    }
    if (snapY) {
        const int side = divTrunc(sideY(r.rect) + scroll.y(), z);
        const int sides[] = {side};
        hy = NearestSnap(m_snapTargets.y, sides, z);
        if (hy.hit)
            pointer.setY(scaleTrunc(hy.line.pos, z) - scroll.y());
    }
    if (!hx.hit && !hy.hit)
        return r;
    if (keepsRatio) {
        // The follower is put back where it began so that it cannot take the lead.
        if (hx.hit)
            pointer.setY(sideY(m_resizeStart));
        else
            pointer.setX(sideX(m_resizeStart));
    }
    r.rect = rectFor(pointer, freeRatio);
    // A side held back by the canvas or the least size shows no guide.
    const IntRect box{divTrunc(r.rect.left() + scroll.x(), z), divTrunc(r.rect.top() + scroll.y(), z),
                      divTrunc(r.rect.left() + r.rect.width() + scroll.x(), z),
                      divTrunc(r.rect.top() + r.rect.height() + scroll.y(), z)};
    if (hx.hit && sideX(r.rect) == pointer.x())
        r.guides.push_back(guideLine(Qt::Vertical, hx, box.top, box.bottom));
    if (hy.hit && sideY(r.rect) == pointer.y())
        r.guides.push_back(guideLine(Qt::Horizontal, hy, box.left, box.right));
    return r;
}

void CanvasInteraction::dragResize(QPoint p, Qt::KeyboardModifiers mods)
{
    const Document& d = doc();
    if (d.state.mainIndex < 0 || d.state.mainIndex >= d.state.nodeCount)
        return;
    ResizeProposal proposal = proposeResizeSnapped(p, mods.testFlag(Qt::ControlModifier), mods);
    m_resizeResult = proposal.rect;
    const QSize canvas = zoomedCanvas();
    const QPoint v = toView(p);
    const bool inside = v.x() > 0 && v.y() > 0 && v.x() < canvas.width() && v.y() < canvas.height();
    m_host.showCursor(inside ? CursorShape::Hold : CursorShape::HoldOutside);
    Feedback f;
    f.kind = Feedback::Kind::Resize;
    f.rect = m_resizeResult;
    f.guides = std::move(proposal.guides);
    m_host.showFeedback(f);
    if (m_snapping) {
        // As the release works it out: the centre and the half sizes apart.
        const QPoint scroll = m_host.scrollPosition();
        const QRect& q = m_resizeResult;
        const float z = zoom();
        const int left = divTrunc(q.left() + q.width() / 2 + scroll.x(), z) - divTrunc(q.width() / 2, z);
        const int top = divTrunc(q.top() + q.height() / 2 + scroll.y(), z) - divTrunc(q.height() / 2, z);
        m_host.showProposedPosition(QStringLiteral("%1, %2").arg(left).arg(top));
    }
    if (d.nodes[d.state.mainIndex].picture)
        m_host.showGuide(kGuideResize);
}

void CanvasInteraction::endResize()
{
    const QRect result = m_resizeResult;
    m_resizeResult = {};
    const Document& d = doc();
    if (result.isEmpty() || d.state.mainIndex < 0 || d.state.mainIndex >= d.state.nodeCount)
        return;
    const QRect start = m_resizeStart;
    const QPoint scroll = m_host.scrollPosition();
    const float z = zoom();
    const ResizeHandle handle = m_handle;
    m_session.edit([=](Document& doc) { ApplyResize(doc, start, result, scroll, z, handle); });
}

void CanvasInteraction::dragCanvasEdge(QPoint p)
{
    const QPoint v = toView(p);
    const QSize canvas = zoomedCanvas();
    const QPoint scroll = m_host.scrollPosition();
    const float z = zoom();
    Feedback f;
    f.kind = Feedback::Kind::CanvasBar;
    if (m_drag == DragKind::CanvasWidth) {
        const int x = std::clamp(v.x(), scaleTrunc(kMinCanvasSide, z), scaleTrunc(kMaxCanvasWidth, z));
        f.rect = QRect(x - 2 - scroll.x(), -scroll.y(), 4, canvas.height());
        if (v.y() < canvas.height() - kLabelClearance) {
            f.label = QString::number(divTrunc(x, z));
            f.labelAt = QPoint(p.x() - 8, p.y() + 20);
        }
    } else {
        const int y = std::clamp(v.y(), scaleTrunc(kMinCanvasSide, z), scaleTrunc(kMaxCanvasHeight, z));
        f.rect = QRect(-scroll.x(), y - 2 - scroll.y(), canvas.width(), 4);
        if (v.x() < canvas.width() - kHeightLabelClearance) {
            f.label = QString::number(divTrunc(y, z));
            f.labelAt = QPoint(p.x() + 30, y - scroll.y() - 6);
        }
    }
    m_host.showFeedback(f);
}

void CanvasInteraction::endCanvasEdge(QPoint p)
{
    const QPoint v = toView(p);
    const bool width = m_drag == DragKind::CanvasWidth;
    const int moved = width ? v.x() - m_pressPoint.x() : v.y() - m_pressPoint.y();
    if (std::abs(moved) < kCanvasDragThreshold)
        return;
    const CanvasScaleAnswer answer = m_host.askScaleNodes();
    if (answer == CanvasScaleAnswer::Cancel)
        return;
    const bool scaleNodes = answer == CanvasScaleAnswer::ScaleNodes;
    const CanvasAxis axis = width ? CanvasAxis::Width : CanvasAxis::Height;
    // Only a change of the margin alone must spare the nodes' central halves.
    const int size = CanvasSizeFromDrag(doc(), axis, width ? v.x() : v.y(), scaleNodes);
    m_session.editIfChanged([&](Document& document) {
        if (!ApplyCanvasSize(document, axis, size, scaleNodes))
            return false;
        m_host.canvasSizeChanged();
        return true;
    });
}

void CanvasInteraction::dragModeFrame(QPoint p)
{
    const RangeMode& mode = rangeMode();
    if (!mode.active() || !m_modeDragPart)
        return;
    const QPoint v = toView(p);
    const float z = zoom();
    const QPoint delta(divTrunc(v.x(), z) - divTrunc(m_pressPoint.x(), z),
                       divTrunc(v.y(), z) - divTrunc(m_pressPoint.y(), z));
    m_modeCandidate = DragModeFrame(mode.modeRect, *m_modeDragPart, delta, doc().NodeRect(mode.modeNode),
                                    minimumFrameGap(z));
    Feedback f;
    f.kind = Feedback::Kind::ModeFrame;
    const auto corners = ModeFrameCorners(m_modeCandidate, z);
    const QPoint scroll = m_host.scrollPosition();
    for (std::size_t i = 0; i < corners.size(); ++i)
        f.corners[i] = corners[i] - scroll;
    f.colour = doc().state.modeFrameColor;
    f.penWidth = std::max(1, scaleTrunc(doc().state.modeFrameWidth, z));
    m_host.showFeedback(f);
}

void CanvasInteraction::endModeFrame()
{
    const IntRect candidate = m_modeCandidate;
    m_modeCandidate = {};
    m_modeDragPart.reset();
    if (!candidate.isEmpty() && rangeMode().active())
        m_session.setModeRect(candidate);
}

void CanvasInteraction::dragBand(QPoint p)
{
    const QPoint start = m_pressPoint - m_host.scrollPosition();
    if (std::abs(p.x() - start.x()) < kBandThreshold && std::abs(p.y() - start.y()) < kBandThreshold)
        return;
    Feedback f;
    f.kind = Feedback::Kind::Band;
    f.rect = QRect(start, p).normalized();
    m_host.showFeedback(f);
}

void CanvasInteraction::endBand(QPoint p)
{
    const QPoint v = toView(p);
    if (std::abs(v.x() - m_pressPoint.x()) <= kBandThreshold && std::abs(v.y() - m_pressPoint.y()) <= kBandThreshold)
        return;
    if (doc().state.nodeCount == 0)
        return;
    const QRect band = QRect(QPoint(std::min(v.x(), m_pressPoint.x()), std::min(v.y(), m_pressPoint.y())),
                             QSize(std::abs(v.x() - m_pressPoint.x()), std::abs(v.y() - m_pressPoint.y())));
    const float z = zoom();
    m_session.changeSelection([z, &band](Document& document) { SelectInBand(document, z, band); });
}

void CanvasInteraction::dragConsole(QPoint p)
{
    const QPoint at = ClampConsolePosition(p.x() - m_grabOffset.x(), p.y() - m_grabOffset.y(), clientRect());
    Feedback f;
    f.kind = Feedback::Kind::Console;
    f.rect = QRect(at.x() - kConsoleRadius, at.y() - kConsoleRadius, kConsoleSize, kConsoleSize);
    m_host.showFeedback(f);
}

void CanvasInteraction::endConsole(QPoint p)
{
    const QPoint d = p - m_pressClient;
    if (std::abs(d.x()) < kConsoleDragThreshold && std::abs(d.y()) < kConsoleDragThreshold)
        return;
    const DocState& s = doc().state;
    moveConsoleTo(ClampConsolePosition(s.consoleX + d.x(), s.consoleY + d.y(), clientRect()));
}

void CanvasInteraction::dragDial(QPoint p)
{
    const QPoint centre = consoleCentre();
    m_host.showCursor(onRing(p, centre) ? CursorShape::HoldOutside : CursorShape::Hold);
    const int step = DialStep(m_console.dialPrevious, p, centre);
    m_console.dialPrevious = p;
    if (step != 0)
        m_host.stepZoom(step);
}

void CanvasInteraction::onRightUp(QPoint p, QPoint global)
{
    m_host.stopHoverAnimation();
    const QPoint v = toView(p);
    m_placementPoint = v;
    const QPoint centre = consoleCentre();
    if (PointMath::Distance(p.x(), p.y(), centre.x(), centre.y()) <= kConsoleRadius) {
        if (!m_console.consoleVisible) {
            m_console.consoleVisible = true;
            m_host.consoleChanged();
        }
        m_host.requestPopup(CanvasPopup::Zoom, global);
        return;
    }
    const RangeMode& mode = rangeMode();
    if (mode.active()) {
        if (!HitTestModeFrame(ModeFrameCorners(mode.modeRect, zoom()), v))
            return;
        static constexpr CanvasPopup kByKind[] = {CanvasPopup::Trim, CanvasPopup::Bokashi, CanvasPopup::MultiCut};
        m_host.requestPopup(kByKind[std::clamp(RangeKindIndex(mode.modeKind), 0, 2)], global);
        return;
    }
    const int node = HitTestNode(doc(), v, zoom());
    if (node < 0) {
        m_session.changeSelection([](Document& document) { DeselectAll(document); });
        const QSize canvas = zoomedCanvas();
        if (v.x() >= canvas.width() || v.y() >= canvas.height())
            return;
        m_host.requestPopup(CanvasPopup::View, global);
        return;
    }
    m_session.changeSelection([node](Document& document) {
        if (document.screen[node].selected == 0)
            DeselectAll(document);
        document.screen[node].selected = 1;
        document.state.mainIndex = node;
    });
    m_host.requestPopup(CanvasPopup::Image, global);
}

bool CanvasInteraction::key(Qt::Key key, Qt::KeyboardModifiers mods)
{
    const int s = mods.testFlag(Qt::ControlModifier) ? kFineStep : kArrowStep;
    switch (key) {
    case Qt::Key_Left: onArrow({-s, 0}); return true;
    case Qt::Key_Up: onArrow({0, -s}); return true;
    case Qt::Key_Right: onArrow({s, 0}); return true;
    case Qt::Key_Down: onArrow({0, s}); return true;
    case Qt::Key_Tab: onTab(mods.testFlag(Qt::ShiftModifier)); return true;
    case Qt::Key_Backtab: onTab(true); return true;
    default: return false;
    }
}

void CanvasInteraction::onArrow(QPoint step)
{
    const DocState& s = doc().state;
    if (m_console.consoleVisible && m_console.dialActive) {
        moveConsoleTo(ClampConsolePosition(s.consoleX + step.x(), s.consoleY + step.y(), clientRect()));
        return;
    }
    RangeMode& mode = rangeMode();
    if (mode.active()) {
        IntRect frame = mode.modeRect;
        if (StepModeFrame(frame, mode.modePart, step, doc().NodeRect(mode.modeNode)))
            m_session.setModeRect(frame);
        return;
    }
    if (s.mainIndex < 0 || s.mainIndex >= s.nodeCount)
        return;
    m_host.stopHoverAnimation();
    const QPoint d = MoveDisplacement(step, s.zoom);
    m_session.edit([d](Document& doc) { MoveSelection(doc, d); });
}

void CanvasInteraction::scrollToNode(int index)
{
    const DocState& s = doc().state;
    const QSize total = ScrollTotalSize(s.canvasWidth, s.canvasHeight, s.zoom);
    const QSize client = m_host.clientSize();
    const bool scrollX = total.width() > client.width();
    const bool scrollY = total.height() > client.height();
    if (!scrollX && !scrollY)
        return;
    const NodeRecord& n = doc().nodes[index];
    const int x = scrollX ? scaleTrunc(n.centerX, s.zoom) - client.width() / 2 : 0;
    const int y = scrollY ? scaleTrunc(n.centerY, s.zoom) - client.height() / 2 : 0;
    m_host.setScrollPosition({x, y});
}

void CanvasInteraction::onTab(bool backwards)
{
    RangeMode& mode = rangeMode();
    if (mode.active()) {
        mode.modePart = NextModePart(mode.modePart, backwards);
        m_host.repaintScene();
        return;
    }
    if (!m_session.amend([backwards](Document& document) { return CycleMainSelection(document, backwards); }))
        return;
    scrollToNode(doc().state.mainIndex);
    m_session.commitSelection();
}

} // namespace vq
