#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

class QObject;
class QPagedPaintDevice;

namespace vq {

// Message-box styles and answers, numbered as the program has always used them.
enum MessageStyle : int {
    kStyleError = 0x10,
    kStyleInfo = 0x40,
    kStyleYesNo = 0x24,
    kStyleYesNoCancel = 0x23,
};
enum MessageAnswer : int {
    kIdNone = 0,
    kIdOk = 1,
    kIdCancel = 2,
    kIdYes = 6,
    kIdNo = 7,
};

struct MessageRequest {
    int id = 0;          // string id from the catalogue
    QString prefix;      // names the failed thing: a path, a step, a count
    QString text;        // the catalogue's text
    int style = kStyleError;
    QObject* owner = nullptr;

    [[nodiscard]] QString fullText() const { return prefix + text; }
};

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

// The one seam through which every modal question reaches the user. The
// program installs a seam that shows real dialogs; tests install one that
// answers in order and records what was asked; command-line tools print.
class Prompter {
public:
    virtual ~Prompter() = default;

    virtual int message(const MessageRequest& request) = 0;
    // Empty when cancelled.
    virtual QStringList openFiles(const FileRequest& request, bool multiple) = 0;
    virtual QString saveFile(const FileRequest& request) = 0;
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

// The installed seam; a printing one until something else is installed.
Prompter& prompter();
// Installs `p` (not owned) and returns the previous one; nullptr restores the default.
Prompter* installPrompter(Prompter* p);

// Writes messages to standard error and declines every question.
class ConsolePrompter : public Prompter {
public:
    int message(const MessageRequest& request) override;
    QStringList openFiles(const FileRequest&, bool) override { return {}; }
    QString saveFile(const FileRequest&) override { return {}; }
    QString chooseFolder(const QString&, const QString&, QObject*) override { return {}; }
    QColor chooseColor(const QColor&, QObject*) override { return {}; }
};

} // namespace vq
