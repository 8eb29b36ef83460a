// Feeds arbitrary bytes to the data file reader, then checks that whatever it
// accepted holds only values the rest of the program can work with.
#include "model/DataFile.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Through a file, as documents and snapshots are read: the reader maps it.
    static QTemporaryDir folder;
    const QString path = folder.path() + QStringLiteral("/input");
    {
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        out.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        std::abort();
    vq::Document doc;
    // A refused file is only reported back, never shown: nothing to silence.
    if (!vq::ReadDataFile(file, doc, nullptr))
        return 0;
    const vq::DocState& s = doc.state;
    check(s.nodeCount >= 0 && s.nodeCount <= vq::kMaxNodes);
    check(s.mainIndex >= -1 && s.mainIndex < s.nodeCount);
    check(std::isfinite(s.zoom) && s.zoom >= 0.08f && s.zoom <= 4.0f);
    check(s.canvasWidth >= 500 && s.canvasWidth <= 10000 && s.canvasHeight >= 500 && s.canvasHeight <= 7500);
    for (int i = 0; i < s.nodeCount; ++i) {
        const vq::NodeRecord& n = doc.nodes[i];
        check(n.halfWidth >= 0 && n.halfHeight >= 0 && n.frameStyle >= 0 && n.frameStyle <= 5);
        check(n.source.size() < vq::kSourceBytes);
        // Blocks no decoder takes are kept, undecodable and without a size.
        if (n.picture)
            check(n.picture->undecodable() || (n.picture->width() > 0 && n.picture->height() > 0));
    }
    // Whatever was read must write back and read again to the same records.
    QByteArray again;
    QBuffer out(&again);
    out.open(QIODevice::WriteOnly);
    check(vq::WriteDataFile(out, doc));
    return 0;
}
