#pragma once

#include "imaging/Picture.h"

#include <QtGlobal>

class QIODevice;

namespace vq {

struct Report;

// Writes the picture's bytes to `file`, preceded by their count as a
// big-endian 32-bit length when `withLength`. False when the picture has no
// bytes, the count does not fit in 32 bits (the too-large report then in
// `failure`, when given) or a write fails.
[[nodiscard]] bool WritePictureData(QIODevice& file, bool withLength, const Picture& picture,
                                    Report* failure);

// The number of bytes WritePictureData writes for the picture, length excluded.
[[nodiscard]] int PictureDataSize(const Picture& picture);

// Reads `length` bytes from `file` as a picture. Null when `length` is not in
// 1..2^32−1 or exceeds the largest image file we load (1 GiB), or when the
// device cannot supply that many bytes (a file's remaining size is checked
// before anything is allocated, other devices are read in steps, so a lying
// length costs no memory). Bytes read in full are kept whatever they hold, as
// Picture::fromBytes keeps them: they are written back unchanged even when no
// decoder can draw them.
[[nodiscard]] PicturePtr ReadPictureData(QIODevice& file, qint64 length);

// Stores `value` most significant byte first in `buffer[0..3]`. A value
// outside 0..0xFFFFFFFF is refused with false and the too-large report in
// `failure`, when given.
bool PutBigEndian32(char* buffer, qint64 value, Report* failure);
[[nodiscard]] quint32 GetBigEndian32(const char* buffer);

} // namespace vq
