#pragma once

#include "base/Prompter.h"

#include <QList>
#include <QQueue>

#include <functional>

namespace vq::test {

// Answers every question from scripts given in advance, in order, and records
// what was asked. Unscripted messages answer OK (or No for questions);
// unscripted file, folder, colour and print-setup questions are cancelled.
class ScriptedPrompter : public Prompter {
public:
    ScriptedPrompter();
    ~ScriptedPrompter() override;

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

    int message(const MessageRequest& request) override;
    QStringList openFiles(const FileRequest& request, bool multiple) override;
    QString saveFile(const FileRequest& request) override;
    QString chooseFolder(const QString& title, const QString& initial, QObject* owner) override;
    QColor chooseColor(const QColor& initial, QObject* owner) override;
    bool printSetup(QPagedPaintDevice& printer, QObject* owner) override;

private:
    Prompter* m_previous = nullptr;
};

} // namespace vq::test
