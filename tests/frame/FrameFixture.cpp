#include "tests/frame/FrameFixture.h"

#include "model/Document.h"
#include "view/CanvasView.h"

#include <QApplication>
#include <QMenuBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>
#include <QToolBar>

namespace vq::test {

namespace {

QAction* findMenuAction(const QList<QAction*>& actions, const QString& title)
{
    for (QAction* a : actions)
        if (a->menu() && a->text() == title)
            return a;
    return nullptr;
}

} // namespace

void FrameTest::SetUp()
{
    IsolatedTest::SetUp();
    m_prompter = std::make_unique<ScriptedPrompter>();
    m_app = std::make_unique<Application>();
}

void FrameTest::TearDown()
{
    m_app.reset();
    m_prompter.reset();
    IsolatedTest::TearDown();
}

void FrameTest::resetApp()
{
    m_app = std::make_unique<Application>();
}

void FrameTest::start(const QStringList& arguments)
{
    ASSERT_TRUE(app().InitInstance(QStringList{QStringLiteral("velquin")} + arguments));
    ASSERT_NE(app().mainFrame, nullptr);
    frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame()));
    canvas()->setFocus();
}

QWidget* FrameTest::canvas()
{
    return frame().canvas();
}

void FrameTest::countCalls(std::initializer_list<int> ids)
{
    for (int id : ids)
        frame().registerHandler(id, [this, id] { ++calls[id]; });
}

void FrameTest::addNodes(int count, int selected)
{
    Document& doc = app().edits().editableDoc();
    for (int i = 0; i < count; ++i)
        ASSERT_TRUE(AppendNode(doc, nullptr, 100, 80, 200 + 10 * i, 200));
    for (int i = 0; i < doc.nodeCount(); ++i)
        doc.screen[i].selected = i < selected ? 1 : 0;
}

QMenu* FrameTest::openMenu(const QStringList& path)
{
    QMenuBar* menuBar = frame().menuBar();
    QAction* top = findMenuAction(menuBar->actions(), path.first());
    if (!top) {
        ADD_FAILURE() << "no menu " << path.first().toStdString();
        return nullptr;
    }
    QTest::mouseClick(menuBar, Qt::LeftButton, {}, menuBar->actionGeometry(top).center());
    QMenu* menu = top->menu();
    if (!waitFor([menu] { return menu->isVisible(); })) {
        ADD_FAILURE() << "menu did not open";
        return nullptr;
    }
    for (const QString& title : path.mid(1)) {
        QAction* sub = findMenuAction(menu->actions(), title);
        if (!sub) {
            ADD_FAILURE() << "no submenu " << title.toStdString();
            return nullptr;
        }
        // Pointing at the item and pressing the right arrow opens its submenu.
        QTest::mouseMove(menu, menu->actionGeometry(sub).center());
        menu->setActiveAction(sub);
        QTest::keyClick(menu, Qt::Key_Right);
        menu = sub->menu();
        if (!waitFor([menu] { return menu->isVisible(); })) {
            ADD_FAILURE() << "submenu did not open";
            return nullptr;
        }
    }
    return menu;
}

void FrameTest::clickMenuItem(const QStringList& path, int id)
{
    QMenu* menu = openMenu(path);
    ASSERT_NE(menu, nullptr);
    QAction* a = frame().action(id);
    ASSERT_TRUE(menu->actions().contains(a)) << id;
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
    EXPECT_TRUE(waitFor([menu] { return !menu->isVisible(); }));
}

void FrameTest::highlight(QMenu* menu, int id)
{
    // With the arrow keys: the offscreen platform makes no hover events.
    QAction* target = frame().action(id);
    for (int i = 0; i < menu->actions().size() && menu->activeAction() != target; ++i)
        QTest::keyClick(menu, Qt::Key_Down);
    EXPECT_EQ(menu->activeAction(), target) << id;
}

QAction* FrameTest::menuAction(const QMenu* menu, int id)
{
    for (QAction* a : menu->actions())
        if (a->data().isValid() && a->data().toInt() == id)
            return a;
    return nullptr;
}

void FrameTest::rightClickCanvas(QPoint p, const std::function<QAction*(QMenu*)>& choose, QStringList* opened)
{
    bool handled = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu || handled)
            return;
        handled = true;
        poll.stop();
        if (opened) {
            opened->clear();
            for (const QAction* a : menu->actions())
                if (!a->isSeparator())
                    *opened << a->text().section(QLatin1Char('\t'), 0, 0);
        }
        if (QAction* a = choose(menu))
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
        else
            menu->close();
    });
    poll.start();
    QWidget* viewport = frame().canvas()->viewport();
    QTest::mousePress(viewport, Qt::RightButton, {}, p);
    QTest::mouseRelease(viewport, Qt::RightButton, {}, p);
    EXPECT_TRUE(waitFor([&] { return handled && !QApplication::activePopupWidget(); }));
}

void FrameTest::rightClickCanvasCommand(QPoint p, int id, QStringList* opened)
{
    rightClickCanvas(p, [id](QMenu* menu) { return menuAction(menu, id); }, opened);
}

bool FrameTest::waitFor(const std::function<bool()>& condition, int timeoutMs)
{
    return QTest::qWaitFor(condition, timeoutMs);
}

void FrameTest::clickToolButton(int id)
{
    QWidget* button = frame().toolBar()->widgetForAction(frame().action(id));
    ASSERT_NE(button, nullptr) << id;
    QTest::mouseClick(button, Qt::LeftButton);
}

} // namespace vq::test
