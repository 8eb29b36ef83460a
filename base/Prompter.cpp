#include "base/Prompter.h"

#include <cstdio>

namespace vq {

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
