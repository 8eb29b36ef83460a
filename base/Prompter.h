#pragma once

#include "base/Messages.h"

#include <QColor>
#include <QString>
#include <QStringList>

class QObject;
class QPagedPaintDevice;

namespace vq {

struct FileRequest {
    QString title;
    QString filter;      // Qt filter string, entries separated by ";;"
    QString directory;
    QString suggestedName;
    QObject* owner = nullptr;
    // Save dialogs only: the filter shown first (one entry of `filter`), the
    // extension added to a name typed without one, and whether the dialog
    // asks before replacing a file (off where the caller asks itself).
    QString selectedFilter;
    QString defaultSuffix;
    bool confirmOverwrite = true;
};

// A save dialog's answer: the path chosen (empty when cancelled) and the
// filter entry shown when it was chosen.
struct SaveChoice {
    QString path;
    QString filter;
};

// The one seam through which every modal question reaches the user. The
// program installs a seam that shows real dialogs; tests install one that
// answers in order and records what was asked; command-line tools print.
// Only the layers with windows hold the installed one: the core asks nothing.
class Prompter {
public:
    virtual ~Prompter() = default;

    virtual int message(const MessageRequest& request) = 0;
    // Empty when cancelled.
    virtual QStringList openFiles(const FileRequest& request, bool multiple) = 0;
    virtual SaveChoice saveFile(const FileRequest& request) = 0;
    virtual QString chooseFolder(const QString& title, const QString& initial, QObject* owner) = 0;
    // Invalid colour when cancelled.
    virtual QColor chooseColor(const QColor& initial, QObject* owner) = 0;
    // The system's print setup on `printer` (a QPrinter where there is a
    // screen); true when accepted, the printer then holding the choice.
    virtual bool printSetup(QPagedPaintDevice& printer, QObject* owner)
    {
        (void)printer;
        (void)owner;
        return false;
    }
};

// Writes messages to standard error and declines every question.
class ConsolePrompter : public Prompter {
public:
    int message(const MessageRequest& request) override;
    QStringList openFiles(const FileRequest&, bool) override { return {}; }
    SaveChoice saveFile(const FileRequest&) override { return {}; }
    QString chooseFolder(const QString&, const QString&, QObject*) override { return {}; }
    QColor chooseColor(const QColor&, QObject*) override { return {}; }
};

} // namespace vq
