// Feeds arbitrary bytes to the data file reader, then checks that whatever it
// accepted holds only values the rest of the program can work with.
#include "fuzz/FuzzSupport.h"
#include "model/DataFile.h"

#include <QBuffer>
#include <QFile>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>


extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Through a file, as documents and snapshots are read: the reader maps it.
    const QString path = vq::fuzz::inputFile(data, size);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        std::abort();
    vq::Document doc;
    // A refused file is only reported back, never shown: nothing to silence.
    if (!vq::ReadDataFile(file, doc, nullptr))
        return 0;
    const vq::DocState& s = doc.state;
    vq::fuzz::check(s.nodeCount >= 0 && s.nodeCount <= vq::kMaxNodes);
    vq::fuzz::check(s.mainIndex >= -1 && s.mainIndex < s.nodeCount);
    vq::fuzz::check(std::isfinite(s.zoom) && s.zoom >= 0.08f && s.zoom <= 4.0f);
    vq::fuzz::check(s.canvasWidth >= 500 && s.canvasWidth <= 10000 && s.canvasHeight >= 500 && s.canvasHeight <= 7500);
    for (int i = 0; i < s.nodeCount; ++i) {
        const vq::NodeRecord& n = doc.nodes[i];
        vq::fuzz::check(n.halfWidth >= 0 && n.halfHeight >= 0 && n.frameStyle >= 0 && n.frameStyle <= 5);
        vq::fuzz::check(n.source.size() < vq::kSourceBytes);
        // Blocks no decoder takes are kept, undecodable and without a size.
        if (n.picture)
            vq::fuzz::check(n.picture->undecodable() || (n.picture->width() > 0 && n.picture->height() > 0));
    }
    // Whatever was read must write back and read again to the same records.
    QByteArray again;
    QBuffer out(&again);
    out.open(QIODevice::WriteOnly);
    vq::fuzz::check(vq::WriteDataFile(out, doc));
    return 0;
}
