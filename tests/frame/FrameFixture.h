#pragma once

#include "app/MainWindow.h"
#include "app/StatusBar.h"
#include "app/Application.h"
#include "tests/support/Isolation.h"
#include "tests/support/ScriptedPrompter.h"

#include <QAction>
#include <QMenu>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>

#include <ostream>

// Readable strings in GoogleTest's failure messages.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace vq::test {

// A started application with its main window shown and active. Settings can
// be prepared through app() before start() reads them.
class FrameTest : public IsolatedTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts with `arguments` after the program's name on the command line.
    void start(const QStringList& arguments = {});
    Application& app() { return *m_app; }
    MainWindow& frame() { return *app().mainFrame; }
    StatusBar& bar() { return *app().statusBar; }
    QWidget* canvas();
    // Answers the questions and file choosers of the program.
    ScriptedPrompter& prompts() { return *m_prompter; }

    // Installs a handler that counts its calls in calls[id].
    void countCalls(std::initializer_list<int> ids);
    std::map<int, int> calls;

    // Appends `count` nodes and marks the first `selected` of them selected.
    void addNodes(int count, int selected);

    // Opens the menu bar's menus along `path` of menu titles with the mouse,
    // the way a user would, and returns the last one, open.
    QMenu* openMenu(const QStringList& path);
    // Opens the menus along `path` and clicks the item of command `id`.
    void clickMenuItem(const QStringList& path, int id);
    void clickToolButton(int id);
    // Moves the highlight of the open `menu` onto the enabled item of command `id`.
    void highlight(QMenu* menu, int id);

    // Right-clicks the canvas's viewport at client point `p` and, once its
    // menu is up, lets `choose` pick from it (returning the action to click, or
    // nullptr to close the menu). `opened` receives the menu's item texts.
    void rightClickCanvas(QPoint p, const std::function<QAction*(QMenu*)>& choose, QStringList* opened = nullptr);
    // Chooses command `id` of the canvas menu opened at `p`.
    void rightClickCanvasCommand(QPoint p, int id, QStringList* opened = nullptr);
    // The item of command `id` in `menu`; nullptr when it has none.
    static QAction* menuAction(const QMenu* menu, int id);

    // QTest's QTRY macros cannot report to GoogleTest; wait with this instead.
    static bool waitFor(const std::function<bool()>& condition, int timeoutMs = 3000);

    // Ends the run as the program ends: the application object goes, and the frame with it.
    void finish() { m_app.reset(); }
    // A new application object after finish(), for a second start in one test.
    void resetApp();

private:
    std::unique_ptr<ScriptedPrompter> m_prompter;
    std::unique_ptr<Application> m_app;
};

} // namespace vq::test
