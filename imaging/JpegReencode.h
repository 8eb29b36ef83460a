#pragma once

#include <QByteArray>

namespace vq {

// How a JPEG's planes are rearranged: libjpeg's transform codes (TJXOP_HFLIP,
// TJXOP_ROT90, ... from turbojpeg.h), quarter turns counted clockwise.
using JpegPlaneOp = int;

// `jpeg` turned or mirrored where the compressed domain cannot do it exactly
// (partial coded units would land on the left or top edge). Each colour plane
// is read at its own resolution, rearranged sample for sample and encoded
// again with the picture's own quantisation tables, sampling (swapped for a
// quarter turn), colour space and markers (Exif, colour profile, comments):
// one re-save at the photographer's settings, with no colour conversion and no
// chroma resampling, rather than a new encoding at other settings. Empty when
// the bytes are not a JPEG libjpeg reads, or for an arithmetic-coded or
// otherwise unusual stream; callers then take the decoding way.
[[nodiscard]] QByteArray ReencodeJpegTransformed(const QByteArray& jpeg, JpegPlaneOp op);

} // namespace vq
