#include "imaging/PictureData.h"

#include "imaging/ImageDecode.h"
#include "base/Report.h"

#include <QIODevice>

#include <algorithm>
#include <limits>

namespace vq {

namespace {

constexpr qint64 kMaxLength32 = 0xFFFFFFFFLL;
// Devices that cannot say how much they hold are read in steps of this size,
// so the buffer grows only as fast as bytes actually arrive.
constexpr qint64 kReadChunk = qint64(4) << 20;
// A stream that stalls this long is taken to have ended.
constexpr int kReadWaitMs = 30000;

bool writeAll(QIODevice& file, const char* data, qint64 size)
{
    return file.write(data, size) == size;
}

} // namespace

bool WritePictureData(QIODevice& file, bool withLength, const Picture& picture, Report* failure)
{
    const QByteArray& bytes = picture.bytes();
    if (bytes.isEmpty())
        return false;
    if (withLength) {
        char length[4];
        if (!PutBigEndian32(length, bytes.size(), failure) || !writeAll(file, length, sizeof length))
            return false;
    }
    return writeAll(file, bytes.constData(), bytes.size());
}

int PictureDataSize(const Picture& picture)
{
    return int(std::min<qint64>(picture.bytes().size(), std::numeric_limits<int>::max()));
}

PicturePtr ReadPictureData(QIODevice& file, qint64 length)
{
    // Nothing we load is larger than the largest image file we read.
    if (length <= 0 || length > kMaxLength32 || length > kMaxImageFileBytes)
        return nullptr;
    QByteArray bytes;
    if (!file.isSequential()) {
        if (length > file.size() - file.pos())
            return nullptr;
        bytes.resize(length);
        if (file.read(bytes.data(), length) != length)
            return nullptr;
    } else {
        qint64 got = 0;
        while (got < length) {
            const qint64 step = std::min(kReadChunk, length - got);
            bytes.resize(got + step);
            const qint64 n = file.read(bytes.data() + got, step);
            if (n < 0 || (n == 0 && !file.waitForReadyRead(kReadWaitMs)))
                return nullptr;
            got += n;
        }
    }
    return Picture::fromBytes(std::move(bytes));
}

bool PutBigEndian32(char* buffer, qint64 value, Report* failure)
{
    if (value < 0 || value > kMaxLength32) {
        Record(failure, {kMsgTooLarge, {}, kStyleError, true});
        return false;
    }
    const auto v = quint32(value);
    buffer[0] = char(v >> 24);
    buffer[1] = char(v >> 16);
    buffer[2] = char(v >> 8);
    buffer[3] = char(v);
    return true;
}

quint32 GetBigEndian32(const char* buffer)
{
    const auto* b = reinterpret_cast<const unsigned char*>(buffer);
    return quint32(b[0]) << 24 | quint32(b[1]) << 16 | quint32(b[2]) << 8 | quint32(b[3]);
}

} // namespace vq
