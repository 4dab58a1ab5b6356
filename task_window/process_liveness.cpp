#include "task_window/process_liveness.h"

#include <sys/types.h>

#include <cerrno>
#include <csignal>
#include <limits>

bool process_alive(long pid) {
    // Zero and negative numbers would name process groups, and larger ones wrap.
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max()) return false;
    return kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}
