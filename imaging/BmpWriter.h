#pragma once

#include <QString>

class QImage;

namespace vq {

struct Report;

// The eight pixel formats of a saved bitmap, numbered as the export's file
// type list numbers them.
enum BmpFormat : int {
    kBmpMono = 1,        // 1 bit, two-entry colour table
    kBmp16 = 2,          // 4 bits
    kBmp16Rle = 3,       // 4 bits, RLE4
    kBmp256 = 4,         // 8 bits
    kBmp256Rle = 5,      // 8 bits, RLE8
    kBmpHighColour = 6,  // 16 bits with bit-field masks
    kBmpTrueColour = 7,  // 24 bits
    kBmp32 = 8,          // 32 bits with bit-field masks
};

// Writes `image` as a Windows bitmap file in format `formatIndex` (1..8).
// Errors return false with the bitmap-save report, its prefix naming the
// failed step, in `failure` when given; no partial file is left behind.
bool WriteBmpFile(const QString& path, int formatIndex, const QImage& image, Report* failure);

} // namespace vq
