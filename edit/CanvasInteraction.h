#pragma once

#include "edit/CanvasFeedback.h"
#include "edit/HitTest.h"
#include "edit/ModeFrame.h"
#include "edit/MoveResize.h"
#include "edit/Snapping.h"
#include "model/Geometry.h"

#include <QLine>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <Qt>

#include <vector>

namespace vq {

class Document;
class EditSession;
struct RangeMode;
struct ScreenGeometry;

// The popups of the canvas's context menu, chosen by where the right button
// was released.
enum class CanvasPopup : int { View = 0, Image = 1, Trim = 2, Bokashi = 3, MultiCut = 4, Zoom = 5 };

// The pointer shapes the canvas asks for: the system's own, and the
// program's drawn ones.
enum class CursorShape {
    Arrow,
    PointingHand,
    SizeFDiag,   // top-left and bottom-right corners
    SizeBDiag,   // top-right and bottom-left corners
    SizeVer,     // top and bottom handles
    SizeHor,     // left and right handles
    ZoomIn,      // over the console's plus button
    ZoomOut,     // over the console's minus button
    HoldOutside, // dial drag on the ring, resize with the pointer off the canvas
    Hold,        // moving nodes, over a selected node, dragging the console
    DialRing,    // over the ring of an active dial
    SizeWidth,   // left or right edge: the range frame's, the canvas's right edge
    SizeHeight,  // top or bottom edge: the range frame's, the canvas's bottom edge
};

// The drag a left-button press started; one at a time, ended by the release.
enum class DragKind { None, Band, Dial, Console, ModeFrame, Resize, Move, CanvasWidth, CanvasHeight };

// Transient state of the zoom console and the dial. Reset by the view's
// initial update; nothing here is saved with the document.
struct ConsoleState {
    bool consoleVisible = true;
    bool dialActive = false;
    bool consoleDragActive = false;
    bool dialDragActive = false;
    bool consoleHiddenByScroll = false;
    QPoint pressPoint;   // where the current drag began, client coordinates
    QPoint grabOffset;   // pointer minus console centre at the press
    QPoint dialPrevious; // pointer position of the previous dial step
};

// The user's answer to whether a canvas-size drag scales the nodes with it.
enum class CanvasScaleAnswer { ScaleNodes, KeepNodes, Cancel };

// What the canvas interaction needs of the window showing the canvas, and
// what it shows there. The window does no deciding of its own.
class CanvasHost {
public:
    [[nodiscard]] virtual QPoint scrollPosition() const = 0;
    virtual void setScrollPosition(QPoint position) = 0;
    [[nodiscard]] virtual QSize clientSize() const = 0;
    // Where the nodes lie on the screen at the current zoom.
    [[nodiscard]] virtual const ScreenGeometry& screenGeometry() = 0;
    [[nodiscard]] virtual bool hasKeyboardFocus() const = 0;
    virtual void takeFocus() = 0;

    // Drawn over the scene until replaced or cleared.
    virtual void showFeedback(const Feedback& feedback) = 0;
    virtual void clearFeedback() = 0;
    virtual void showCursor(CursorShape shape) = 0;
    // The operation guide; empty clears it.
    virtual void showGuide(const QString& text) = 0;
    // The canvas-edge tooltip at `client`; empty hides it.
    virtual void showTooltip(QPoint client, const QString& text) = 0;
    // The pointer in canvas pixels for the status bar; empty when off the canvas.
    virtual void showCursorText(const QString& text) = 0;
    // Where a snapping drag would put the main node's top-left, for the
    // status bar's position pane; empty gives the pane back to the document.
    virtual void showProposedPosition(const QString& text) = 0;
    // Whether drags snap to the canvas, the other nodes and the grid.
    [[nodiscard]] virtual bool snapEnabled() const = 0;
    // The console's visibility or dial changed: redraw it.
    virtual void consoleChanged() = 0;
    // Something the scene shows changed outside the document: draw it again now.
    virtual void repaintScene() = 0;
    // The pointer rests on `node` (view coordinates `view`): the hover animation's rule.
    virtual void hoverNode(int node, QPoint view) = 0;
    virtual void stopHoverAnimation() = 0;
    virtual void requestPopup(CanvasPopup popup, QPoint global) = 0;

    // The zoom steps by `hundredths` percentage points.
    virtual void stepZoom(int hundredths) = 0;
    // The canvas changed size inside an edit, before anyone hears of the edit.
    virtual void canvasSizeChanged() = 0;
    // Asks whether a canvas-size change scales the nodes.
    [[nodiscard]] virtual CanvasScaleAnswer askScaleNodes() = 0;

protected:
    ~CanvasHost() = default;
};

// The canvas's mouse and keyboard interaction without a widget: presses,
// moves, releases and keys come in; feedback, cursors and guides go out to
// the host, and the document changes through the editing session on release
// (or per key), one undo step each. Drags never change the document while
// they run.
class CanvasInteraction {
public:
    CanvasInteraction(EditSession& session, CanvasHost& host);

    // Pointer input in client pixels; `global` places a popup.
    void press(QPoint client, Qt::MouseButton button, Qt::KeyboardModifiers mods);
    void move(QPoint client, Qt::KeyboardModifiers mods);
    void release(QPoint client, QPoint global, Qt::MouseButton button, Qt::KeyboardModifiers mods);
    // Arrows and Tab; false for a key the canvas leaves to others.
    bool key(Qt::Key key, Qt::KeyboardModifiers mods);

    // A new or opened document: no drag, the console shown or not.
    void reset(bool consoleVisible);
    // Which part of the console the client point is on (ConsoleHit); shows a
    // hidden console when the point is on it.
    int hitTestConsole(QPoint client);

    [[nodiscard]] DragKind drag() const { return m_drag; }
    [[nodiscard]] ResizeHandle resizeHandle() const { return m_handle; }
    [[nodiscard]] ConsoleState& console() { return m_console; }
    [[nodiscard]] const ConsoleState& console() const { return m_console; }
    // The text of the canvas-edge tooltip at the pointer; empty when none.
    [[nodiscard]] const QString& edgeTooltip() const { return m_tooltip; }
    // View coordinates of the last right-click, where the next new node goes.
    [[nodiscard]] QPoint placementPoint() const { return m_placementPoint; }
    void setPlacementPoint(QPoint view) { m_placementPoint = view; }

    // Where a move drag stands with the pointer at `client`: the pointer's
    // travel since the press (scrolling included), the canvas displacement
    // the release applies (snapped unless Alt is held), where the main node's
    // centre is drawn, and the guides to what the selection snapped to. The
    // one place a proposed move is computed.
    struct MoveProposal {
        QPoint windowDelta;
        QPoint canvasDelta;
        QPoint centre; // client pixels, kept on the canvas
        std::vector<QLine> guides; // client pixels
    };
    [[nodiscard]] MoveProposal proposeMove(QPoint client, Qt::KeyboardModifiers mods = {}) const;
    // The main node's rectangle (client pixels) a resize drag proposes with
    // the pointer at `client`, and the guides to what its moving sides
    // snapped to; the release applies the last one proposed.
    struct ResizeProposal {
        QRect rect;
        std::vector<QLine> guides; // client pixels
    };
    [[nodiscard]] ResizeProposal proposeResizeSnapped(QPoint client, bool freeRatio,
                                                      Qt::KeyboardModifiers mods = {}) const;
    [[nodiscard]] QRect proposeResize(QPoint client, bool freeRatio, Qt::KeyboardModifiers mods = {}) const
    {
        return proposeResizeSnapped(client, freeRatio, mods).rect;
    }

private:
    [[nodiscard]] const Document& doc() const;
    [[nodiscard]] RangeMode& rangeMode();
    [[nodiscard]] float zoom() const;
    [[nodiscard]] QSize zoomedCanvas() const;
    [[nodiscard]] QRect clientRect() const;
    [[nodiscard]] QPoint toView(QPoint client) const { return client + m_host.scrollPosition(); }
    [[nodiscard]] QPoint consoleCentre() const;
    void moveConsoleTo(QPoint at);

    void hover(QPoint p);
    void hoverNothing(QPoint v);
    void onLeftDown(QPoint p, Qt::KeyboardModifiers mods);
    void onLeftUp(QPoint p, Qt::KeyboardModifiers mods);
    void onRightUp(QPoint p, QPoint global);
    void pressClosesDial();
    void prepareSnapping();
    [[nodiscard]] bool snapsNow(Qt::KeyboardModifiers mods) const;
    [[nodiscard]] QLine guideLine(Qt::Orientation along, const SnapHit& hit, int boxFrom, int boxTo) const;
    void startMove(QPoint p);
    void dragMove(QPoint p, Qt::KeyboardModifiers mods);
    void endMove(QPoint p, Qt::KeyboardModifiers mods);
    void dragResize(QPoint p, Qt::KeyboardModifiers mods);
    void endResize();
    void dragCanvasEdge(QPoint p);
    void endCanvasEdge(QPoint p);
    void dragModeFrame(QPoint p);
    void endModeFrame();
    void dragBand(QPoint p);
    void endBand(QPoint p);
    void dragConsole(QPoint p);
    void endConsole(QPoint p);
    void dragDial(QPoint p);
    [[nodiscard]] bool autoScroll(QPoint p);

    void onArrow(QPoint step);
    void onTab(bool backwards);
    void scrollToNode(int index);

    EditSession& m_session;
    CanvasHost& m_host;
    ConsoleState m_console;

    DragKind m_drag = DragKind::None;
    QPoint m_pressPoint;  // view coordinates of the press
    QPoint m_pressClient; // client coordinates of the press
    QPoint m_grabOffset;
    QPoint m_scrollAtPress;
    ResizeHandle m_handle = ResizeHandle::TopLeft;
    QRect m_resizeStart;  // the main node's rectangle at the press, client pixels
    QRect m_resizeResult; // last proposed rectangle; empty when none yet
    IntRect m_moveBox;    // the selection's bounding box at the press, canvas pixels
    bool m_snapping = false; // this drag snaps (Alt aside)
    SnapTargets m_snapTargets; // built once at the press
    std::optional<ModePart> m_modeDragPart; // frame part being dragged
    IntRect m_modeCandidate;
    QPoint m_placementPoint;
    QString m_tooltip;
};

} // namespace vq
