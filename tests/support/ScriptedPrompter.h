#pragma once

#include "base/Prompter.h"
#include "base/Report.h"

#include <QList>
#include <QQueue>

#include <functional>

namespace vq::test {

// Answers every question from scripts given in advance, in order, and records
// what was asked. Unscripted messages answer OK (or No for questions);
// unscripted file, folder, colour and print-setup questions are cancelled.
// A save question takes the first entry of the next `files` script as the
// path and the second, when there is one, as the chosen filter.
// Suites with windows get it installed as the program's prompter for its
// lifetime (their support links the installer); core suites, whose code asks
// nothing, use it to show what the core reported.
class ScriptedPrompter : public Prompter {
public:
    using Installer = Prompter* (*)(Prompter*);
    // Set once, before any test, by the support of suites with windows.
    static void setInstaller(Installer installer);

    ScriptedPrompter();
    ~ScriptedPrompter() override;
    // The one made last and still alive, if any.
    [[nodiscard]] static ScriptedPrompter* current();

    QList<MessageRequest> messages;
    QList<FileRequest> fileRequests;

    QQueue<int> answers;
    QQueue<QStringList> files;
    QQueue<QString> folders;
    QQueue<QColor> colors;
    // Each answers one print setup: it may change the printer and says
    // whether the user accepted.
    QQueue<std::function<bool(QPagedPaintDevice&)>> printSetups;

    [[nodiscard]] QList<int> messageIds() const;

    // Shows what the core reported through this prompter, as the program
    // shows it: in order, over `owner` unless the report has none.
    int show(const Report& report, QObject* owner = nullptr);
    void show(const Reports& reports, QObject* owner = nullptr);
    // Shows each report through this prompter as it is handed over.
    [[nodiscard]] ReportSink sink();

    int message(const MessageRequest& request) override;
    QStringList openFiles(const FileRequest& request, bool multiple) override;
    SaveChoice saveFile(const FileRequest& request) override;
    QString chooseFolder(const QString& title, const QString& initial, QObject* owner) override;
    QColor chooseColor(const QColor& initial, QObject* owner) override;
    bool printSetup(QPagedPaintDevice& printer, QObject* owner) override;

private:
    Prompter* m_previous = nullptr;
    ScriptedPrompter* m_outer = nullptr;
};

// A sink that shows each report through the current scripted prompter, as
// the program's message sink shows it through the installed prompter; for
// suites without windows.
[[nodiscard]] ReportSink scriptedSink();

} // namespace vq::test
