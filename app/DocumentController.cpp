#include "app/DocumentController.h"

#include "app/Application.h"
#include "app/ProcessingRunner.h"
#include "model/DocumentFile.h"
#include "view/Prompts.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace vq {

namespace {
const QString kFilter = QStringLiteral("Velquin Files (*.vqd)");
}

QString DocumentController::dialogFolder() const
{
    // The document's own folder, else where the last one was saved, else home.
    for (const QString& candidate : {m_path, m_app.settings().text(keys::FilePath)}) {
        const QString folder = candidate.isEmpty() ? QString() : QFileInfo(candidate).absolutePath();
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            return folder;
    }
    return QDir::homePath();
}

DocumentController::DocumentController(Application& app, QObject* parent) : QObject(parent), m_app(app) {}

void DocumentController::SetModifiedFlag(bool modified)
{
    if (m_modified == modified)
        return;
    m_modified = modified;
    emit modifiedChanged(modified);
}

void DocumentController::afterReplace(bool opened)
{
    SetModifiedFlag(false);
    emit documentReplaced(opened);
    m_app.RefreshStatusCounts(false);
    emit titleChanged(m_path);
}

bool DocumentController::OnNewDocument()
{
    if (!SaveModified())
        return false;
    m_app.edits().replaceDocument([](Document& doc) { doc.ResetDocument(); });
    m_path.clear();
    m_stamp = {};
    afterReplace(false);
    return true;
}

bool DocumentController::OnOpenDocument(const QString& path)
{
    if (!SaveModified())
        return false;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    Document opened;
    if (!OpenDocumentFile(absolute, opened, m_app.mainFrameObject(), processingJobRunner(m_app), messageSink()))
        return false;
    takeDocument(opened);
    m_path = absolute;
    m_stamp = StampOf(absolute);
    m_app.settings().addRecentFile(absolute);
    afterReplace(true);
    return true;
}

void DocumentController::takeDocument(Document& replacement)
{
    m_app.edits().replaceDocument([&replacement](Document& doc) {
        doc.ReleasePictures();
        std::swap(doc.state, replacement.state);
        std::swap(doc.nodes, replacement.nodes);
        std::swap(doc.screen, replacement.screen);
    });
}

bool DocumentController::OnFileOpen()
{
    FileRequest request;
    request.title = QStringLiteral("開く");
    request.filter = kFilter;
    request.directory = dialogFolder();
    request.owner = m_app.mainFrameObject();
    const QStringList files = prompter().openFiles(request, false);
    return !files.isEmpty() && OnOpenDocument(files.first());
}

bool DocumentController::OnRestoreDocument(Document& recovered, const QString& path, const FileStamp& stamp)
{
    if (!SaveModified())
        return false;
    takeDocument(recovered);
    m_path = path;
    m_stamp = stamp;
    afterReplace(true);
    SetModifiedFlag(true);
    return true;
}

bool DocumentController::OnFileSave()
{
    if (m_path.isEmpty())
        return OnFileSaveAs();
    switch (confirmReplacingNewerFile()) {
    case 1: return saveTo(m_path);
    case 0: return OnFileSaveAs();
    default: return false;
    }
}

int DocumentController::confirmReplacingNewerFile()
{
    const FileStamp now = StampOf(m_path);
    if (!m_stamp.exists() || !now.exists() || now == m_stamp)
        return 1;
    MessageRequest question;
    question.prefix = m_path + QLatin1Char('\n');
    question.text = QStringLiteral("このファイルは開いた後に別の操作で変更されています (更新日時: %1)\n"
                                   "上書きしてもよろしいですか\n\n"
                                   "名前を付けて保存する -「いいえ」\n中止-「キャンセル」")
                        .arg(QDateTime::fromMSecsSinceEpoch(now.modifiedMs).toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")));
    question.style = kStyleYesNoCancel;
    question.owner = m_app.mainFrameObject();
    switch (prompter().message(question)) {
    case kIdYes: return 1;
    case kIdNo: return 0;
    default: return -1;
    }
}

bool DocumentController::OnFileSaveAs()
{
    FileRequest request;
    request.title = QStringLiteral("名前を付けて保存");
    request.filter = kFilter;
    request.directory = dialogFolder();
    request.suggestedName = m_path.isEmpty() ? QStringLiteral("無題.vqd") : QFileInfo(m_path).fileName();
    request.owner = m_app.mainFrameObject();
    QString target = prompter().saveFile(request).path;
    if (target.isEmpty())
        return false;
    if (QFileInfo(target).suffix().isEmpty())
        target += QStringLiteral(".vqd");
    return saveTo(QFileInfo(target).absoluteFilePath());
}

bool DocumentController::saveTo(const QString& path)
{
    emit aboutToSave();
    if (!SaveDocumentFile(path, m_app.doc(), m_app.settings(), m_app.mainFrameObject(), processingJobRunner(m_app), messageSink()))
        return false;
    m_path = path;
    m_stamp = StampOf(path);
    SetModifiedFlag(false);
    m_app.settings().addRecentFile(path);
    emit titleChanged(m_path);
    return true;
}

bool DocumentController::SaveModified()
{
    if (!m_modified)
        return true;
    MessageRequest question;
    const QString name = m_path.isEmpty() ? QStringLiteral("無題") : QFileInfo(m_path).fileName();
    question.text = name + QStringLiteral(" への変更を保存しますか?");
    question.style = kStyleYesNoCancel;
    question.owner = m_app.mainFrameObject();
    switch (prompter().message(question)) {
    case kIdYes: return OnFileSave();
    case kIdNo: emit changesDiscarded(); return true;
    default: return false;
    }
}

} // namespace vq
