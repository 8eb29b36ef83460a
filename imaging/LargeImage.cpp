#include "imaging/LargeImage.h"

#include <cstdlib>
#include <limits>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace vq {

namespace {

// Below this, ordinary pages cost too little to matter.
constexpr qint64 kHugePageWorthwhileBytes = qint64(16) << 20;
constexpr std::size_t kHugePageBytes = std::size_t(2) << 20;

void freePixels(void* pixels)
{
    std::free(pixels);
}

} // namespace

QImage AllocateLargeImage(QSize size, QImage::Format format)
{
    if (size.isEmpty())
        return {};
#ifdef __linux__
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    // QImage wants each line on a 32-bit boundary.
    const qint64 bytesPerLine = (qint64(size.width()) * depth + 31) / 32 * 4;
    const qint64 bytes = bytesPerLine * size.height();
    if (depth > 0 && bytes >= kHugePageWorthwhileBytes && bytesPerLine <= std::numeric_limits<int>::max()) {
        void* pixels = nullptr;
        if (posix_memalign(&pixels, kHugePageBytes, std::size_t(bytes)) == 0) {
            // Only advice: without huge pages the image works all the same.
            madvise(pixels, std::size_t(bytes), MADV_HUGEPAGE);
            QImage image(static_cast<uchar*>(pixels), size.width(), size.height(), bytesPerLine, format, freePixels,
                         pixels);
            if (!image.isNull())
                return image;
            std::free(pixels);
        }
    }
#endif
    return QImage(size, format);
}

} // namespace vq
