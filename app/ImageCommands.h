#pragma once

#include "edit/CopyPaste.h"
#include "edit/UrlDrop.h"

#include <QObject>
#include <QPoint>
#include <QStringList>

class QMimeData;

namespace vq {

class MainWindow;
class Application;
class CanvasView;
struct Placement;

// Images in and out: the add and change-image commands, drops on the canvas,
// copy, paste and delete. Each handler gathers what the user chose and hands
// it to the editing operations through the editing session.
class ImageCommands : public QObject {
    Q_OBJECT
public:
    ImageCommands(MainWindow& frame, QObject* parent = nullptr);

    void OnAddImage();
    void OnChangeImage();
    void OnCopy();
    // `fromMenu`: the menu item, which pastes at a right-clicked point;
    // otherwise Ctrl+V, which pastes 10 pixels on.
    void OnPaste(bool fromMenu);
    void OnDelete();
    // Something dropped at `viewPoint` on node `node` (-1 for empty canvas).
    void OnDrop(const QMimeData* data, QPoint viewPoint, int node);
    // Files dropped from a file manager (drops of local files).
    void OnDropFiles(const FileDrop& files, QPoint viewPoint, int node);
    // Downloads `url` and adds it where it was dropped, or puts it into the
    // node it was dropped on.
    void AddImageFromUrl(const QString& url, const QString& type, QPoint viewPoint, int node);

    [[nodiscard]] const CopyBuffer& copyBuffer() const { return m_buffer; }

private:
    [[nodiscard]] Placement placementAt(QPoint point) const;
    [[nodiscard]] QString pictureFolder() const;
    void rememberPictureFolder(const QString& chosenFile);
    [[nodiscard]] QObject* owner() const;
    // Asks before `node`'s picture is replaced, then makes it the main node
    // with one undo step; false when the user says no.
    bool confirmReplacement(int node);
    // True when the picture was replaced; the undo step is the caller's to take.
    bool replaceNodeImage(int node, const QString& path, const QString& type, const QString& source);

    MainWindow& m_frame;
    Application& m_app;
    CanvasView& m_view;
    CopyBuffer m_buffer;
    DropHandler m_dropTarget;
    // Where the picture dialogs open: the folder pictures were last chosen
    // from in this run, home until then.
    QString m_pictureFolder;
};

// Plugs the image commands into the frame and the canvas.
ImageCommands* wireImageCommands(MainWindow& frame);

} // namespace vq
