#include "app/PropertyCommands.h"

#include "app/CMainFrame.h"

namespace vq {

void wirePropertyCommands(CMainFrame& frame)
{
    (void)frame;
}

} // namespace vq
