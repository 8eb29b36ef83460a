#include "edit/AddImages.h"

#include "edit/EditSession.h"
#include "edit/Selection.h"
#include "imaging/Codec.h"
#include "model/Document.h"
#include "base/Report.h"
#include "base/TextUtil.h"
#include "base/WaitCursor.h"


#include <algorithm>

namespace vq {

namespace {

constexpr int kCascadeStep = 10;

} // namespace

QString FileSource(const QString& path)
{
    return QStringLiteral("file:///") + path;
}

QPoint DefaultPlacementPoint(const Document& doc, QSize client, QPoint scroll)
{
    const float zoom = doc.state.zoom;
    const int x = divTrunc(client.width() / 2 + scroll.x(), zoom);
    const int y = divTrunc(client.height() / 2 + scroll.y(), zoom);
    return {std::min(x, doc.state.canvasWidth), std::min(y, doc.state.canvasHeight)};
}

bool CreateNodeFromFile(Document& doc, const QString& path, const QString& type, const QString& source,
                        bool deselectFirst, const Placement& placement, Report* failure)
{
    const WaitCursor wait;
    const std::optional<LoadedPicture> loaded = LoadPicture(path, type);
    if (!loaded) {
        Record(failure, {kMsgImageTypeRefused, {}, kStyleError});
        return false;
    }
    const float zoom = doc.state.zoom;
    const QPoint centre = placement.point.isNull()
                              ? DefaultPlacementPoint(doc, placement.client, placement.scroll)
                              : QPoint(divTrunc(placement.point.x(), zoom), divTrunc(placement.point.y(), zoom));
    if (deselectFirst)
        DeselectAll(doc);
    return AppendPictureNode(doc, *loaded, centre, source, failure);
}

int AddImageFiles(EditSession& session, const QStringList& paths, const Placement& placement, ProgressSink* progress,
                  QObject* owner, const ReportSink& report)
{
    if (paths.isEmpty())
        return 0;
    session.leaveModeForNodeChange();
    const int step = progress ? progress->BeginProgress(static_cast<int>(paths.size())) : 1;
    int added = 0;
    // Files that all fail to load leave no undo step behind.
    session.editIfChanged([&](Document& doc) {
        for (int i = 0; i < paths.size(); ++i) {
            const QString& path = paths.at(i);
            Placement at = placement;
            // The first of a selection without a point goes to the middle of
            // the window, the rest cascade from the canvas's corner.
            at.point = placement.point + QPoint(kCascadeStep * i, kCascadeStep * i);
            if (progress && placement.showGuide)
                progress->ShowGuideText(path);
            Report failure;
            if (!CreateNodeFromFile(doc, path, ImageTypeFromPath(path), FileSource(path), false, at, &failure)) {
                // Told while the progress still stands, as the file fails.
                if (report && !failure.isEmpty())
                    report(failure, owner);
                break;
            }
            ++added;
            if (progress && added % std::max(1, step) == 0)
                progress->StepProgress();
        }
        if (progress) {
            progress->EndProgress();
            if (placement.showGuide)
                progress->ShowGuideText({});
        }
        return added > 0;
    });
    return added;
}

bool ReplaceMainImage(Document& doc, const QString& path, const QString& type, LoadedPicture* loaded, Report* failure)
{
    const int main = doc.state.mainIndex;
    if (main < 0 || main >= doc.state.nodeCount)
        return false;
    const WaitCursor wait;
    std::optional<LoadedPicture> picture = LoadPicture(path, type.toLower());
    if (!picture) {
        Record(failure, {kMsgImageTypeRefused, {}, kStyleError});
        return false;
    }
    doc.nodes[main].picture = picture->picture;
    if (loaded)
        *loaded = *picture;
    return true;
}

} // namespace vq
