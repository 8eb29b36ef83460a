#include "view/Prompts.h"

#include <QCoreApplication>
#include <QThread>

namespace vq {

namespace {
ConsolePrompter g_console;
Prompter* g_current = &g_console;
} // namespace

Prompter& prompter()
{
    return *g_current;
}

Prompter* installPrompter(Prompter* p)
{
    Prompter* previous = g_current;
    g_current = p ? p : &g_console;
    return previous;
}

namespace {

// Messages are windows, and windows belong to the application's thread: a
// job running elsewhere (a document being unpacked) waits there while its
// message is shown and answered.
int showOnGuiThread(const std::optional<MessageRequest>& request)
{
    if (!request)
        return int(kIdNone);
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread())
        return prompter().message(*request);
    int answer = int(kIdNone);
    QMetaObject::invokeMethod(
        app, [&] { answer = prompter().message(*request); }, Qt::BlockingQueuedConnection);
    return answer;
}

} // namespace

int ShowMessage(int id, QObject* owner, const QString& prefix, int style)
{
    return showOnGuiThread(messageRequest(id, owner, prefix, style));
}

int ShowMessage(const Report& report, QObject* owner)
{
    return showOnGuiThread(messageRequest(report, owner));
}

void ShowMessages(const Reports& reports, QObject* owner)
{
    for (const Report& report : reports)
        ShowMessage(report, owner);
}

ReportSink messageSink()
{
    return [](const Report& report, QObject* owner) { return ShowMessage(report, owner); };
}

} // namespace vq
