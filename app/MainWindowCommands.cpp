// The commands the frame carries out itself: display settings kept by the
// frame, the grid, the operation guide, the hover animation and the looks.
#include "app/MainWindow.h"

#include "app/StatusBar.h"
#include "app/Application.h"
#include "resources/CommandIds.h"
#include "app/VisualStyles.h"
#include "edit/EditSession.h"
#include "base/MessageIds.h"
#include "base/Messages.h"
#include "base/Settings.h"
#include "view/CanvasView.h"
#include "base/WaitCursor.h"

#include <QGuiApplication>
#include <QTimer>
#include <QToolBar>

namespace vq {

namespace {

constexpr int kGuideOffMessageMs = 1000;
constexpr int kDefaultPlayAnime = 3;

constexpr int kZoomCommands[] = {cmd::Zoom10, cmd::Zoom25, cmd::Zoom50, cmd::Zoom100, cmd::Zoom200,
                                 cmd::Zoom300, cmd::Zoom400, cmd::ZoomFit};

constexpr struct {
    int id;
    int mode;
} kGridStyles[] = {{cmd::GridCross, 5}, {cmd::Grid10, 1}, {cmd::Grid40, 2}, {cmd::Grid70, 3}, {cmd::Grid100, 4}};

QString guideMessage(bool on)
{
    QString text = messageText(kMsgStatusGuideOn).value_or(QString());
    if (!on)
        text.replace(QStringLiteral("する"), QStringLiteral("しない"));
    return text;
}


} // namespace

void MainWindow::registerFrameCommands()
{
    m_guideClearTimer = new QTimer(this);
    m_guideClearTimer->setSingleShot(true);
    m_guideClearTimer->setInterval(kGuideOffMessageMs);
    connect(m_guideClearTimer, &QTimer::timeout, this, [this] {
        // Another text may have replaced the message meanwhile; that one stays.
        if (m_statusBar->guideText() == guideMessage(false))
            m_statusBar->ShowGuideText({});
    });

    registerHandler(cmd::GridNone, [this] { onGridToggle(); });
    registerHandler(cmd::GridButton, [this] { onGridToggle(); });
    for (const auto& g : kGridStyles)
        registerHandler(g.id, [this, mode = g.mode] { onGridStyle(mode); });
    registerHandler(cmd::GridOnTop, [this] { onGridOnTop(); });
    registerHandler(cmd::Overlap, [this] { onOverlap(); });
    registerHandler(cmd::Snap, [this] { onSnap(); });
    registerHandler(cmd::GuideToggle, [this] { onGuideToggle(); });
    registerHandler(cmd::AnimeToggle, [this] { onAnimeToggle(); });
    for (const CommandInfo& info : commandTable())
        if (info.check == CheckRule::Style)
            registerHandler(info.id, [this, id = info.id] { onVisualStyle(id); });
    registerHandler(cmd::ToolbarToggle, [this] { m_toolBar->setVisible(m_toolBar->isHidden()); });
    registerHandler(cmd::StatusBarToggle, [this] { m_statusBar->setVisible(m_statusBar->isHidden()); });
    registerHandler(cmd::Exit, [this] { close(); });

    for (int id : kZoomCommands)
        registerHandler(id, [this, id] { m_view->OnZoomCommand(id); });
    registerHandler(cmd::ConsoleAlways, [this] { m_view->OnToggleConsoleAlways(); });
    registerHandler(cmd::ConsoleTopLeft, [this] { m_view->OnConsoleTopLeft(); });
    registerHandler(cmd::SelectAll, [this] { m_view->OnSelectAll(); });
    registerHandler(cmd::CancelMode, [this] { m_view->OnCancelMode(); });
}

void MainWindow::onGridToggle()
{
    // The sign switches the grid; the magnitude keeps the style for next time.
    m_app.edits().changeWithoutUndo([](Document& doc) { doc.state.gridMode = -doc.state.gridMode; });
}

void MainWindow::onGridStyle(int mode)
{
    m_app.edits().changeWithoutUndo([mode](Document& doc) { doc.state.gridMode = mode; });
}

void MainWindow::onGridOnTop()
{
    m_app.edits().changeWithoutUndo([](Document& doc) { doc.state.gridOnTop = doc.state.gridOnTop ? 0 : 1; });
}

void MainWindow::onOverlap()
{
    SysSettings& sys = m_app.sys();
    sys.dspOverlap = sys.dspOverlap ? 0 : 1;
    m_view->repaintNow();
}

void MainWindow::onSnap()
{
    // Read at each drag's press; nothing on the canvas changes.
    SysSettings& sys = m_app.sys();
    sys.snap = sys.snap ? 0 : 1;
}

void MainWindow::onGuideToggle()
{
    SysSettings& sys = m_app.sys();
    sys.dspGuide = sys.dspGuide ? 0 : 1;
    m_statusBar->ShowGuideText(guideMessage(sys.dspGuide != 0));
    // Turning the guide off shows its message for a moment only; the program
    // once froze for that moment, here the window stays responsive.
    if (sys.dspGuide)
        m_guideClearTimer->stop();
    else
        m_guideClearTimer->start();
}

void MainWindow::onAnimeToggle()
{
    SysSettings& sys = m_app.sys();
    if (sys.playAnime > 0) {
        sys.playAnime = 0;
        return;
    }
    const int stored = m_app.settings().value(keys::PlayAnime);
    sys.playAnime = stored != 0 ? stored : kDefaultPlayAnime;
}

void MainWindow::onVisualStyle(int id)
{
    const WaitCursor wait;
    m_app.appLook = ApplyVisualStyle(id);
    update();
    m_app.settings().setValue(keys::ApplicationLook, m_app.appLook);
}

} // namespace vq
