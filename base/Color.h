#pragma once

#include <cstdint>

namespace vq {

// Colours are 0x00BBGGRR values in signed 32-bit fields; -1 means none.
using ColorRef = std::int32_t;
constexpr ColorRef kNoColor = -1;

} // namespace vq
