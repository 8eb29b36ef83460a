#include "view/Prompts.h"

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

int ShowMessage(int id, QObject* owner, const QString& prefix, int style)
{
    const std::optional<MessageRequest> request = messageRequest(id, owner, prefix, style);
    return request ? prompter().message(*request) : int(kIdNone);
}

int ShowMessage(const Report& report, QObject* owner)
{
    const std::optional<MessageRequest> request = messageRequest(report, owner);
    return request ? prompter().message(*request) : int(kIdNone);
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
