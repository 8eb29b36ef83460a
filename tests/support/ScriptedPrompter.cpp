#include "tests/support/ScriptedPrompter.h"

namespace vq::test {

ScriptedPrompter::ScriptedPrompter()
{
    m_previous = installPrompter(this);
}

ScriptedPrompter::~ScriptedPrompter()
{
    installPrompter(m_previous);
}

QList<int> ScriptedPrompter::messageIds() const
{
    QList<int> ids;
    for (const auto& m : messages)
        ids << m.id;
    return ids;
}

int ScriptedPrompter::message(const MessageRequest& request)
{
    messages << request;
    if (!answers.isEmpty())
        return answers.dequeue();
    return (request.style & 0x0F) >= 3 ? kIdNo : kIdOk;
}

QStringList ScriptedPrompter::openFiles(const FileRequest& request, bool)
{
    fileRequests << request;
    return files.isEmpty() ? QStringList() : files.dequeue();
}

QString ScriptedPrompter::saveFile(const FileRequest& request)
{
    fileRequests << request;
    if (files.isEmpty())
        return {};
    return files.dequeue().value(0);
}

QString ScriptedPrompter::chooseFolder(const QString&, const QString&, QObject*)
{
    return folders.isEmpty() ? QString() : folders.dequeue();
}

QColor ScriptedPrompter::chooseColor(const QColor&, QObject*)
{
    return colors.isEmpty() ? QColor() : colors.dequeue();
}

bool ScriptedPrompter::printSetup(QPagedPaintDevice& printer, QObject*)
{
    return !printSetups.isEmpty() && printSetups.dequeue()(printer);
}

} // namespace vq::test
