#include "app/ImageCommands.h"

#include "app/MainWindow.h"
#include "app/StatusBarProgress.h"
#include "app/StatusBar.h"
#include "app/DocumentController.h"
#include "app/Application.h"
#include "edit/AddImages.h"
#include "edit/Download.h"
#include "edit/EditSession.h"
#include "edit/SaveNodeImage.h"
#include "edit/Selection.h"
#include "imaging/Clipboard.h"
#include "imaging/Codec.h"
#include "model/Document.h"
#include "view/BackgroundWork.h"
#include "view/Prompts.h"
#include "base/Prompter.h"
#include "base/TextUtil.h"
#include "resources/CommandIds.h"
#include "view/CanvasView.h"
#include "render/CanvasRender.h"
#include "base/WaitCursor.h"

#include <QClipboard>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

namespace vq {

namespace {

constexpr QPoint kKeyPasteOffset{10, 10};

QString maxCountPrefix(int count)
{
    return QStringLiteral("最大 %1 個\n").arg(count);
}

} // namespace

ImageCommands::ImageCommands(MainWindow& frame, QObject* parent)
    : QObject(parent), m_frame(frame), m_app(frame.app()), m_view(*frame.canvas())
{
    // A restored document may no longer hold what was copied.
    connect(&m_app.edits(), &EditSession::documentRestored, this, [this] { m_buffer.clear(); });
    connect(&m_view, &CanvasView::dropped, this, &ImageCommands::OnDrop);
}

QObject* ImageCommands::owner() const
{
    return &m_frame;
}

Placement ImageCommands::placementAt(QPoint point) const
{
    Placement p;
    p.client = m_view.viewport()->size();
    p.scroll = m_view.scrollPosition();
    p.point = point;
    p.showGuide = m_app.sys().dspGuide != 0;
    return p;
}

QString ImageCommands::pictureFolder() const
{
    return !m_pictureFolder.isEmpty() && QFileInfo(m_pictureFolder).isDir() ? m_pictureFolder : QDir::homePath();
}

void ImageCommands::rememberPictureFolder(const QString& chosenFile)
{
    m_pictureFolder = QFileInfo(chosenFile).absolutePath();
}

void ImageCommands::OnAddImage()
{
    FileRequest request;
    request.title = QStringLiteral("追加するイメージを指定(複数選択可)");
    request.filter = AddImageFileFilter();
    request.directory = pictureFolder();
    request.owner = owner();
    const QStringList chosen = prompter().openFiles(request, true);
    if (chosen.isEmpty())
        return;
    rememberPictureFolder(chosen.first());
    QStringList files;
    for (const ImageFile& file : AcceptedImageFiles(chosen)) {
        if (files.size() >= kMaxFilesAtOnce) {
            ShowMessage(kMsgTooManyAtOnce, owner(), maxCountPrefix(kMaxFilesAtOnce), kStyleInfo);
            break;
        }
        files << file.path;
    }
    if (files.isEmpty())
        return;
    StatusBarProgress progress(m_frame.statusPanes());
    AddImageFiles(m_app.edits(), files, placementAt(m_view.takePlacementPoint()), &progress, owner(), messageSink(),
                  RunWhileWindowsPaint);
}

void ImageCommands::OnChangeImage()
{
    if (!m_app.doc().hasMainSelection())
        return;
    FileRequest request;
    request.title = QStringLiteral("変更するイメージを指定");
    request.filter = AddImageFileFilter();
    request.directory = pictureFolder();
    request.owner = owner();
    const QStringList chosen = prompter().openFiles(request, false);
    if (chosen.isEmpty())
        return;
    rememberPictureFolder(chosen.first());
    const QString path = chosen.first();
    const QString type = AddableImageTypeFromPath(path);
    if (!QFileInfo::exists(path) || type.isEmpty())
        return;
    // The picture it replaces is the user's; it must be possible to get it back.
    const QString snapshot = m_app.edits().history().PrepareSnapshot(m_app.doc());
    if (snapshot.isEmpty())
        return;
    if (replaceNodeImage(m_app.doc().state.mainIndex, path, type, FileSource(path)))
        m_app.edits().history().CommitSnapshot(snapshot);
    else
        m_app.edits().history().DiscardSnapshot(snapshot);
}

bool ImageCommands::confirmReplacement(int node)
{
    if (ShowMessage(kMsgReplaceImage, owner(), {}, kStyleYesNo) != kIdYes)
        return false;
    if (!m_app.edits().PushUndoSnapshot())
        return false;
    m_app.edits().changeSelection([node](Document& doc) {
        if (doc.screen[node].selected == 0) {
            DeselectAll(doc);
            doc.screen[node].selected = 1;
        }
        doc.state.mainIndex = node;
    });
    return true;
}

bool ImageCommands::replaceNodeImage(int node, const QString& path, const QString& type, const QString& source)
{
    Report failure;
    const bool replaced = m_app.edits().amend([&](Document& doc) {
        LoadedPicture loaded;
        if (!ReplaceMainImage(doc, path, type, &loaded, &failure))
            return false;
        SetNodeSource(doc, node, loaded.width, loaded.height, loaded.dataSize, source);
        return true;
    });
    if (replaced)
        m_app.edits().commitChange();
    else
        ShowMessage(failure, owner());
    return replaced;
}

void ImageCommands::OnDropFiles(const FileDrop& files, QPoint viewPoint, int node)
{
    if (!files.handled)
        return;
    m_app.edits().leaveModeForNodeChange();
    if (files.tooMany)
        ShowMessage(*files.tooMany);
    if (node >= 0) {
        // Only the first file replaces the picture; with none the question is
        // still asked and the replacement reports the failure.
        if (!confirmReplacement(node))
            return;
        const ImageFile first = files.images.isEmpty() ? ImageFile{} : files.images.first();
        replaceNodeImage(node, first.path, first.type, FileSource(first.path));
        return;
    }
    QStringList paths;
    for (const ImageFile& file : files.images)
        paths << file.path;
    if (!paths.isEmpty()) {
        StatusBarProgress progress(m_frame.statusPanes());
        AddImageFiles(m_app.edits(), paths, placementAt(viewPoint), &progress, owner(), messageSink(),
                      RunWhileWindowsPaint);
    }
    m_dropTarget.ClearPendingDropText();
}

void ImageCommands::AddImageFromUrl(const QString& url, const QString& type, QPoint viewPoint, int node)
{
    // The window keeps painting while the picture arrives, but takes no
    // input: the wait cursor says so.
    Report failure;
    const QString path = [&] {
        const WaitCursor wait;
        return DownloadToWorkFile(&failure, url, type);
    }();
    if (path.isEmpty()) {
        ShowMessage(failure, failure.id == kMsgNoWorkFolder ? nullptr : owner());
        return;
    }
    // The download is ours alone; it goes as soon as its picture is loaded.
    const auto removeDownload = qScopeGuard([&path] { QFile::remove(path); });
    if (node >= 0) {
        if (confirmReplacement(node))
            replaceNodeImage(node, path, type, url);
        return;
    }
    const std::optional<LoadedPicture> loaded = LoadPicture(path, type);
    if (!loaded)
        return;
    Report full;
    const bool added = m_app.edits().amend([&](Document& doc) {
        const float zoom = doc.state.zoom;
        DeselectAll(doc);
        return AppendPictureNode(doc, *loaded, QPoint(divTrunc(viewPoint.x(), zoom), divTrunc(viewPoint.y(), zoom)),
                                 url, &full);
    });
    if (added)
        m_app.edits().commitChange();
    else
        ShowMessage(full, owner());
}

void ImageCommands::OnDrop(const QMimeData* data, QPoint viewPoint, int node)
{
    if (!data)
        return;
    // A document dropped from a file manager replaces the composition rather
    // than joining it as pictures; opening asks about unsaved changes first.
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile() && url.toLocalFile().endsWith(QLatin1String(".vqd"), Qt::CaseInsensitive)) {
            m_app.document().OnOpenDocument(url.toLocalFile());
            return;
        }
    }
    const DropDecision decision = m_dropTarget.OnDrop(*data, node >= 0);
    if (decision.kind == DropKind::Ignore)
        return;
    m_app.edits().leaveModeForNodeChange();
    switch (decision.kind) {
    case DropKind::Ignore: return;
    case DropKind::Url: AddImageFromUrl(decision.url, decision.type, viewPoint, node); return;
    case DropKind::Image: {
        const PicturePtr picture = BitmapToPicture(decision.image);
        if (!picture) {
            ShowMessage(kMsgImageTypeRefused, owner(), {}, kStyleError);
            return;
        }
        Report full;
        const bool added = m_app.edits().amend([&](Document& doc) {
            const float zoom = doc.state.zoom;
            DeselectAll(doc);
            const LoadedPicture dropped{picture, picture->width(), picture->height(),
                                        static_cast<int>(picture->bytes().size())};
            return AppendPictureNode(doc, dropped,
                                     QPoint(divTrunc(viewPoint.x(), zoom), divTrunc(viewPoint.y(), zoom)),
                                     decision.source, &full);
        });
        if (!added)
            ShowMessage(full, owner());
        m_app.edits().commitChange();
        return;
    }
    case DropKind::Files: OnDropFiles(decision.files, viewPoint, node); return;
    }
}

void ImageCommands::OnCopy()
{
    const Document& doc = m_app.doc();
    if (!doc.hasMainSelection())
        return;
    // Exact pixels, decoded at full size where the cache has less: off the
    // window's thread, which goes on painting meanwhile.
    QImage picture;
    RunWhileWindowsPaint([&] { picture = SelectionClipboardImage(doc, m_app.sys(), m_app.edits().mode()); });
    if (picture.isNull() || !CopySelection(doc, m_buffer, m_view.placementPoint())) {
        ShowMessage(kMsgCopyFailed, owner(), {}, kStyleError);
        return;
    }
    auto* data = new QMimeData;
    data->setImageData(picture);
    data->setText(QString::fromLatin1(kCopyMarker));
    QGuiApplication::clipboard()->setMimeData(data);
}

void ImageCommands::OnPaste(bool fromMenu)
{
    EditSession& edits = m_app.edits();
    QPoint offset = kKeyPasteOffset;
    if (fromMenu) {
        const QPoint point = m_view.takePlacementPoint();
        if (!point.isNull()) {
            const float zoom = m_app.doc().state.zoom;
            const QPoint d = point - m_buffer.refPoint;
            offset = QPoint(divTrunc(d.x(), zoom), divTrunc(d.y(), zoom));
        }
    } else {
        m_view.StopHoverAnimation();
    }
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    switch (PasteKindOf(data)) {
    case PasteKind::Buffer: {
        Report full;
        PasteBuffer(edits, m_buffer, offset, &full);
        if (full.id != 0)
            ShowMessage(full, owner());
        break;
    }
    case PasteKind::ClipboardImage: {
        Report failure;
        if (!PasteImage(edits, UprightImageFromMime(*data), placementAt(m_view.takePlacementPoint()),
                        &failure)
            && failure.id != 0)
            ShowMessage(failure, owner());
        break;
    }
    case PasteKind::Nothing: break;
    }
}

void ImageCommands::OnDelete()
{
    if (!m_app.doc().hasMainSelection())
        return;
    if (ShowMessage(kMsgConfirmDelete, owner(), {}, kStyleYesNo) != kIdYes)
        return;
    m_buffer.clear();
    DeleteSelection(m_app.edits());
}

ImageCommands* wireImageCommands(MainWindow& frame)
{
    auto* commands = new ImageCommands(frame, &frame);
    frame.registerHandler(cmd::AddImage, [commands] { commands->OnAddImage(); });
    frame.registerHandler(cmd::ChangeImage, [commands] { commands->OnChangeImage(); });
    frame.registerHandler(cmd::Copy, [commands] { commands->OnCopy(); });
    frame.registerHandler(cmd::Paste, [commands] { commands->OnPaste(true); });
    frame.registerHandler(cmd::PasteKey, [commands] { commands->OnPaste(false); });
    frame.registerHandler(cmd::Delete, [commands] { commands->OnDelete(); });
    return commands;
}

} // namespace vq
