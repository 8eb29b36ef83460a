#pragma once

#include "model/Geometry.h"
#include "view/Feedback.h"
#include "view/HoverAnimation.h"
#include "render/ScreenGeometry.h"
#include "view/ZoomConsole.h"

#include <QAbstractScrollArea>
#include <QImage>
#include <QTimer>

#include <utility>

class QMimeData;
class QPainter;
class QScrollBar;

namespace vq {

class Document;
class EditSession;
struct RangeMode;
struct SysSettings;

// The popups of the canvas's context menu, chosen by where the right button
// was released.
enum class CanvasPopup : int { View = 0, Image = 1, Trim = 2, Bokashi = 3, MultiCut = 4, Zoom = 5 };

// The canvas view: shows the document's canvas at its zoom in a scroll area
// and turns mouse, keyboard and wheel input into edits through the editing
// session. The scene is painted once into an off-screen image after each
// change; drag feedback and the hover animation are drawn over that image, so
// moving the pointer never repaints the nodes.
class CanvasView : public QAbstractScrollArea {
    Q_OBJECT
public:
    CanvasView(EditSession& session, const SysSettings& sys, QWidget* parent = nullptr);
    ~CanvasView() override;

    // After a new or opened document: scroll sizes, scroll position, transient
    // state; an opened document also shows the console as its consoleAlways
    // says and deselects every node.
    void OnInitialUpdate(bool opened);

    // Limits and applies a zoom, repaints, marks the document modified.
    void SetZoom(float value);
    // Changes the zoom by `hundredths` percentage points.
    void StepZoom(int hundredths);
    // The zoom and console commands; false for other ids.
    bool OnZoomCommand(int commandId);
    void OnToggleConsoleAlways();
    void OnConsoleTopLeft();
    // Ctrl+A: every node selected, the first one main.
    void OnSelectAll();
    // Esc: calls off the active range mode, whichever it is.
    void OnCancelMode();

    // Repaints the whole view at once.
    void repaintNow();
    [[nodiscard]] QPoint scrollPosition() const;
    void setScrollPosition(QPoint p);
    // Scrollable extent: (canvas + 50) x zoom in both directions.
    void UpdateScrollSizes();
    // The client rectangle, (0, 0) at its top-left.
    [[nodiscard]] QRect clientRect() const;

    [[nodiscard]] RangeMode& rangeMode();
    [[nodiscard]] const RangeMode& rangeMode() const;
    [[nodiscard]] ConsoleState& consoleState() { return m_console; }
    [[nodiscard]] bool consoleVisible() const { return m_console.consoleVisible; }
    void setConsoleVisible(bool visible);

    // Puts the current percentage on the console face.
    void RefreshConsoleImage();
    [[nodiscard]] const ZoomConsoleArt& consoleArt() const { return m_art; }
    // Which part of the console the client point is on (-1, 1, 2, 3); shows a
    // hidden console when the point is on it.
    int HitTestConsole(QPoint client);

    // Where the nodes lie on the screen at the screen's zoom.
    [[nodiscard]] const ScreenGeometry& screenGeometry();
    // View coordinates of the last right-click, where the next new node goes.
    [[nodiscard]] QPoint placementPoint() const { return m_placementPoint; }
    void setPlacementPoint(QPoint view) { m_placementPoint = view; }
    // The point, which a new node uses up.
    QPoint takePlacementPoint() { return std::exchange(m_placementPoint, QPoint()); }
    // The hover animation, for its state.
    [[nodiscard]] const HoverAnimation& hoverAnimation() const { return m_anim; }
    [[nodiscard]] bool hoverTimerActive() const { return m_animTimer.isActive(); }
    [[nodiscard]] int hoverTimerInterval() const { return m_animTimer.interval(); }
    void StopHoverAnimation();
    // The text of the canvas-edge tooltip at the pointer; empty when none.
    [[nodiscard]] QString edgeTooltip() const { return m_tooltip; }
    // What is drawn over the scene now.
    [[nodiscard]] const Feedback& feedback() const { return m_feedback; }

    // The client area painted exactly as the screen shows it.
    [[nodiscard]] QImage renderToImage();
    // How often the scene has been drawn into its off-screen image; feedback
    // and the hover animation must leave it alone.
    [[nodiscard]] int sceneRenderCount() const { return m_sceneRenders; }

signals:
    // Text for the CURSOR pane: the pointer in canvas pixels, or empty.
    void cursorTextChanged(const QString& text);
    // An operation guide text for the status bar (empty clears it); only
    // sent while the guide is switched on.
    void guideTextRequested(const QString& text);
    // The right button asks for popup `popup` at `globalPos`.
    void contextMenuRequested(CanvasPopup popup, QPoint globalPos);
    // Something was dropped at `viewPoint` (view coordinates); `node` is the
    // node under it or -1.
    void dropped(const QMimeData* data, QPoint viewPoint, int node);
    // The left button was double-clicked on the canvas outside any range
    // mode; `node` is the node under the pointer or -1 for the background.
    void doubleClicked(int node);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    enum class Drag { None, Band, Dial, Console, Mode, Resize, Move, CanvasWidth, CanvasHeight };

    const Document& doc() const;
    [[nodiscard]] float zoom() const;
    [[nodiscard]] QSize zoomedCanvas() const;
    [[nodiscard]] QPoint toView(QPoint client) const { return client + scrollPosition(); }
    [[nodiscard]] QPoint consoleCentre() const;
    void showGuide(const QString& text);
    void sceneChanged();

    // Painting (CanvasView.cpp).
    void PaintScene(QPainter& painter, QSize client);
    void DrawConsole(QPainter& painter, QSize client) const;
    void renderScene();
    void hideConsoleForScroll();
    void showConsoleAfterScroll();
    void connectScrollBar(QScrollBar* bar);
    void pullConsoleInside();

    // Feedback over the scene (ViewMouse.cpp).
    void setFeedback(const Feedback& feedback);
    void RestoreFeedback();

    // Pointer (ViewMouse.cpp).
    void onMouseMove(QPoint p, Qt::MouseButtons buttons, Qt::KeyboardModifiers mods);
    void hover(QPoint p);
    void hoverNothing(QPoint v);
    void setViewCursor(const QCursor& cursor, bool capture);
    void onLeftDown(QPoint p, Qt::KeyboardModifiers mods);
    void onLeftUp(QPoint p, Qt::KeyboardModifiers mods);
    void onRightUp(QPoint p, QPoint global);
    void pressClosesDial();
    void startMove(QPoint p, QPoint v);
    void dragMove(QPoint p);
    void endMove(QPoint p);
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

    // Keys and wheel (ViewKeys.cpp).
    bool onArrow(QPoint step);
    void onTab(bool backwards);
    void scrollToNode(int index);

    // Hover animation (ViewHover.cpp).
    void hoverAnimationRule(int node, QPoint v);
    void onAnimationTick();

    EditSession& m_session;
    const SysSettings& m_sys;
    ConsoleState m_console;
    ZoomConsoleArt m_art;

    QImage m_scene;
    bool m_sceneDirty = true;
    int m_sceneRenders = 0;
    ScreenGeometry m_geometry;
    bool m_geometryDirty = true;

    Drag m_drag = Drag::None;
    QPoint m_pressPoint;   // view coordinates of the press
    QPoint m_pressClient;  // client coordinates of the press
    QPoint m_grabOffset;
    QPoint m_scrolledSincePress;
    int m_handleIndex = -1;
    QRect m_resizeStart;   // the main node's rectangle at the press, client pixels
    QRect m_resizeResult;  // last feedback rectangle; empty when none yet
    int m_modeDragPart = -1;
    IntRect m_modeCandidate;
    QPoint m_placementPoint;
    Feedback m_feedback;
    QString m_tooltip;
    QCursor m_cursor;

    HoverAnimation m_anim;
    QTimer m_animTimer;
};

} // namespace vq
