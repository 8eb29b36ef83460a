#pragma once

#include "model/Recovery.h"

#include <QObject>
#include <QString>

namespace vq {

class Application;
class Document;

// The document's life: new, open, save, save as, the modified flag, the
// recent-file list and undo/redo, on top of the document files of the core.
class DocumentController : public QObject {
    Q_OBJECT
public:
    explicit DocumentController(Application& app, QObject* parent = nullptr);

    [[nodiscard]] QString path() const { return m_path; }
    [[nodiscard]] bool isModified() const { return m_modified; }
    // The document's file as it was when it was opened or last saved (for a
    // restored document: as its recovery copy recorded it).
    [[nodiscard]] FileStamp diskStamp() const { return m_stamp; }

    // The commands. Each returns whether it did what it was asked.
    bool OnNewDocument();
    bool OnOpenDocument(const QString& path);
    bool OnFileOpen();    // asks for a file first
    bool OnFileSave();
    bool OnFileSaveAs();
    // A document recovered after a crash replaces this one, modified and
    // under its original path (empty for an untitled one), with the stamp its
    // file had when the copy was written.
    bool OnRestoreDocument(Document& recovered, const QString& path, const FileStamp& stamp = {});

    // Before the document is replaced or the program ends: asks whether to
    // save a modified document. False when the user cancels or the save fails.
    bool SaveModified();

public slots:
    void SetModifiedFlag(bool modified = true);

signals:
    void titleChanged(const QString& path);
    // The whole model was replaced by a new (`opened` false) or opened document.
    void documentReplaced(bool opened);
    // A save is about to write the model: the view stores its scroll position.
    void aboutToSave();
    // The modified flag was set or cleared.
    void modifiedChanged(bool modified);
    // The user chose not to save the changes.
    void changesDiscarded();

private:
    bool saveTo(const QString& path);
    // Before the document replaces its own file: a file someone else wrote
    // since it was opened or saved is replaced only when the user says so.
    // Returns 1 to go on, 0 to save under another name, -1 to stop.
    int confirmReplacingNewerFile();
    [[nodiscard]] QString dialogFolder() const;
    void afterReplace(bool opened);
    // Makes `replacement` the document, leaving the old contents in it.
    void takeDocument(Document& replacement);

    Application& m_app;
    QString m_path;
    bool m_modified = false;
    FileStamp m_stamp;
};

} // namespace vq
