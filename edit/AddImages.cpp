#include "edit/AddImages.h"

#include "edit/EditSession.h"
#include "edit/Selection.h"
#include "imaging/Codec.h"
#include "imaging/KeptThreads.h"
#include "model/Document.h"
#include "base/Report.h"
#include "base/TextUtil.h"
#include "base/WaitCursor.h"

#include <algorithm>
#include <atomic>
#include <optional>
#include <vector>

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

namespace {

bool createNode(Document& doc, const std::optional<LoadedPicture>& loaded, const QString& source, bool deselectFirst,
                const Placement& placement, Report* failure)
{
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

// Reads the files on several threads. Files after the first that fails are
// not needed and are left unread where no thread has started them.
std::vector<std::optional<LoadedPicture>> loadFiles(const QStringList& paths)
{
    const std::size_t count = static_cast<std::size_t>(paths.size());
    std::vector<std::optional<LoadedPicture>> loaded(count);
    std::atomic<std::size_t> firstFailure{count};
    // Each reader takes every n-th file, in every batch the same share on
    // the same thread: its allocator pool then gets back, when the pictures
    // of a batch go, about what it hands out for the next one. Handed out as
    // each reader came free, the shares shifted from batch to batch and one
    // pool had to take new memory while the other's lay idle.
    const auto work = [&](int reader, int readers) {
        for (auto i = std::size_t(reader); i < count && i < firstFailure.load(); i += std::size_t(readers)) {
            const QString& path = paths.at(static_cast<qsizetype>(i));
            loaded[i] = LoadPicture(path, AddableImageTypeFromPath(path));
            if (!loaded[i]) {
                std::size_t seen = firstFailure.load();
                while (i < seen && !firstFailure.compare_exchange_weak(seen, i)) {
                }
            }
        }
    };
    // On threads kept from one add to the next, so that the memory of the
    // pictures added before serves the files read now.
    RunOnKeptThreads(int(std::min<std::size_t>(count, 4)), work);
    return loaded;
}

} // namespace

bool CreateNodeFromFile(Document& doc, const QString& path, const QString& type, const QString& source,
                        bool deselectFirst, const Placement& placement, Report* failure)
{
    const WaitCursor wait;
    return createNode(doc, LoadPicture(path, type), source, deselectFirst, placement, failure);
}

int AddImageFiles(EditSession& session, const QStringList& paths, const Placement& placement, ProgressSink* progress,
                  QObject* owner, const ReportSink& report, const BackgroundRunner& background)
{
    if (paths.isEmpty())
        return 0;
    session.leaveModeForNodeChange();
    std::vector<std::optional<LoadedPicture>> loaded;
    {
        const WaitCursor wait;
        const auto load = [&] { loaded = loadFiles(paths); };
        if (background)
            background(load);
        else
            load();
    }
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
            if (!createNode(doc, loaded[static_cast<std::size_t>(i)], FileSource(path), false, at, &failure)) {
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
