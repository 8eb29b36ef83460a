#pragma once

#include <functional>

namespace vq {

// Runs `job` later on one of a few threads, as many as the machine has
// cores, started when first needed. They run below the priority of the rest
// of the program, so that work nobody waits for yet never slows the window
// down. Jobs still queued when the process ends are dropped, and one running
// then is finished first: a job must hold whatever it uses, and whoever
// needs its result must be able to make it on the spot (see Picture).
void RunInBackground(std::function<void()> job);

// While one lives, queued jobs stay queued (those already running finish):
// lets a test see work in the state it has before its job runs.
class BackgroundWorkPause {
public:
    BackgroundWorkPause();
    ~BackgroundWorkPause();
    BackgroundWorkPause(const BackgroundWorkPause&) = delete;
    BackgroundWorkPause& operator=(const BackgroundWorkPause&) = delete;
};

// Returns once no job is queued or running. Not while a pause lives.
void WaitForBackgroundWork();

} // namespace vq
