#include "app/MultiCutCommands.h"

#include "app/CMainFrame.h"

namespace vq {

void wireMultiCutCommands(CMainFrame& frame)
{
    (void)frame;
}

} // namespace vq
