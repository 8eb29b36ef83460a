#include "app/MainWindow.h"

#include "app/StatusBar.h"
#include "app/Application.h"
#include "app/CanvasContextMenu.h"
#include "app/KeyTables.h"
#include "app/VisualStyles.h"
#include "base/Settings.h"
#include "edit/EditSession.h"
#include "model/WorkFolder.h"
#include "view/CanvasView.h"
#include "view/Prompts.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QToolBar>

namespace vq {

namespace {

// Often enough that a toolbar button follows the selection without a visible lag.
constexpr int kIdleRefreshMs = 200;

} // namespace

MainWindow::MainWindow(Application& app, QWidget* parent) : QMainWindow(parent), m_app(app)
{
    app.mainFrame = this;
    app.appLook = ApplyVisualStyle(app.settings().value(keys::ApplicationLook));

    createActions();
    createMenus();
    createToolBar();

    m_statusBar = new StatusBar(this);
    setStatusBar(m_statusBar);
    app.statusBar = m_statusBar;

    m_view = new CanvasView(app.edits(), app.sys(), this);
    setCentralWidget(m_view);
    connect(m_view, &CanvasView::cursorTextChanged, m_statusBar,
            [this](const QString& text) { m_statusBar->setPaneText(kPaneCursor, text); });
    connect(m_view, &CanvasView::proposedPositionChanged, m_statusBar, [this](const QString& text) {
        if (text.isEmpty())
            m_app.RefreshStatusCounts(false);
        else
            m_statusBar->setPaneText(kPanePos, text);
    });
    connect(m_view, &CanvasView::guideTextRequested, m_statusBar, &StatusBar::ShowGuideText);
    connect(m_view, &CanvasView::contextMenuRequested, this, [this](CanvasPopup popup, QPoint at) {
        showCanvasMenu(*this, popup, at);
    });
    installKeyTables(this, m_view, [this](int id) { executeCommand(id); });
    registerFrameCommands();

    // Wide enough for the whole toolbar where the screen allows it.
    const QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                          : QRect(0, 0, 1400, 900);
    resize(std::min(1400, screen.width()), std::min(900, screen.height()));
    restoreGeometry(QByteArray::fromBase64(app.settings().text(keys::WorkspaceGeometry).toLatin1()));
    restoreState(QByteArray::fromBase64(app.settings().text(keys::WorkspaceState).toLatin1()));
    updateTitle({});
    m_view->setFocus();

    m_idleTimer = new QTimer(this);
    connect(m_idleTimer, &QTimer::timeout, this, &MainWindow::updateCommandStates);
    m_idleTimer->start(kIdleRefreshMs);
    updateCommandStates();
}

MainWindow::~MainWindow()
{
    m_idleTimer->stop();
    m_app.settings().setText(keys::WorkspaceGeometry, QString::fromLatin1(saveGeometry().toBase64()));
    m_app.settings().setText(keys::WorkspaceState, QString::fromLatin1(saveState().toBase64()));
    m_app.sys().write(m_app.settings());
    m_app.settings().sync();
    Report noFolder;
    if (WorkFolderBase(&noFolder).isEmpty())
        ShowMessage(noFolder);
    // This instance's folder goes with it; other instances' folders are theirs.
    ReleaseWorkFolder();
    m_app.statusBar = nullptr;
    if (m_app.mainFrame == this)
        m_app.mainFrame = nullptr;
}

void MainWindow::updateTitle(const QString& documentPath)
{
    const QString name = documentPath.isEmpty() ? QStringLiteral("無題") : QFileInfo(documentPath).fileName();
    setWindowTitle(name + QStringLiteral(" - Velquin"));
}

MainWindow::Command* MainWindow::find(int id)
{
    const auto it = m_index.find(id);
    return it == m_index.end() ? nullptr : &m_commands[it->second];
}

const MainWindow::Command* MainWindow::find(int id) const
{
    const auto it = m_index.find(id);
    return it == m_index.end() ? nullptr : &m_commands[it->second];
}

QAction* MainWindow::action(int id) const
{
    const Command* c = find(id);
    return c ? c->action : nullptr;
}

void MainWindow::registerHandler(int id, std::function<void()> handler)
{
    if (Command* c = find(id)) {
        c->handler = std::move(handler);
        updateCommandStates();
    }
}

bool MainWindow::hasHandler(int id) const
{
    const Command* c = find(id);
    return c && c->handler;
}

bool MainWindow::invokeHandler(int id)
{
    const Command* c = find(id);
    if (!c || !c->handler)
        return false;
    runCommand(id);
    return true;
}

bool MainWindow::executeCommand(int id)
{
    Command* c = find(id);
    if (!c || !c->handler || !ruleAllows(c->info->enable, currentContext()))
        return false;
    c->action->setEnabled(true);
    c->action->trigger();
    return true;
}

void MainWindow::runCommand(int id)
{
    // Copied: a handler may replace itself while it runs.
    const Command* c = find(id);
    if (!c || !c->handler)
        return;
    const std::function<void()> handler = c->handler;
    handler();
    updateCommandStates();
}

RangeMode& MainWindow::rangeMode()
{
    return m_app.edits().mode();
}

CommandContext MainWindow::currentContext()
{
    const Document& doc = m_app.doc();
    const RangeMode& range = rangeMode();
    CommandContext c;
    c.undoCount = m_app.history().undoCount();
    c.redoCount = m_app.history().redoCount();
    c.selectedCount = doc.selectedCount();
    c.mainSelection = doc.hasMainSelection();
    c.modeKind = range.modeKind;
    c.modeNode = range.modeNode;
    c.gridMode = doc.state.gridMode;
    c.gridOnTop = doc.state.gridOnTop;
    c.dspOverlap = m_app.sys().dspOverlap;
    c.snap = m_app.sys().snap;
    c.appLook = m_app.appLook;
    c.playAnime = m_app.sys().playAnime;
    c.toolbarShown = m_toolBar && !m_toolBar->isHidden();
    c.statusBarShown = m_statusBar && !m_statusBar->isHidden();
    return c;
}

void MainWindow::updateCommandStates()
{
    const CommandContext context = currentContext();
    for (const Command& c : m_commands) {
        c.action->setEnabled(c.handler && ruleAllows(c.info->enable, context));
        if (c.info->check != CheckRule::None)
            c.action->setChecked(ruleMarks(*c.info, context));
    }
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_closeGuard && !m_closeGuard()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

} // namespace vq
