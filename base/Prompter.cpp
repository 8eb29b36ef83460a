#include "base/Prompter.h"

#include <cstdio>

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

int ConsolePrompter::message(const MessageRequest& request)
{
    QString line = request.fullText();
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    std::fprintf(stderr, "%s\n", line.toUtf8().constData());
    switch (request.style & 0x0F) {
    case 0x03: return kIdCancel; // yes/no/cancel: back out
    case 0x04: return kIdNo;     // yes/no: decline
    default: return kIdOk;
    }
}

} // namespace vq
