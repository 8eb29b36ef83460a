#pragma once

#include "edit/CanvasInteraction.h"
#include "model/Geometry.h"
#include "view/Feedback.h"
#include "view/HoverAnimation.h"
#include "render/ScreenGeometry.h"
#include "view/ZoomConsole.h"

#include <QAbstractScrollArea>
#include <QImage>
#include <QTimer>



class QMimeData;
class QPainter;
class QScrollBar;

namespace vq {

class Document;
class EditSession;
struct RangeMode;
struct SysSettings;

// The canvas view: shows the document's canvas at its zoom in a scroll area
// and hands mouse and key input to its interaction, which edits through the
// editing session and tells the view what to show. The scene is painted once into an off-screen image after each
// change; drag feedback and the hover animation are drawn over that image, so
// moving the pointer never repaints the nodes.
class CanvasView : public QAbstractScrollArea, private CanvasHost {
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
    [[nodiscard]] QPoint scrollPosition() const override;
    void setScrollPosition(QPoint p) override;
    // Scrollable extent: (canvas + 50) x zoom in both directions.
    void UpdateScrollSizes();
    // The client rectangle, (0, 0) at its top-left.
    [[nodiscard]] QRect clientRect() const;

    [[nodiscard]] RangeMode& rangeMode();
    [[nodiscard]] const RangeMode& rangeMode() const;
    [[nodiscard]] ConsoleState& consoleState() { return m_interaction.console(); }
    [[nodiscard]] bool consoleVisible() const { return m_interaction.console().consoleVisible; }
    void setConsoleVisible(bool visible);

    // Puts the current percentage on the console face.
    void RefreshConsoleImage();
    [[nodiscard]] const ZoomConsoleArt& consoleArt() const { return m_art; }
    // Which part of the console the client point is on (-1, 1, 2, 3); shows a
    // hidden console when the point is on it.
    int HitTestConsole(QPoint client);

    // Where the nodes lie on the screen at the screen's zoom.
    [[nodiscard]] const ScreenGeometry& screenGeometry() override;
    // View coordinates of the last right-click, where the next new node goes.
    [[nodiscard]] QPoint placementPoint() const { return m_interaction.placementPoint(); }
    void setPlacementPoint(QPoint view) { m_interaction.setPlacementPoint(view); }
    // The point, which a new node uses up.
    QPoint takePlacementPoint()
    {
        const QPoint p = m_interaction.placementPoint();
        m_interaction.setPlacementPoint({});
        return p;
    }
    // The hover animation, for its state.
    [[nodiscard]] const HoverAnimation& hoverAnimation() const { return m_anim; }
    [[nodiscard]] bool hoverTimerActive() const { return m_animTimer.isActive(); }
    [[nodiscard]] int hoverTimerInterval() const { return m_animTimer.interval(); }
    void StopHoverAnimation();
    // The text of the canvas-edge tooltip at the pointer; empty when none.
    [[nodiscard]] QString edgeTooltip() const { return m_interaction.edgeTooltip(); }
    // What is drawn over the scene now.
    [[nodiscard]] const Feedback& feedback() const { return m_feedback; }
    // The mouse and key interaction the view's input goes to.
    [[nodiscard]] CanvasInteraction& interaction() { return m_interaction; }

    // The client area painted exactly as the screen shows it once the
    // pictures it shows have been decoded (it waits for them).
    [[nodiscard]] QImage renderToImage();
    // True when the last paint drew every picture from its own decode and
    // nothing has changed since: no placeholder, no stand-in.
    [[nodiscard]] bool showsEveryPicture() const { return !m_sceneDirty && !m_sceneMissedPictures; }
    // True when the last paint showed something of every picture, if only
    // a stand-in, and nothing has changed since: no placeholder.
    [[nodiscard]] bool showsNoPlaceholder() const { return !m_sceneDirty && !m_scenePlaceholders; }
    // How often the scene has been drawn into its off-screen image; feedback
    // and the hover animation must leave it alone.
    [[nodiscard]] int sceneRenderCount() const { return m_sceneRenders; }

signals:
    // Text for the CURSOR pane: the pointer in canvas pixels, or empty.
    void cursorTextChanged(const QString& text);
    // Text for the POS pane while a snapping drag proposes a place for the
    // main node; empty when the drag is over and the document's place holds.
    void proposedPositionChanged(const QString& text);
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
    const Document& doc() const;
    [[nodiscard]] float zoom() const;
    [[nodiscard]] QSize zoomedCanvas() const;
    [[nodiscard]] QPoint toView(QPoint client) const { return client + scrollPosition(); }
    [[nodiscard]] QPoint consoleCentre() const;
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

    // What the interaction asks of the window (ViewMouse.cpp).
    [[nodiscard]] QSize clientSize() const override;
    [[nodiscard]] bool hasKeyboardFocus() const override;
    void takeFocus() override;
    void showFeedback(const Feedback& feedback) override { setFeedback(feedback); }
    void clearFeedback() override { RestoreFeedback(); }
    void showCursor(CursorShape shape) override;
    void showGuide(const QString& text) override;
    void showTooltip(QPoint client, const QString& text) override;
    void showCursorText(const QString& text) override;
    void showProposedPosition(const QString& text) override { emit proposedPositionChanged(text); }
    [[nodiscard]] bool snapEnabled() const override;
    void consoleChanged() override;
    void repaintScene() override { repaintNow(); }
    void hoverNode(int node, QPoint view) override;
    void stopHoverAnimation() override { StopHoverAnimation(); }
    void requestPopup(CanvasPopup popup, QPoint global) override;
    void stepZoom(int hundredths) override { StepZoom(hundredths); }
    void canvasSizeChanged() override { UpdateScrollSizes(); }
    [[nodiscard]] CanvasScaleAnswer askScaleNodes() override;

    // Hover animation (ViewHover.cpp).
    void onAnimationTick();

    EditSession& m_session;
    const SysSettings& m_sys;
    CanvasInteraction m_interaction;
    ZoomConsoleArt m_art;

    QImage m_scene;
    bool m_sceneDirty = true;
    bool m_sceneMissedPictures = false;
    bool m_scenePlaceholders = false;
    bool m_awaitingPreviews = false; // placeholders whose kept previews are on their way
    int m_sceneRenders = 0;
    ScreenGeometry m_geometry;
    bool m_geometryDirty = true;

    Feedback m_feedback;
    CursorShape m_cursor = CursorShape::Arrow;

    HoverAnimation m_anim;
    QTimer m_animTimer;
};

} // namespace vq
