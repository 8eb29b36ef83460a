#pragma once

#include <QByteArray>

namespace vq {

// Room for `size` bytes about to be filled in one go, such as a file read
// whole, its contents not set. The pages of a large one are mapped in one
// call: touched one by one as the kernel copies into them, each would cost a
// page fault, which for a hundred photographs added together is a good part
// of reading them. Null when the memory cannot be had.
[[nodiscard]] QByteArray AllocateReadBuffer(qsizetype size);

} // namespace vq
