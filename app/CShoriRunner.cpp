#include "app/CShoriRunner.h"

#include "app/CT52106App.h"
#include "dialogs/CShoriDlg.h"

#include <QWidget>

namespace vq {

JobRunner processingJobRunner(CT52106App& app)
{
    auto* parent = qobject_cast<QWidget*>(app.mainFrameObject());
    return [parent](const std::function<bool(QObject* popup)>& job) { return CShoriDlg::RunShown(job, parent); };
}

} // namespace vq
