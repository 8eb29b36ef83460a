#include "edit/CanvasProperties.h"

#include "edit/EditSession.h"
#include "imaging/Codec.h"
#include "model/Document.h"
#include "base/Report.h"
#include "base/TextUtil.h"

#include <algorithm>

namespace vq {

CanvasProperties CanvasPropertiesOf(const DocState& state)
{
    CanvasProperties p;
    p.width = state.canvasWidth;
    p.height = state.canvasHeight;
    p.backColor = state.backColor;
    p.frameColor = state.canvasFrameColor;
    p.frameWidth = state.canvasFrameWidth;
    p.frameStyle = state.canvasFrameStyle;
    p.keptPicture = state.backPicture;
    return p;
}

int ClampCanvasWidth(int width)
{
    return std::clamp(width, kMinCanvasSide, kMaxCanvasWidth);
}

int ClampCanvasHeight(int height)
{
    return std::clamp(height, kMinCanvasSide, kMaxCanvasHeight);
}

QString CanvasRangeLabel(int upper)
{
    return QStringLiteral("(%1 ～ %2)").arg(kMinCanvasSide).arg(FormatThousands(QString::number(upper)));
}

std::optional<float> BackgroundAspect(const CanvasProperties& properties)
{
    const PicturePtr& picture = properties.newPicture ? properties.newPicture : properties.keptPicture;
    if (!picture)
        return std::nullopt;
    const int w = picture->width();
    const int h = picture->height();
    // A picture with one side 0 would divide by zero; it has no usable ratio either.
    if (w <= 0 || h <= 0)
        return std::nullopt;
    return static_cast<float>(w) / static_cast<float>(h);
}

int FitWidthToBackground(int heightField, float aspect)
{
    return static_cast<int>(static_cast<float>(ClampCanvasHeight(heightField)) * aspect);
}

int FitHeightToBackground(int widthField, float aspect)
{
    return static_cast<int>(static_cast<float>(ClampCanvasWidth(widthField)) / aspect);
}

PicturePtr LoadBackgroundPicture(const QString& path, Report* failure)
{
    const std::optional<LoadedPicture> loaded = LoadPicture(path, ImageTypeFromPath(path));
    if (!loaded || !loaded->picture) {
        Record(failure, {kMsgImageTypeRefused, {}, kStyleError});
        return nullptr;
    }
    return loaded->picture;
}

bool CanvasPropertiesDiffer(const DocState& state, const CanvasProperties& p)
{
    return p.width != state.canvasWidth || p.height != state.canvasHeight || p.backColor != state.backColor
           || p.frameColor != state.canvasFrameColor || p.frameWidth != state.canvasFrameWidth
           || p.frameStyle != state.canvasFrameStyle || (state.backPicture && !p.keptPicture) || p.newPicture;
}

bool ApplyCanvasProperties(Document& doc, const CanvasProperties& p)
{
    DocState& s = doc.state;
    const bool changed = CanvasPropertiesDiffer(s, p);
    s.canvasWidth = p.width;
    s.canvasHeight = p.height;
    s.backColor = p.backColor;
    s.canvasFrameColor = p.frameColor;
    s.canvasFrameWidth = p.frameWidth;
    s.canvasFrameStyle = p.frameStyle;
    if (!p.keptPicture)
        s.backPicture.reset();
    if (p.newPicture)
        s.backPicture = p.newPicture;
    return changed;
}

bool ApplyCanvasPropertiesEdit(EditSession& session, const CanvasProperties& properties)
{
    if (!CanvasPropertiesDiffer(session.doc().state, properties))
        return false;
    session.edit([&properties](Document& doc) { ApplyCanvasProperties(doc, properties); });
    return true;
}

} // namespace vq
