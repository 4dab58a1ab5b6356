// Helpers that a test starts (X servers, window managers, compositors) must
// not outlive the test process, however it ends: a crash, or Xlib's default
// error handler calling exit, runs no destructor that would stop them.
#pragma once

#include <sys/types.h>

namespace zf_test {

// Called in the child between fork and exec: the kernel kills the child with
// SIGKILL when the thread that forked it ends. Ends the child at once when
// `parent`, the test process, is already gone.
void end_with_parent(pid_t parent);

}  // namespace zf_test
