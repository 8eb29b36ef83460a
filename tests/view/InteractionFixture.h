#pragma once

// The real canvas view driven by mouse, key and wheel events, with nodes laid
// out in canvas pixels and every question answered from a script.
#include "app/MainWindow.h"
#include "app/StatusBar.h"
#include "app/Application.h"
#include "edit/EditSession.h"
#include "model/RangeModeState.h"
#include "imaging/PictureCache.h"
#include "model/Document.h"
#include "model/UndoHistory.h"
#include "tests/support/Isolation.h"
#include "tests/support/ScriptedPrompter.h"
#include "tests/view/ViewTestSupport.h"
#include "view/CanvasView.h"
#include "render/ViewGeometry.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <vector>

inline void PrintTo(const QPoint& p, std::ostream* os)
{
    *os << '(' << p.x() << ", " << p.y() << ')';
}

namespace vq::test {

// A node as the tests place it: centre and half sizes in canvas pixels.
struct NodeBox {
    int cx = 0;
    int cy = 0;
    int hw = 0;
    int hh = 0;
    bool operator==(const NodeBox&) const = default;
};

inline void PrintTo(const NodeBox& b, std::ostream* os)
{
    *os << "{centre " << b.cx << ", " << b.cy << " half " << b.hw << " x " << b.hh << '}';
}

// Mouse, key and wheel input for the view under test, in client pixels.
class CanvasInput {
public:
    [[nodiscard]] virtual CanvasView& canvasView() = 0;
    [[nodiscard]] virtual Document& document() = 0;
    virtual ~CanvasInput() = default;

    [[nodiscard]] QWidget* vp() { return canvasView().viewport(); }
    [[nodiscard]] DocState& state() { return document().state; }
    [[nodiscard]] float zoom() { return state().zoom; }

    // Where a canvas point is in the window now.
    [[nodiscard]] QPoint clientOf(QPoint canvas)
    {
        return CanvasToScreen(canvas, zoom()) - canvasView().scrollPosition();
    }

    int addNode(const NodeBox& b)
    {
        Document& d = document();
        EXPECT_TRUE(AppendNode(d, makeJpegPicture({40, 30}, QColor(200, 60, 40)), 40, 30, b.cx, b.cy));
        const int i = d.state.nodeCount - 1;
        d.nodes[i].centerX = b.cx;
        d.nodes[i].centerY = b.cy;
        d.nodes[i].halfWidth = b.hw;
        d.nodes[i].halfHeight = b.hh;
        d.clearSelection();
        canvasView().repaintNow();
        return i;
    }
    [[nodiscard]] NodeBox box(int i)
    {
        const NodeRecord& n = document().nodes[i];
        return {n.centerX, n.centerY, n.halfWidth, n.halfHeight};
    }
    void select(std::initializer_list<int> nodes, int main)
    {
        document().clearSelection();
        for (int i : nodes)
            document().screen[i].selected = 1;
        state().mainIndex = main;
        canvasView().repaintNow();
    }
    [[nodiscard]] std::vector<int> selected()
    {
        std::vector<int> s;
        for (int i = 0; i < state().nodeCount; ++i)
            if (document().screen[i].selected != 0)
                s.push_back(i);
        return s;
    }

    void press(QPoint p, Qt::KeyboardModifiers mods = {}, Qt::MouseButton b = Qt::LeftButton)
    {
        QTest::mousePress(vp(), b, mods, p);
        m_held = b;
    }
    // Modifiers during a move reach the view only in the event itself.
    void move(QPoint p, Qt::KeyboardModifiers mods = {})
    {
        if (mods == Qt::NoModifier) {
            QTest::mouseMove(vp(), p);
            return;
        }
        QMouseEvent e(QEvent::MouseMove, QPointF(p), vp()->mapToGlobal(QPointF(p)), Qt::NoButton, m_held, mods);
        QApplication::sendEvent(vp(), &e);
    }
    void release(QPoint p, Qt::KeyboardModifiers mods = {}, Qt::MouseButton b = Qt::LeftButton)
    {
        QTest::mouseRelease(vp(), b, mods, p);
        m_held = Qt::NoButton;
    }
    // Press, a few moves on the way and the release, as a hand makes it.
    void drag(QPoint from, QPoint to, Qt::KeyboardModifiers mods = {})
    {
        press(from, mods);
        for (int k = 1; k <= 3; ++k)
            move(from + (to - from) * k / 3, mods);
        release(to, mods);
    }
    void click(QPoint p, Qt::KeyboardModifiers mods = {})
    {
        press(p, mods);
        release(p, mods);
    }
    void rightClick(QPoint p)
    {
        press(p, {}, Qt::RightButton);
        release(p, {}, Qt::RightButton);
    }
    // A wheel notch: negative `delta` turns the wheel towards the user.
    void wheel(QPoint p, int delta, Qt::KeyboardModifiers mods = {}, Qt::MouseButtons buttons = Qt::NoButton)
    {
        QWheelEvent e(QPointF(p), vp()->mapToGlobal(QPointF(p)), QPoint(), QPoint(0, delta), buttons, mods,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(vp(), &e);
    }
    void key(Qt::Key k, Qt::KeyboardModifiers mods = {}) { QTest::keyClick(&canvasView(), k, mods); }

    // A move to where the pointer already is never arrives, and the pointer
    // stays where the previous test left it: each test starts it in a corner
    // where it finds nothing.
    void parkPointer() { QTest::mouseMove(vp(), QPoint(vp()->width() - 1, vp()->height() - 1)); }

private:
    Qt::MouseButtons m_held = Qt::NoButton;
};

// The canvas view alone in an 800 x 600 window, on a new 1000 x 1000 document
// at zoom 1 with the console at its home place; no guide, no animation.
class CanvasTest : public IsolatedTest, public CanvasInput {
protected:
    void SetUp() override
    {
        IsolatedTest::SetUp();
        PictureCache::instance().clear();
        prompter = std::make_unique<ScriptedPrompter>();
        app = std::make_unique<Application>();
        app->edits().editableDoc().ResetDocument();
        app->sys().playAnime = 0;
        app->sys().dspGuide = 0;
        view = std::make_unique<CanvasView>(app->edits(), app->sys());
        view->resize(800, 600);
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        view->OnInitialUpdate(false);
        view->setFocus();
        parkPointer();
    }
    void TearDown() override
    {
        view.reset();
        app.reset();
        prompter.reset();
        IsolatedTest::TearDown();
    }

    CanvasView& canvasView() override { return *view; }
    Document& document() override { return app->edits().editableDoc(); }
    [[nodiscard]] UndoHistory& history() { return app->history(); }
    bool undo() { return app->edits().UndoRedo(true); }

    std::unique_ptr<ScriptedPrompter> prompter;
    std::unique_ptr<Application> app;
    std::unique_ptr<CanvasView> view;
};

// The whole program started as at start-up: the canvas inside its main window
// with the status bar, the key tables and the command handlers.
class FrameCanvasTest : public IsolatedTest, public CanvasInput {
protected:
    void SetUp() override
    {
        IsolatedTest::SetUp();
        PictureCache::instance().clear();
        prompter = std::make_unique<ScriptedPrompter>();
        app = std::make_unique<Application>();
        ASSERT_TRUE(app->InitInstance({QStringLiteral("velquin")}));
        ASSERT_NE(app->mainFrame, nullptr);
        app->sys().playAnime = 0;
        // Room for the whole canvas at half size with its margin.
        app->mainFrame->resize(1000, 800);
        app->mainFrame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(app->mainFrame));
        app->mainFrame->canvas()->setFocus();
        QApplication::processEvents();
        ASSERT_GT(vp()->width(), 600);
        ASSERT_GT(vp()->height(), 540);
        parkPointer();
    }
    void TearDown() override
    {
        app.reset();
        prompter.reset();
        IsolatedTest::TearDown();
    }

    CanvasView& canvasView() override { return *app->mainFrame->canvas(); }
    Document& document() override { return app->edits().editableDoc(); }
    [[nodiscard]] StatusBar& bar() { return *app->statusBar; }

    std::unique_ptr<ScriptedPrompter> prompter;
    std::unique_ptr<Application> app;
};

} // namespace vq::test
