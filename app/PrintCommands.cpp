#include "app/PrintCommands.h"

#include "app/CMainFrame.h"

namespace vq {

void wirePrintCommands(CMainFrame& frame)
{
    (void)frame;
}

} // namespace vq
