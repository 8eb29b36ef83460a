#pragma once

#include "imaging/Picture.h"

#include <QString>

namespace vq {

class Document;
class EditSession;
struct Report;

// Nodes carry no angle: turning one rewrites its picture and resizes the node
// so that it keeps its display scale and centre. Angles are in degrees,
// counter-clockwise on the screen, so "right by 90" is 270.

// Every selected node rotated by `degrees` (90, 180 or 270 from the menu) and
// kept with its centre on the canvas, as one undo step however many nodes
// turn. The new pictures are made on the machine's cores at once. When any
// picture cannot be turned (the memory will not hold it), nothing changes and
// `failure` says so; false then.
bool RotateSelected(EditSession& session, int degrees, Report* failure = nullptr);

// Every selected node mirrored left-right (or top-bottom when `vertical`),
// as one undo step; all or nothing, as RotateSelected.
bool FlipSelected(EditSession& session, bool vertical, Report* failure = nullptr);

// One press in the any-angle dialog: node `index` rotated by `degrees` as one
// undo step of its own. Nothing happens, and no step is taken, when the node
// has no picture or it cannot be rotated; false then, with `failure` saying
// why when the memory ran out.
bool RotateNodeStep(EditSession& session, int index, double degrees, Report* failure = nullptr);

// Gives node `index` the picture `rotated`, made from its current one, and
// the size that keeps its display scale: each half becomes the new picture's
// integer half side times the old scale (2·half / side, single precision),
// truncated. The centre stays.
void ApplyRotatedPicture(Document& doc, int index, PicturePtr rotated);

// The angle typed into the any-angle dialog, in tenths of a degree: the
// text's leading integer (blanks and a sign allowed) plus one digit after its
// first ".", limited to 1..3599 (0.1 to 359.9 degrees).
[[nodiscard]] int ParseRotationAngle(const QString& text);

} // namespace vq
