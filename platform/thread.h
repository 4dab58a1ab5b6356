// Threads created suspended and started later, as the graphics host's
// start-up expects: a POSIX thread that waits on a start gate.
#pragma once

#include <memory>

namespace platform {

class suspended_thread;
using thread_routine = unsigned (*)(void* parameter);

// Creates a thread that runs `routine(parameter)` once resumed. Null on failure.
std::shared_ptr<suspended_thread> create_suspended_thread(thread_routine routine, void* parameter);

// Lets a thread made by create_suspended_thread run. Idempotent.
void resume_thread(suspended_thread& thread);

}  // namespace platform
