#pragma once

#include <QImage>
#include <QSize>

namespace vq {

// An image of `size` and `format`, its pixels not yet set, for canvas-sized
// output. Large ones lie in memory the kernel may back with huge pages: an
// image of a hundred megabytes is otherwise touched 4 KiB page by page on its
// first fill, and those page faults alone cost more than drawing the whole
// canvas. A null image when the memory cannot be had.
[[nodiscard]] QImage AllocateLargeImage(QSize size, QImage::Format format);

} // namespace vq
