#include "app/CShoriRunner.h"

#include "app/CT52106App.h"
#include "dialogs/CShoriDlg.h"

#include <QWidget>

namespace vq {

JobRunner processingJobRunner(CT52106App& app)
{
    auto* parent = qobject_cast<QWidget*>(app.mainFrameObject());
    return [parent](const std::function<bool()>& job) {
        return CShoriDlg::RunShown([&job](QObject*) { return job(); }, parent);
    };
}

} // namespace vq
