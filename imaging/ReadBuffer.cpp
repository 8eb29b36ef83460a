#include "imaging/ReadBuffer.h"

#include <cstdint>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace vq {

namespace {
// Below this the buffer comes from the allocator's pages already in use.
constexpr qsizetype kPrefaultWorthwhileBytes = qsizetype(256) << 10;
constexpr std::uintptr_t kPageBytes = 4096;
} // namespace

QByteArray AllocateReadBuffer(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    if (bytes.size() != size)
        return {};
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    if (size >= kPrefaultWorthwhileBytes) {
        // Whole pages within the buffer only; an older kernel that does not
        // know the advice simply faults them in as before.
        const auto start = reinterpret_cast<std::uintptr_t>(bytes.data());
        const std::uintptr_t first = (start + kPageBytes - 1) & ~(kPageBytes - 1);
        const std::uintptr_t end = (start + std::uintptr_t(size)) & ~(kPageBytes - 1);
        if (end > first)
            (void)::madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE);
    }
#endif
    return bytes;
}

} // namespace vq
