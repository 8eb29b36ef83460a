#include "app/ProcessingRunner.h"

#include "app/Application.h"
#include "dialogs/ProcessingPopup.h"

#include <QWidget>

namespace vq {

JobRunner processingJobRunner(Application& app)
{
    auto* parent = qobject_cast<QWidget*>(app.mainFrameObject());
    return [parent](const std::function<bool(QObject* popup)>& job) { return ProcessingPopup::RunShown(job, parent); };
}

} // namespace vq
