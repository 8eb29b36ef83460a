// Feeds arbitrary bytes to the reader of kept previews as one entry file,
// since the cache folder holds whatever a crash, a full disk or another
// program left there. The first byte chooses whether the entry's two
// checksums are made to agree first: without that, nearly every input would
// stop at the checksums and the decoders behind them would go unfuzzed.
#include "fuzz/FuzzSupport.h"
#include "imaging/PreviewStore.h"

#include <QDir>
#include <QtEndian>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include <zlib.h>

namespace {

constexpr qsizetype kHeaderBytes = 72;

quint32 crcOf(const char* data, qsizetype size)
{
    return quint32(crc32_z(crc32_z(0, nullptr, 0), reinterpret_cast<const Bytef*>(data), std::size_t(size)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static QTemporaryDir root;
    static vq::PreviewStore store(root.path() + QStringLiteral("/previews"));
    static const QByteArray key = vq::PreviewStore::keyFor("fuzz");
    if (size < 1)
        return 0;

    QByteArray entry(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    if ((data[0] & 1) && entry.size() >= kHeaderBytes) {
        char* h = entry.data();
        // The key the file is read under, the payload's length and checksum
        // as they are, then the header's own.
        std::memcpy(h + 8, QByteArray::fromHex(key).constData(), 32);
        qToLittleEndian<quint32>(quint32(entry.size() - kHeaderBytes), h + 60);
        qToLittleEndian<quint32>(crcOf(h + kHeaderBytes, entry.size() - kHeaderBytes), h + 64);
        qToLittleEndian<quint32>(crcOf(h, 68), h + 68);
    }
    // The picture size the entry claims, so a whole entry reaches its decoder.
    QSize picture(1, 1);
    if (entry.size() >= kHeaderBytes)
        picture = QSize(int(qFromLittleEndian<quint32>(entry.constData() + 40) & 0xfffff),
                        int(qFromLittleEndian<quint32>(entry.constData() + 44) & 0xfffff));
    {
        QFile file(store.folder() + QLatin1Char('/') + QString::fromLatin1(key));
        vq::fuzz::check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(entry);
    }
    const QImage preview = store.load(key, picture);
    if (!preview.isNull()) {
        vq::fuzz::check(preview.width() <= vq::PreviewStore::kMaxSide && preview.height() <= vq::PreviewStore::kMaxSide);
        vq::fuzz::check(preview.format() == QImage::Format_RGB32
                        || preview.format() == QImage::Format_ARGB32_Premultiplied);
        // A whole entry can be stored again and read back.
        store.store(key, picture, preview);
        vq::fuzz::check(!store.load(key, picture).isNull());
    }
    return 0;
}
