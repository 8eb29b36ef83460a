#include "app/NodeImageCommands.h"

#include "app/CMainFrame.h"

namespace vq {

void wireNodeImageCommands(CMainFrame& frame)
{
    (void)frame;
}

} // namespace vq
