#include "edit/Rotate.h"

#include "base/Report.h"
#include "edit/EditSession.h"
#include "imaging/Rotate.h"
#include "model/Document.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace vq {

namespace {

constexpr int kMinAngleTenths = 1;    // 0.1 degrees
constexpr int kMaxAngleTenths = 3599; // 359.9 degrees

// Turning a picture holds its coefficients or pixels about three times over,
// some ten bytes a pixel; as many pictures are turned at once as the cores
// allow and this budget holds (eight 12-megapixel photographs, two of 48).
constexpr qint64 kWorkBudgetBytes = qint64(1) << 30;
constexpr qint64 kWorkBytesPerPixel = 10;
constexpr unsigned kMaxWorkers = 8;

unsigned workerCount(const std::vector<PicturePtr>& pictures)
{
    qint64 largest = 1;
    for (const PicturePtr& p : pictures) {
        if (p)
            largest = std::max(largest, qint64(p->width()) * p->height() * kWorkBytesPerPixel);
    }
    const auto affordable = static_cast<unsigned>(std::clamp<qint64>(kWorkBudgetBytes / largest, 1, kMaxWorkers));
    return std::min({static_cast<unsigned>(pictures.size()), std::max(1u, std::thread::hardware_concurrency()),
                     affordable});
}

// The new picture of each node in `nodes`, made by `make` from the node's
// current picture; null where there is none or making it failed. Pictures are
// immutable and the work touches nothing else, so it runs on several cores.
std::vector<PicturePtr> makeInParallel(const Document& doc, const std::vector<int>& nodes,
                                       const std::function<PicturePtr(const PicturePtr&)>& make)
{
    std::vector<PicturePtr> sources;
    sources.reserve(nodes.size());
    for (int i : nodes)
        sources.push_back(doc.nodes[i].picture);
    std::vector<PicturePtr> results(nodes.size());
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t k = next++; k < sources.size(); k = next++) {
            if (!sources[k])
                continue;
            try {
                results[k] = make(sources[k]);
            } catch (const std::bad_alloc&) {
                // A picture too large for the memory left stays as it was.
                results[k] = nullptr;
            }
        }
    };
    const unsigned workers = workerCount(sources);
    std::vector<std::thread> threads;
    for (unsigned t = 1; t < workers; ++t) {
        try {
            threads.emplace_back(work);
        } catch (const std::system_error&) {
            break; // fewer helpers; this thread does the rest
        }
    }
    work();
    for (std::thread& t : threads)
        t.join();
    return results;
}

std::vector<int> selectedNodes(const Document& doc)
{
    std::vector<int> nodes;
    for (int i = 0; i < doc.state.nodeCount; ++i) {
        if (doc.screen[i].selected != 0)
            nodes.push_back(i);
    }
    return nodes;
}

// True when every node that has a picture got its new one.
bool allMade(const Document& doc, const std::vector<int>& nodes, const std::vector<PicturePtr>& made)
{
    for (std::size_t k = 0; k < nodes.size(); ++k) {
        if (doc.nodes[nodes[k]].picture && !made[k])
            return false;
    }
    return true;
}

bool reportOutOfMemory(Report* failure)
{
    Record(failure, {kMsgOutOfMemory, {}, kStyleError});
    return false;
}

bool validNode(const Document& doc, int index)
{
    return index >= 0 && index < doc.state.nodeCount && doc.nodes[index].picture;
}

// The new half side: the integer half of the new picture side times the old
// display scale, as the node has always been resized.
int scaledHalf(int newSide, int oldHalf, int oldSide)
{
    const float scale = static_cast<float>(2 * oldHalf) / static_cast<float>(oldSide);
    return static_cast<int>(static_cast<float>(newSide / 2) * scale);
}

} // namespace

void ApplyRotatedPicture(Document& doc, int index, PicturePtr rotated)
{
    NodeRecord& node = doc.nodes[index];
    const QSize old = node.picture ? node.picture->pixelSize() : QSize();
    if (old.width() > 0 && old.height() > 0) {
        node.halfWidth = scaledHalf(rotated->width(), node.halfWidth, old.width());
        node.halfHeight = scaledHalf(rotated->height(), node.halfHeight, old.height());
    }
    node.picture = std::move(rotated);
}

bool RotateSelected(EditSession& session, int degrees, Report* failure)
{
    const std::vector<int> nodes = selectedNodes(session.doc());
    const std::vector<PicturePtr> rotated = makeInParallel(
        session.doc(), nodes, [degrees](const PicturePtr& picture) { return RotatePicture(picture, degrees); });
    if (!allMade(session.doc(), nodes, rotated))
        return reportOutOfMemory(failure);
    session.edit([&](Document& doc) {
        for (std::size_t k = 0; k < nodes.size(); ++k) {
            if (rotated[k])
                ApplyRotatedPicture(doc, nodes[k], rotated[k]);
            KeepNodeInCanvas(doc, nodes[k], KeepMode::Centre);
        }
    });
    return true;
}

bool FlipSelected(EditSession& session, bool vertical, Report* failure)
{
    const ExactTurn turn = vertical ? ExactTurn::MirrorTopBottom : ExactTurn::MirrorLeftRight;
    const std::vector<int> nodes = selectedNodes(session.doc());
    const std::vector<PicturePtr> flipped = makeInParallel(
        session.doc(), nodes, [turn](const PicturePtr& picture) { return TurnPicture(picture, turn); });
    if (!allMade(session.doc(), nodes, flipped))
        return reportOutOfMemory(failure);
    session.edit([&](Document& doc) {
        for (std::size_t k = 0; k < nodes.size(); ++k) {
            if (flipped[k])
                doc.nodes[nodes[k]].picture = flipped[k];
        }
    });
    return true;
}

bool RotateNodeStep(EditSession& session, int index, double degrees, Report* failure)
{
    if (!validNode(session.doc(), index))
        return false;
    PicturePtr rotated;
    try {
        rotated = RotatePicture(session.doc().nodes[index].picture, degrees);
    } catch (const std::bad_alloc&) {
        rotated = nullptr;
    }
    if (!rotated)
        return reportOutOfMemory(failure);
    session.edit([&](Document& doc) { ApplyRotatedPicture(doc, index, std::move(rotated)); });
    return true;
}

int ParseRotationAngle(const QString& typed)
{
    // A Japanese input method types full-width digits, point and minus.
    const QString text = typed.normalized(QString::NormalizationForm_KC);
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    // Anything past the limits ends up at a limit, so the digits can stop
    // counting long before an overflow.
    std::int64_t whole = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
        whole = std::min<std::int64_t>(whole * 10 + (text[i].unicode() - u'0'), 100000);
    std::int64_t tenths = (negative ? -whole : whole) * 10;
    const qsizetype point = text.indexOf(u'.');
    if (point >= 0 && point + 1 < text.size() && text[point + 1] >= u'0' && text[point + 1] <= u'9')
        tenths += text[point + 1].unicode() - u'0';
    return static_cast<int>(std::clamp<std::int64_t>(tenths, kMinAngleTenths, kMaxAngleTenths));
}

} // namespace vq
