// The menu bar, the toolbar and the recent-file entries of the main frame.
#include "app/MainWindow.h"

#include "app/Application.h"
#include "resources/CommandIds.h"
#include "app/ToolbarIcons.h"
#include "base/Settings.h"

#include <QAction>
#include <QActionGroup>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include <vector>

namespace vq {

namespace {

// Long paths are shortened in the middle so the File menu keeps a sane width.
constexpr int kRecentLabelChars = 60;

// An empty list still shows where recent documents will appear, greyed, as the
// File menu always has. It is no command, so the enabling rules leave it alone.
constexpr char kRecentPlaceholderName[] = "recentFilesPlaceholder";

QString menuText(const CommandInfo& info)
{
    QString text = QString::fromUtf8(info.label);
    if (*info.keyText)
        text += QLatin1Char('\t') + QString::fromUtf8(info.keyText);
    return text;
}

QString recentLabel(int number, const QString& path)
{
    QString shown = QDir::toNativeSeparators(path);
    if (shown.size() > kRecentLabelChars) {
        const int half = (kRecentLabelChars - 3) / 2;
        shown = shown.left(half) + QStringLiteral("...") + shown.right(half);
    }
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    const QString num = QString::number(number);
    // Mnemonics on 1 to 9 and on the 0 of 10, as the list has always numbered them.
    const QString prefix = number < 10 ? QLatin1Char('&') + num : number == 10 ? QStringLiteral("1&0") : num;
    return prefix + QLatin1Char(' ') + shown;
}

} // namespace

void MainWindow::createActions()
{
    const auto table = commandTable();
    m_commands.reserve(table.size());
    m_styleGroup = new QActionGroup(this);
    m_styleGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    for (const CommandInfo& info : table) {
        auto* a = new QAction(menuText(info), this);
        a->setObjectName(QStringLiteral("command%1").arg(info.id));
        a->setData(info.id);
        if (*info.prompt)
            a->setStatusTip(QString::fromUtf8(info.prompt));
        if (*info.tooltip)
            a->setToolTip(QString::fromUtf8(info.tooltip));
        if (info.check != CheckRule::None)
            a->setCheckable(true);
        if (info.check == CheckRule::Style)
            a->setActionGroup(m_styleGroup);
        a->setEnabled(false);
        const int id = info.id;
        connect(a, &QAction::triggered, this, [this, id] { runCommand(id); });
        m_index.emplace(id, m_commands.size());
        m_commands.push_back({&info, a, {}});
    }
}

void MainWindow::createMenus()
{
    std::vector<QMenu*> open;
    for (const MenuItem& item : mainMenuLayout()) {
        switch (item.kind) {
        case MenuItem::Popup: {
            const QString title = QString::fromUtf8(item.label);
            QMenu* menu = open.empty() ? menuBar()->addMenu(title) : open.back()->addMenu(title);
            connect(menu, &QMenu::aboutToShow, this, &MainWindow::updateCommandStates);
            if (open.empty() && !m_fileMenu) {
                m_fileMenu = menu;
                connect(menu, &QMenu::aboutToShow, this, &MainWindow::refreshRecentFiles);
            }
            open.push_back(menu);
            break;
        }
        case MenuItem::End:
            open.pop_back();
            break;
        case MenuItem::Separator:
            open.back()->addSeparator();
            break;
        case MenuItem::Command:
            open.back()->addAction(action(item.id));
            break;
        case MenuItem::RecentFiles: {
            QMenu* menu = open.back();
            auto* placeholder = new QAction(QStringLiteral("最近使ったファイル"), menu);
            placeholder->setObjectName(QString::fromLatin1(kRecentPlaceholderName));
            placeholder->setEnabled(false);
            menu->addAction(placeholder);
            for (int id = cmd::RecentFirst; id <= cmd::RecentLast; ++id)
                menu->addAction(action(id));
            menu->addSeparator();
            break;
        }
        }
    }
    refreshRecentFiles();
}

void MainWindow::createToolBar()
{
    m_toolBar = addToolBar(QStringLiteral("基本"));
    m_toolBar->setObjectName(QStringLiteral("StandardToolBar"));
    m_toolBar->setIconSize(QSize(24, 24));
    for (int id : toolbarLayout()) {
        if (id == 0) {
            m_toolBar->addSeparator();
            continue;
        }
        QAction* a = action(id);
        a->setIcon(commandIcon(id));
        // The menus show text only, as they always have.
        a->setIconVisibleInMenu(false);
        m_toolBar->addAction(a);
    }
}

void MainWindow::refreshRecentFiles()
{
    m_recentPaths = m_app.settings().recentFiles();
    for (int i = 0; i < kRecentFileCount; ++i) {
        QAction* a = action(cmd::RecentFirst + i);
        const bool used = i < m_recentPaths.size();
        a->setVisible(used);
        if (used)
            a->setText(recentLabel(i + 1, m_recentPaths.at(i)));
    }
    if (auto* placeholder = m_fileMenu->findChild<QAction*>(QString::fromLatin1(kRecentPlaceholderName)))
        placeholder->setVisible(m_recentPaths.isEmpty());
}

QString MainWindow::recentFilePath(int id) const
{
    const int i = id - cmd::RecentFirst;
    return i >= 0 && i < m_recentPaths.size() ? m_recentPaths.at(i) : QString();
}

} // namespace vq
