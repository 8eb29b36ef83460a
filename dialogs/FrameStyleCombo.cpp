#include "dialogs/FrameStyleCombo.h"

#include "view/FrameSamples.h"
#include "view/Painters.h"

#include <QIcon>
#include <QPixmap>

namespace vq {

FrameStyleCombo::FrameStyleCombo(QWidget* parent) : QComboBox(parent)
{
    setIconSize(kFrameSampleSize);
    const QStringList names = FrameStyleNames();
    for (int style = 0; style < names.size(); ++style)
        addItem(QIcon(QPixmap::fromImage(FrameStyleSample(style))), names[style]);
}

} // namespace vq
