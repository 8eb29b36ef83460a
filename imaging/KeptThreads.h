#pragma once

#include <functional>

namespace vq {

// Runs `body` on `threads` threads at once (at most the machine's cores, at
// least one) and returns when every one of them has returned. The threads
// are kept from one call to the next for the whole run of the program: a
// thread takes memory from an allocator arena of its own, and threads made
// anew for every batch would each take a new one, so the memory the pictures
// of one batch leave behind would never serve the next. Each call of `body`
// is told which thread it runs on, the same thread for the same index in
// every batch, and how many run. One batch at a time.
void RunOnKeptThreads(int threads, const std::function<void(int index, int count)>& body);

} // namespace vq
