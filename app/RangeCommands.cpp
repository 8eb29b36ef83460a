#include "app/RangeCommands.h"

#include "app/CMainFrame.h"

namespace vq {

void wireRangeCommands(CMainFrame& frame)
{
    (void)frame;
}

} // namespace vq
