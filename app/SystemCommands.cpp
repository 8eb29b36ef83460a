#include "app/SystemCommands.h"

#include "app/CMainFrame.h"

namespace vq {

void wireSystemCommands(CMainFrame& frame)
{
    (void)frame;
}

} // namespace vq
