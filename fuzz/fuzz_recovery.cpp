// Feeds arbitrary bytes to the reader of recovery copies, which are read at
// start from whatever a crashed or killed instance (or a full disk) left, then
// checks that an accepted copy holds only values the program can work with.
#include "fuzz/FuzzSupport.h"
#include "model/DataFile.h"
#include "model/Document.h"
#include "model/Recovery.h"

#include <QBuffer>
#include <QFile>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString path = vq::fuzz::inputFile(data, size);
    vq::Document doc;
    QString documentPath;
    if (!vq::ReadRecoveryCopy(path, doc, documentPath))
        return 0;
    const vq::DocState& s = doc.state;
    vq::fuzz::check(s.nodeCount >= 0 && s.nodeCount <= vq::kMaxNodes);
    vq::fuzz::check(s.mainIndex >= -1 && s.mainIndex < s.nodeCount);
    vq::fuzz::check(std::isfinite(s.zoom) && s.zoom >= 0.08f && s.zoom <= 4.0f);
    for (int i = 0; i < s.nodeCount; ++i) {
        const vq::NodeRecord& n = doc.nodes[i];
        vq::fuzz::check(n.halfWidth >= 0 && n.halfHeight >= 0);
        if (n.picture)
            vq::fuzz::check(n.picture->undecodable() || (n.picture->width() > 0 && n.picture->height() > 0));
    }
    // A restored copy is saved as a document: it must write.
    QByteArray again;
    QBuffer out(&again);
    out.open(QIODevice::WriteOnly);
    vq::fuzz::check(vq::WriteDataFile(out, doc));
    return 0;
}
