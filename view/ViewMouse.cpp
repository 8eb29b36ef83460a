// The mouse side of the canvas: what lies under the pointer, the cursor and
// guide it gives, how presses select, and the drags that end in an edit.
// Drags only draw feedback; the document changes on release, through the
// editing session, with one undo step.
#include "view/CanvasView.h"

#include "edit/EditSession.h"
#include "edit/ModeFrame.h"
#include "edit/MoveResize.h"
#include "model/RangeModeState.h"
#include "edit/Selection.h"
#include "model/Document.h"
#include "base/Messages.h"
#include "base/Prompter.h"
#include "view/PointMath.h"
#include "view/Cursors.h"
#include "view/HitTest.h"
#include "render/ViewGeometry.h"

#include <QMouseEvent>
#include <QScrollBar>
#include <QToolTip>

#include <cstdlib>

namespace vq {

namespace {

constexpr int kAutoScrollZone = 50;
constexpr int kAutoScrollStep = 10;
constexpr int kBandThreshold = 10;
constexpr int kConsoleDragThreshold = 4;
constexpr int kLabelClearance = 50;       // width bar: label only this far above the canvas bottom
constexpr int kHeightLabelClearance = 70; // height bar: label only this far left of the right edge

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

} // namespace

void CanvasView::setViewCursor(const QCursor& cursor, bool)
{
    if (m_cursor.shape() == cursor.shape() && cursor.shape() != Qt::BitmapCursor)
        return;
    m_cursor = cursor;
    viewport()->setCursor(cursor);
}

void CanvasView::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        onLeftDown(p, event->modifiers());
    else if (event->button() == Qt::RightButton)
        StopHoverAnimation();
    event->accept();
}

void CanvasView::mouseMoveEvent(QMouseEvent* event)
{
    onMouseMove(event->position().toPoint(), event->buttons(), event->modifiers());
    event->accept();
}

void CanvasView::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        onLeftUp(p, event->modifiers());
    else if (event->button() == Qt::RightButton)
        onRightUp(p, event->globalPosition().toPoint());
    event->accept();
}

void CanvasView::onMouseMove(QPoint p, Qt::MouseButtons, Qt::KeyboardModifiers mods)
{
    const QPoint v = toView(p);
    const QSize canvas = zoomedCanvas();
    if (v.x() >= 0 && v.y() >= 0 && v.x() < canvas.width() && v.y() < canvas.height())
        emit cursorTextChanged(QStringLiteral("%1, %2").arg(divTrunc(v.x(), zoom())).arg(divTrunc(v.y(), zoom())));
    else
        emit cursorTextChanged({});

    if (m_drag == Drag::Band) {
        dragBand(p);
        return;
    }
    const DocState& s = doc().state;
    m_tooltip = CanvasEdgeTooltip(v, canvas, s.canvasWidth, s.canvasHeight);
    switch (m_drag) {
    case Drag::Dial: dragDial(p); return;
    case Drag::Console: dragConsole(p); return;
    case Drag::Mode: dragModeFrame(p); return;
    case Drag::Resize: dragResize(p, mods); return;
    case Drag::Move: dragMove(p); return;
    case Drag::CanvasWidth:
    case Drag::CanvasHeight: dragCanvasEdge(p); return;
    default: break;
    }
    hover(p);
}

void CanvasView::hover(QPoint p)
{
    const QPoint v = toView(p);
    if (!clientRect().contains(p)) {
        StopHoverAnimation();
        setViewCursor(Qt::ArrowCursor, false);
        return;
    }
    if (m_console.dialActive && onRing(p, consoleCentre())) {
        setViewCursor(ProgramCursor(316), true);
        return;
    }
    switch (HitTestConsole(p)) {
    case kConsolePlus: setViewCursor(ProgramCursor(311), true); return;
    case kConsoleMinus: setViewCursor(ProgramCursor(312), true); return;
    case kConsoleBody:
        setViewCursor(m_console.dialActive ? ProgramCursor(315) : QCursor(Qt::PointingHandCursor), true);
        return;
    default: break;
    }

    if (m_tooltip.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(viewport()->mapToGlobal(p), m_tooltip, viewport());

    const RangeMode& mode = rangeMode();
    if (mode.active()) {
        const auto corners = ModeFrameCorners(mode.modeRect, zoom());
        switch (HitTestModeCorner(corners, v)) {
        case kPartTopLeft:
        case kPartBottomRight: setViewCursor(Qt::SizeFDiagCursor, true); return;
        case kPartTopRight:
        case kPartBottomLeft: setViewCursor(Qt::SizeBDiagCursor, true); return;
        default: break;
        }
        switch (HitTestModeFrame(corners, v)) {
        case kPartInside: setViewCursor(Qt::PointingHandCursor, true); return;
        case kPartLeft:
        case kPartRight: setViewCursor(ProgramCursor(326), true); return;
        case kPartTop:
        case kPartBottom: setViewCursor(ProgramCursor(327), true); return;
        default: break;
        }
        hoverNothing(v);
        return;
    }

    const HandleHit handle = HitTestHandle(doc(), screenGeometry(), v);
    if (handle.node >= 0) {
        static constexpr Qt::CursorShape kHandleCursors[] = {Qt::SizeFDiagCursor, Qt::SizeBDiagCursor,
                                                             Qt::SizeFDiagCursor, Qt::SizeBDiagCursor,
                                                             Qt::SizeVerCursor,   Qt::SizeHorCursor,
                                                             Qt::SizeVerCursor,   Qt::SizeHorCursor};
        setViewCursor(kHandleCursors[handle.handle & 7], true);
        return;
    }
    const int node = HitTestNode(doc(), v, zoom());
    if (node >= 0) {
        const bool selected = doc().screen[node].selected != 0;
        setViewCursor(selected ? ProgramCursor(315) : QCursor(Qt::PointingHandCursor), true);
        showGuide(HoverGuideText(selected, node));
        hoverAnimationRule(node, v);
        return;
    }
    hoverNothing(v);
}

void CanvasView::hoverNothing(QPoint v)
{
    StopHoverAnimation();
    const CanvasEdge edge = CanvasEdgeAt(v, zoomedCanvas());
    if (edge != CanvasEdge::None) {
        setViewCursor(ProgramCursor(edge == CanvasEdge::Width ? 326 : 327), true);
        showGuide(CanvasEdgeGuideText(edge));
        return;
    }
    if (!rangeMode().active())
        showGuide({});
    setViewCursor(Qt::ArrowCursor, false);
}

void CanvasView::pressClosesDial()
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
        viewport()->update();
}

void CanvasView::onLeftDown(QPoint p, Qt::KeyboardModifiers mods)
{
    StopHoverAnimation();
    const QPoint v = toView(p);
    m_pressClient = p;
    m_pressPoint = v;
    m_scrolledSincePress = {};

    if (m_console.dialActive && onRing(p, consoleCentre())) {
        m_console.dialPrevious = p;
        m_drag = Drag::Dial;
        return;
    }
    const int consoleHit = HitTestConsole(p);
    if (consoleHit != kConsoleOutside) {
        if (consoleHit == kConsolePlus) {
            StepZoom(+1);
        } else if (consoleHit == kConsoleMinus) {
            StepZoom(-1);
        } else if (!m_console.dialActive) {
            m_console.dialActive = true;
            viewport()->update();
        }
        m_grabOffset = p - consoleCentre();
        m_drag = Drag::Console;
        return;
    }

    RangeMode& mode = rangeMode();
    bool handled = false;
    if (mode.active()) {
        const auto corners = ModeFrameCorners(mode.modeRect, zoom());
        int part = HitTestModeCorner(corners, v);
        const bool onFrame = part < 0;
        if (part < 0)
            part = HitTestModeFrame(corners, v);
        if (part >= 0) {
            if (mode.modePart != part) {
                mode.modePart = part;
                repaintNow();
            }
            m_modeDragPart = part;
            m_modeCandidate = {};
            m_drag = Drag::Mode;
            if (onFrame && !hasFocus())
                setFocus(Qt::MouseFocusReason);
            handled = true;
        }
    } else {
        const HandleHit handle = HitTestHandle(doc(), screenGeometry(), v);
        if (handle.node >= 0) {
            m_handleIndex = handle.handle;
            const bool changed = doc().state.mainIndex != handle.node;
            m_session.amend([&handle](Document& document) { document.state.mainIndex = handle.node; });
            m_resizeStart = doc().NodeRect(handle.node).scaled(zoom()).toQRect().translated(-scrollPosition());
            m_resizeResult = {};
            m_drag = Drag::Resize;
            if (changed)
                m_session.commitSelection();
            handled = true;
        } else if (const int node = HitTestNode(doc(), v, zoom()); node >= 0) {
            if (!hasFocus())
                setFocus(Qt::MouseFocusReason);
            const ClickKind click = ClickKindFor(mods.testFlag(Qt::ControlModifier), mods.testFlag(Qt::ShiftModifier));
            const SelectionOutcome outcome
                = m_session.amend([&](Document& document) { return ApplySelectionRule(document, node, click); });
            if (outcome.changed)
                m_session.commitSelection();
            if (outcome.startMove)
                startMove(p, v);
            handled = true;
        }
    }
    if (!handled) {
        switch (CanvasEdgeAt(v, zoomedCanvas())) {
        case CanvasEdge::Width: m_drag = Drag::CanvasWidth; break;
        case CanvasEdge::Height: m_drag = Drag::CanvasHeight; break;
        case CanvasEdge::None:
            m_session.changeSelection([](Document& document) { DeselectAll(document); });
            m_drag = Drag::Band;
            break;
        }
    }
    pressClosesDial();
}

void CanvasView::onLeftUp(QPoint p, Qt::KeyboardModifiers)
{
    RestoreFeedback();
    const Drag drag = m_drag;
    m_drag = Drag::None;
    switch (drag) {
    case Drag::Band: endBand(p); break;
    case Drag::Dial: break;
    case Drag::Console: endConsole(p); break;
    case Drag::Mode: endModeFrame(); break;
    case Drag::Resize: endResize(); break;
    case Drag::Move: endMove(p); break;
    case Drag::CanvasWidth:
    case Drag::CanvasHeight:
        m_drag = drag; // the confirmation below may pump events; keep the drag until it is answered
        endCanvasEdge(p);
        m_drag = Drag::None;
        break;
    case Drag::None: break;
    }
}

void CanvasView::startMove(QPoint p, QPoint v)
{
    const NodeRecord& main = doc().nodes[doc().state.mainIndex];
    m_pressPoint = v;
    m_grabOffset = p - (QPoint(scaleTrunc(main.centerX, zoom()), scaleTrunc(main.centerY, zoom())) - scrollPosition());
    m_drag = Drag::Move;
    setViewCursor(ProgramCursor(315), true);
}

bool CanvasView::autoScroll(QPoint p)
{
    const QSize client = viewport()->size();
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
    const QPoint before = scrollPosition();
    setScrollPosition(before + step);
    const QPoint moved = scrollPosition() - before;
    m_scrolledSincePress += moved;
    return !moved.isNull();
}

void CanvasView::dragMove(QPoint p)
{
    if (autoScroll(p))
        m_feedback = {};
    const Document& d = doc();
    const int main = d.state.mainIndex;
    if (main < 0 || main >= d.state.nodeCount)
        return;
    const QSize canvas = zoomedCanvas();
    const QPoint scroll = scrollPosition();
    QPoint target = p - m_grabOffset;
    target.setX(std::clamp(target.x(), -scroll.x(), canvas.width() - scroll.x()));
    target.setY(std::clamp(target.y(), -scroll.y(), canvas.height() - scroll.y()));
    const IntRect r = d.NodeRect(main).scaled(zoom());
    const QPoint shift = target - (QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2) - scroll);
    Feedback f;
    f.kind = Feedback::Kind::Move;
    f.corners = {QPoint(r.left, r.top) - scroll + shift, QPoint(r.right, r.top) - scroll + shift,
                 QPoint(r.right, r.bottom) - scroll + shift, QPoint(r.left, r.bottom) - scroll + shift};
    setFeedback(f);
    showGuide(kGuideMove);
}

void CanvasView::endMove(QPoint p)
{
    setViewCursor(Qt::ArrowCursor, false);
    showGuide({});
    const QPoint c = (p - m_pressClient) + m_scrolledSincePress;
    if (!ExceedsMoveThreshold(c))
        return;
    const QPoint d = MoveDisplacement(c, zoom());
    StopHoverAnimation();
    m_session.editIfChanged([d](Document& doc) { return MoveSelection(doc, d); });
    showGuide(kGuideAfterMove);
}

void CanvasView::dragResize(QPoint p, Qt::KeyboardModifiers mods)
{
    const Document& d = doc();
    if (d.state.mainIndex < 0 || d.state.mainIndex >= d.state.nodeCount)
        return;
    const QSize canvas = zoomedCanvas();
    const QPoint scroll = scrollPosition();
    const QPoint canvasEnd = QPoint(canvas.width(), canvas.height()) - scroll;
    m_resizeResult = ResizeFeedbackRect(m_resizeStart, m_handleIndex, p, canvasEnd, minimumResizeWindowPixels(zoom()),
                                        mods.testFlag(Qt::ControlModifier));
    const QPoint v = toView(p);
    const bool inside = v.x() > 0 && v.y() > 0 && v.x() < canvas.width() && v.y() < canvas.height();
    setViewCursor(inside ? ProgramCursor(315) : ProgramCursor(314), true);
    Feedback f;
    f.kind = Feedback::Kind::Resize;
    f.rect = m_resizeResult;
    setFeedback(f);
    if (d.nodes[d.state.mainIndex].picture)
        showGuide(kGuideResize);
}

void CanvasView::endResize()
{
    const QRect result = m_resizeResult;
    m_resizeResult = {};
    const Document& d = doc();
    if (result.isEmpty() || d.state.mainIndex < 0 || d.state.mainIndex >= d.state.nodeCount)
        return;
    const QRect start = m_resizeStart;
    const QPoint scroll = scrollPosition();
    const float z = zoom();
    const int handle = m_handleIndex;
    m_session.edit([=](Document& doc) { ApplyResize(doc, start, result, scroll, z, handle); });
}

void CanvasView::dragCanvasEdge(QPoint p)
{
    const QPoint v = toView(p);
    const QSize canvas = zoomedCanvas();
    const QPoint scroll = scrollPosition();
    const float z = zoom();
    Feedback f;
    f.kind = Feedback::Kind::CanvasBar;
    if (m_drag == Drag::CanvasWidth) {
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
    setFeedback(f);
}

void CanvasView::endCanvasEdge(QPoint p)
{
    const QPoint v = toView(p);
    const bool width = m_drag == Drag::CanvasWidth;
    const int moved = width ? v.x() - m_pressPoint.x() : v.y() - m_pressPoint.y();
    if (std::abs(moved) < kCanvasDragThreshold)
        return;
    const int answer = ShowMessage(30007, window(), {}, kStyleYesNoCancel);
    if (answer != kIdYes && answer != kIdNo)
        return;
    const bool scaleNodes = answer == kIdYes;
    const CanvasAxis axis = width ? CanvasAxis::Width : CanvasAxis::Height;
    // Only a change of the margin alone must spare the nodes' central halves.
    const int size = CanvasSizeFromDrag(doc(), axis, width ? v.x() : v.y(), scaleNodes);
    m_session.editIfChanged([&](Document& document) {
        if (!ApplyCanvasSize(document, axis, size, scaleNodes))
            return false;
        UpdateScrollSizes();
        return true;
    });
}

void CanvasView::dragModeFrame(QPoint p)
{
    const RangeMode& mode = rangeMode();
    if (!mode.active() || m_modeDragPart < 0)
        return;
    const QPoint v = toView(p);
    const float z = zoom();
    const QPoint delta(divTrunc(v.x(), z) - divTrunc(m_pressPoint.x(), z),
                       divTrunc(v.y(), z) - divTrunc(m_pressPoint.y(), z));
    m_modeCandidate = DragModeFrame(mode.modeRect, m_modeDragPart, delta, doc().NodeRect(mode.modeNode),
                                    minimumFrameGap(z));
    Feedback f;
    f.kind = Feedback::Kind::ModeFrame;
    const auto corners = ModeFrameCorners(m_modeCandidate, z);
    for (std::size_t i = 0; i < corners.size(); ++i)
        f.corners[i] = corners[i] - scrollPosition();
    f.colour = doc().state.modeFrameColor;
    f.penWidth = std::max(1, scaleTrunc(doc().state.modeFrameWidth, z));
    setFeedback(f);
}

void CanvasView::endModeFrame()
{
    const IntRect candidate = m_modeCandidate;
    m_modeCandidate = {};
    m_modeDragPart = -1;
    if (!candidate.isEmpty() && rangeMode().active())
        m_session.setModeRect(candidate);
}

void CanvasView::dragBand(QPoint p)
{
    const QPoint start = m_pressPoint - scrollPosition();
    if (std::abs(p.x() - start.x()) < kBandThreshold && std::abs(p.y() - start.y()) < kBandThreshold)
        return;
    Feedback f;
    f.kind = Feedback::Kind::Band;
    f.rect = QRect(start, p).normalized();
    setFeedback(f);
}

void CanvasView::endBand(QPoint p)
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

void CanvasView::dragConsole(QPoint p)
{
    const QPoint at = ClampConsolePosition(p.x() - m_grabOffset.x(), p.y() - m_grabOffset.y(), clientRect());
    Feedback f;
    f.kind = Feedback::Kind::Console;
    f.rect = QRect(at.x() - kConsoleRadius, at.y() - kConsoleRadius, kConsoleSize, kConsoleSize);
    setFeedback(f);
}

void CanvasView::endConsole(QPoint p)
{
    const QPoint d = p - m_pressClient;
    if (std::abs(d.x()) < kConsoleDragThreshold && std::abs(d.y()) < kConsoleDragThreshold)
        return;
    const DocState& s = doc().state;
    const QPoint at = ClampConsolePosition(s.consoleX + d.x(), s.consoleY + d.y(), clientRect());
    m_session.changeWithoutUndo([at](Document& document) {
        document.state.consoleX = at.x();
        document.state.consoleY = at.y();
    });
}

void CanvasView::dragDial(QPoint p)
{
    const QPoint centre = consoleCentre();
    setViewCursor(onRing(p, centre) ? ProgramCursor(314) : ProgramCursor(315), true);
    const int step = DialStep(m_console.dialPrevious, p, centre);
    m_console.dialPrevious = p;
    if (step != 0)
        StepZoom(step);
}

void CanvasView::onRightUp(QPoint p, QPoint global)
{
    StopHoverAnimation();
    const QPoint v = toView(p);
    m_placementPoint = v;
    const QPoint centre = consoleCentre();
    if (PointMath::Distance(p.x(), p.y(), centre.x(), centre.y()) <= kConsoleRadius) {
        if (!m_console.consoleVisible) {
            m_console.consoleVisible = true;
            viewport()->update();
        }
        emit contextMenuRequested(CanvasPopup::Zoom, global);
        return;
    }
    const RangeMode& mode = rangeMode();
    if (mode.active()) {
        if (HitTestModeFrame(ModeFrameCorners(mode.modeRect, zoom()), v) < 0)
            return;
        static constexpr CanvasPopup kByKind[] = {CanvasPopup::Trim, CanvasPopup::Bokashi, CanvasPopup::MultiCut};
        emit contextMenuRequested(kByKind[std::clamp(mode.modeKind, 0, 2)], global);
        return;
    }
    const int node = HitTestNode(doc(), v, zoom());
    if (node < 0) {
        m_session.changeSelection([](Document& document) { DeselectAll(document); });
        const QSize canvas = zoomedCanvas();
        if (v.x() >= canvas.width() || v.y() >= canvas.height())
            return;
        emit contextMenuRequested(CanvasPopup::View, global);
        return;
    }
    m_session.changeSelection([node](Document& document) {
        if (document.screen[node].selected == 0)
            DeselectAll(document);
        document.screen[node].selected = 1;
        document.state.mainIndex = node;
    });
    emit contextMenuRequested(CanvasPopup::Image, global);
}

} // namespace vq
