#include "tests/support/ScriptedPrompter.h"

namespace vq::test {

namespace {
ScriptedPrompter::Installer s_installer = nullptr;
ScriptedPrompter* s_current = nullptr;
} // namespace

void ScriptedPrompter::setInstaller(Installer installer)
{
    s_installer = installer;
}

ScriptedPrompter::ScriptedPrompter() : m_outer(s_current)
{
    s_current = this;
    if (s_installer)
        m_previous = s_installer(this);
}

ScriptedPrompter::~ScriptedPrompter()
{
    if (s_installer)
        s_installer(m_previous);
    s_current = m_outer;
}

ScriptedPrompter* ScriptedPrompter::current()
{
    return s_current;
}

ReportSink scriptedSink()
{
    return [](const Report& report, QObject* owner) {
        ScriptedPrompter* prompter = ScriptedPrompter::current();
        return prompter ? prompter->show(report, owner) : 0;
    };
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

SaveChoice ScriptedPrompter::saveFile(const FileRequest& request)
{
    fileRequests << request;
    if (files.isEmpty())
        return {};
    const QStringList answer = files.dequeue();
    return {answer.value(0), answer.value(1)};
}

int ScriptedPrompter::show(const Report& report, QObject* owner)
{
    const std::optional<MessageRequest> request = messageRequest(report, owner);
    return request ? message(*request) : int(kIdNone);
}

ReportSink ScriptedPrompter::sink()
{
    return [this](const Report& report, QObject* owner) { return show(report, owner); };
}

void ScriptedPrompter::show(const Reports& reports, QObject* owner)
{
    for (const Report& report : reports)
        show(report, owner);
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
