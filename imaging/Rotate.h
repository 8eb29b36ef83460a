#pragma once

#include "imaging/Picture.h"

#include <QImage>
#include <QSize>

#include <cstdint>
#include <optional>

namespace vq {

// The colour of the corners a rotation uncovers: the canvas's key colour,
// RGB(255, 247, 255).
inline constexpr QRgb kRotationBackground = 0xFFFFF7FFu;

// The turns that move whole pixels: a w × h picture becomes h × w (or stays
// w × h) with every pixel kept. "Left" is counter-clockwise on the screen.
enum class ExactTurn : std::uint8_t { Left90, Half, Right90, MirrorLeftRight, MirrorTopBottom };

// The quarter turn an angle in degrees (counter-clockwise) amounts to; none
// for angles that are not a non-zero multiple of 90 (a full turn is none too).
[[nodiscard]] std::optional<ExactTurn> QuarterTurnOf(double degrees);

// The size of a picture of `size` after `turn`.
[[nodiscard]] QSize TurnedSize(QSize size, ExactTurn turn);

// `image` turned or mirrored pixel for pixel, as RGB32.
[[nodiscard]] QImage TurnImage(const QImage& image, ExactTurn turn);

// The size of a w × h picture rotated by `degrees` counter-clockwise: the
// bounding box of its rotated pixel centres, one pixel added for the pixels'
// own extent and rounded.
[[nodiscard]] QSize RotatedSize(QSize size, double degrees);

// `image` rotated by `degrees` counter-clockwise about its centre into an
// RGB32 image of RotatedSize(), sampled bilinearly. Beyond the picture lies
// kRotationBackground, which also softens the picture's own edges.
[[nodiscard]] QImage RotateImage(const QImage& image, double degrees);

// `picture` after `turn`. JPEG data whose size allows a perfect transform is
// turned in the compressed domain and loses nothing; anything else is
// decoded, turned and encoded again. Null when the picture cannot be decoded.
[[nodiscard]] PicturePtr TurnPicture(const PicturePtr& picture, ExactTurn turn);

// `picture` rotated by `degrees` counter-clockwise: TurnPicture() for quarter
// turns, RotateImage() re-encoded for any other angle. Null on failure.
[[nodiscard]] PicturePtr RotatePicture(const PicturePtr& picture, double degrees);

} // namespace vq
