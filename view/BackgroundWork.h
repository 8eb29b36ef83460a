#pragma once

#include <functional>

namespace vq {

// Runs `work` on a thread of its own and returns when it is done, while this
// thread goes on painting windows and firing timers. Input waits in the queue
// until the work is done, so nothing the work reads is changed under it and
// no command starts halfway through another. `work` must not touch widgets;
// messages it shows through the message seam are carried to this thread.
void RunWhileWindowsPaint(const std::function<void()>& work);

// As RunWhileWindowsPaint, but input is delivered: for work behind a modal
// dialog, which keeps input from every window but the progress it shows, so
// that its "中止" can be pressed.
void RunBehindModalProgress(const std::function<void()>& work);

// Runs `call` on the thread of the windows and waits for it: for work run by
// RunWhileWindowsPaint that has something to show. Called there, it just runs.
void RunOnWindowThread(const std::function<void()>& call);

} // namespace vq
