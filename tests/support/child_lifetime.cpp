#include "tests/support/child_lifetime.h"

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace zf_test {

void end_with_parent(pid_t parent) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The parent may have ended before the request took effect.
    if (getppid() != parent) _exit(127);
}

}  // namespace zf_test
