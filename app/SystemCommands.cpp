#include "app/SystemCommands.h"

#include "app/MainWindow.h"
#include "app/StatusBar.h"
#include "app/Application.h"
#include "dialogs/DialogRunner.h"
#include "dialogs/AboutDialog.h"
#include "dialogs/PreferencesDialog.h"
#include "dialogs/RecentFilesDialog.h"
#include "dialogs/ManualWindow.h"
#include "view/Prompts.h"
#include "imaging/PreviewStore.h"
#include "base/Settings.h"
#include "resources/CommandIds.h"

#include <QCoreApplication>
#include <QPointer>

#include <memory>

namespace vq {

namespace {

void runPreferences(MainWindow& frame)
{
    Application& app = frame.app();
    const SystemPreferences before = ReadSystemPreferences(app.settings(), app.sys());
    PreferencesDialog dialog(before, &PreviewStore::instance(), &frame);
    if (RunDialog(dialog) != QDialog::Accepted)
        return;
    ApplySystemPreferences(dialog.values(), app.settings(), app.sys());
    app.settings().sync();
    // A guide switched off must not leave its last text standing.
    if (!dialog.values().dspGuide && frame.statusPanes())
        frame.statusPanes()->ShowGuideText({});
    frame.updateCommandStates();
}

void runRecentFiles(MainWindow& frame)
{
    RecentFilesDialog dialog(frame.app().settings(), &frame);
    QObject::connect(&dialog, &RecentFilesDialog::recentFilesChanged, &frame, [&frame] {
        frame.app().settings().sync();
        frame.refreshRecentFiles();
    });
    RunDialog(dialog);
}

// One manual window at a time: pressing F1 again brings it forward.
void showManual(MainWindow& frame, const QString& programFolder, QPointer<ManualWindow>& window)
{
    if (window) {
        window->show();
        window->raise();
        window->activateWindow();
        return;
    }
    const QString path = FindManual(programFolder);
    if (path.isEmpty()) {
        ShowMessage(kMsgManualMissing, &frame, ManualFileName() + QLatin1Char('\n'), kStyleInfo);
        return;
    }
    auto manual = std::make_unique<ManualWindow>(&frame);
    if (!manual->open(path)) {
        ShowMessage(kMsgOpenFailed, &frame, path + QLatin1Char('\n'), kStyleError);
        return;
    }
    window = manual.release();
    window->show();
}

} // namespace

void wireSystemCommands(MainWindow& frame)
{
    wireSystemCommands(frame, QCoreApplication::applicationDirPath());
}

void wireSystemCommands(MainWindow& frame, const QString& programFolder)
{
    frame.registerHandler(cmd::Preferences, [&frame] { runPreferences(frame); });
    frame.registerHandler(cmd::ManageRecent, [&frame] { runRecentFiles(frame); });
    auto window = std::make_shared<QPointer<ManualWindow>>();
    frame.registerHandler(cmd::Manual, [&frame, programFolder, window] { showManual(frame, programFolder, *window); });
    frame.registerHandler(cmd::About, [&frame] {
        AboutDialog dialog(&frame);
        RunDialog(dialog);
    });
}

} // namespace vq
