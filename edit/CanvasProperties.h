#pragma once

#include "model/DocState.h"

#include <QString>

#include <optional>

class QObject;

namespace vq {

struct Report;

class Document;
class EditSession;

// The canvas settings as the canvas properties dialog edits them: a copy of
// the document's, so that cancelling leaves the document alone.
struct CanvasProperties {
    int width = 0;
    int height = 0;
    ColorRef backColor = 0;
    ColorRef frameColor = kNoColor;
    int frameWidth = 1;
    int frameStyle = 0;
    // The document's background picture while it is kept; null once cleared.
    PicturePtr keptPicture;
    // A background picture chosen in the dialog; it wins over the kept one.
    PicturePtr newPicture;
};


[[nodiscard]] CanvasProperties CanvasPropertiesOf(const DocState& state);

[[nodiscard]] int ClampCanvasWidth(int width);
[[nodiscard]] int ClampCanvasHeight(int height);

// "(500 ～ 10,000)": the lower limit and the upper one with a thousands comma.
[[nodiscard]] QString CanvasRangeLabel(int upper);

// Width ÷ height of the background the dialog would keep (the new picture
// before the kept one); none for a picture of no size or no picture at all.
[[nodiscard]] std::optional<float> BackgroundAspect(const CanvasProperties& properties);
// "幅合せ": the width that gives the height field's value (held inside its
// limits) the background's aspect. Not held: the limit applies on accepting.
[[nodiscard]] int FitWidthToBackground(int heightField, float aspect);
// "高さ合せ": the height for the width field's value.
[[nodiscard]] int FitHeightToBackground(int widthField, float aspect);

// Loads an image file as a background picture; null, with the refused-type
// report in `failure`, when it is no image we read.
[[nodiscard]] PicturePtr LoadBackgroundPicture(const QString& path, Report* failure);

// True when applying `properties` would change the document.
[[nodiscard]] bool CanvasPropertiesDiffer(const DocState& state, const CanvasProperties& properties);
// Writes what differs into the document. Nodes are neither moved nor clipped
// when the canvas shrinks. True when anything changed.
bool ApplyCanvasProperties(Document& doc, const CanvasProperties& properties);
// The same as one undo step through the session; nothing (no step, no
// modified document) when nothing differs.
bool ApplyCanvasPropertiesEdit(EditSession& session, const CanvasProperties& properties);

} // namespace vq
