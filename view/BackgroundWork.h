#pragma once

#include <functional>

namespace vq {

// Runs `work` on a thread of its own and returns when it is done, while this
// thread goes on painting windows and firing timers. Input waits in the queue
// until the work is done, so nothing the work reads is changed under it and
// no command starts halfway through another. `work` must not touch widgets;
// messages it shows through the message seam are carried to this thread.
void RunWhileWindowsPaint(const std::function<void()>& work);

} // namespace vq
