#pragma once

#include "base/Report.h"

#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>

class QObject;

namespace vq {

class Document;
class EditSession;
struct LoadedPicture;

// Where a long job reports: the status bar's progress and guide text.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    // Returns the step: one position per that many items.
    virtual int BeginProgress(int items) = 0;
    virtual void StepProgress() = 0;
    virtual void EndProgress() = 0;
    virtual void ShowGuideText(const QString& text) = 0;
};

// What new nodes need to know of the window they are placed in.
struct Placement {
    QSize client;        // the view's client area
    QPoint scroll;       // its scroll position
    QPoint point;        // view coordinates where the node goes; (0, 0) for none
    bool showGuide = false; // name each file in the guide while adding
};

// The centre of the visible part of the canvas, in canvas pixels.
[[nodiscard]] QPoint DefaultPlacementPoint(const Document& doc, QSize client, QPoint scroll);

// Loads `path` as a picture and appends it as a node centred at the
// placement point (or the default one), with `source` recorded. False, with
// the refused-type report in `failure` when the file does not load or the
// capacity report on the node limit.
bool CreateNodeFromFile(Document& doc, const QString& path, const QString& type, const QString& source,
                        bool deselectFirst, const Placement& placement, Report* failure);

// Adds the files in order with one undo step for all of them, cascading in
// 10-pixel steps from the placement point; stops at the first file that
// fails. Each new node joins the selection and the last becomes main.
// The failure goes to `report` (with `owner`) while the progress still
// stands. Returns the number of nodes added.
// The files are read (on all cores) through `background` when given: it runs
// the work it is handed away from the window's thread and returns when it is
// done; the document changes afterwards, on the calling thread.
using BackgroundRunner = std::function<void(const std::function<void()>& work)>;
int AddImageFiles(EditSession& session, const QStringList& paths, const Placement& placement, ProgressSink* progress,
                  QObject* owner, const ReportSink& report, const BackgroundRunner& background = {});

// Puts the picture of `path` into the main node, keeping its rectangle and
// frame. The old picture stays until the new one has loaded, so a file that
// fails to load (the refused-type report in `failure`) loses nothing. On
// success `loaded` (when given) receives the new picture's size and data size.
bool ReplaceMainImage(Document& doc, const QString& path, const QString& type, LoadedPicture* loaded,
                      Report* failure);

// "file:///" and the path, as a node records where its picture came from.
[[nodiscard]] QString FileSource(const QString& path);

} // namespace vq
