#pragma once

#include "model/DocState.h"

#include <QByteArray>

namespace vq {

inline constexpr int kDocStateBytes = 88;
inline constexpr int kNodeRecordBytes = 2164;

// Field by field at fixed offsets, little-endian, reserved bytes zero. Picture
// references are written as 1 (present) or 0 (none); on reading, a non-zero
// reference is reported through the flag, and the picture itself stays empty.
[[nodiscard]] QByteArray encodeDocState(const DocState& state);
[[nodiscard]] QByteArray encodeNodeRecord(const NodeRecord& node);

// `bytes` must hold at least the record's size.
void decodeDocState(const char* bytes, DocState& state, bool& hasBackPicture);
void decodeNodeRecord(const char* bytes, NodeRecord& node, bool& hasPicture);

} // namespace vq
