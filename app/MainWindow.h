#pragma once

#include "app/CommandTable.h"
#include "model/RangeModeState.h"

#include <QMainWindow>

#include <functional>
#include <unordered_map>
#include <vector>

class QAction;
class QActionGroup;
class QMenu;
class QTimer;
class QToolBar;

namespace vq {

class Application;
class CanvasView;
class StatusBar;

// The main window: menus, the "基本" toolbar and the status bar around the
// canvas view. Every menu item, toolbar button and key is a numbered command
// with one QAction; features plug their work in with registerHandler().
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(Application& app, QWidget* parent = nullptr);
    ~MainWindow() override;

    [[nodiscard]] Application& app() { return m_app; }
    [[nodiscard]] CanvasView* canvas() const { return m_view; }
    [[nodiscard]] StatusBar* statusPanes() const { return m_statusBar; }
    [[nodiscard]] QToolBar* toolBar() const { return m_toolBar; }
    // "<document name> - Velquin"; "無題" for a new document.
    void updateTitle(const QString& documentPath);

    // The action of command `id`; nullptr for an id the command table lacks.
    [[nodiscard]] QAction* action(int id) const;
    // Installs (or replaces) the work of command `id`. A command without a
    // handler stays disabled.
    void registerHandler(int id, std::function<void()> handler);
    [[nodiscard]] bool hasHandler(int id) const;
    // Runs command `id` as a key press would: only when its rule allows it now.
    bool executeCommand(int id);
    // Runs the work of command `id` whatever the frame's rules say: for menus
    // that keep rules of their own, such as the canvas's context menu. False
    // when nothing handles the command.
    bool invokeHandler(int id);
    // Re-evaluates every enabling and check rule.
    void updateCommandStates();

    // The document path recent-file command `id` stands for; empty when unused.
    [[nodiscard]] QString recentFilePath(int id) const;
    // Rebuilds the File menu's recent list from the settings.
    void refreshRecentFiles();
    // The canvas's range mode, which the enabling rules read.
    [[nodiscard]] RangeMode& rangeMode();

    // Asked before the window closes; returning false keeps it open.
    void setCloseGuard(std::function<bool()> guard) { m_closeGuard = std::move(guard); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    struct Command {
        const CommandInfo* info;
        QAction* action;
        std::function<void()> handler;
    };

    // Menus and toolbar (MainWindowMenus.cpp).
    void createActions();
    void createMenus();
    void createToolBar();

    // The frame's own commands (MainWindowCommands.cpp).
    void registerFrameCommands();
    void onGridToggle();
    void onGridStyle(int mode);
    void onGridOnTop();
    void onOverlap();
    void onSnap();
    void onGuideToggle();
    void onAnimeToggle();
    void onVisualStyle(int id);

    [[nodiscard]] CommandContext currentContext();
    void runCommand(int id);
    Command* find(int id);
    [[nodiscard]] const Command* find(int id) const;

    Application& m_app;
    CanvasView* m_view = nullptr;
    StatusBar* m_statusBar = nullptr;
    QToolBar* m_toolBar = nullptr;
    QMenu* m_fileMenu = nullptr;
    QActionGroup* m_styleGroup = nullptr;
    QTimer* m_idleTimer = nullptr;
    QTimer* m_guideClearTimer = nullptr;
    std::vector<Command> m_commands;
    std::unordered_map<int, std::size_t> m_index;
    QStringList m_recentPaths;
    std::function<bool()> m_closeGuard;
};

} // namespace vq
