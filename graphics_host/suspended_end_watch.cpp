// WORKAROUND(BOINC 7.20.5, Debian 12): the library acts on quit, abort and a
// vanished core client only from the
// worker's timer signal, which sleeps for as long as the task is suspended: a
// suspended task would then outlive its client for ever. The graphics thread
// is never suspended, so it ends such a task after a grace period.
#include "graphics_host/suspended_end_watch.h"

#include <signal.h>

#include <cerrno>
#include <cstdio>

#include "app_ipc.h"
#include "boinc_api.h"
#include "error_numbers.h"
#include "graphics_host/host_state.h"
#include "graphics_host/process_exit.h"
#include "util.h"

namespace {

constexpr double check_interval_seconds = 1.0;
// Time for the library to act by itself before this thread does.
constexpr double grace_seconds = 5.0;

enum class end_reason { none, quit, abort, client_gone };

int core_client_pid() {
    if (host_state.core_client_pid < 0) {
        APP_INIT_DATA aid;
        boinc_get_init_data(aid);
        host_state.core_client_pid = aid.client_pid;
    }
    return host_state.core_client_pid;
}

// A client under another account than the task's, as sandboxed installs run
// it, answers EPERM while it lives: only ESRCH says that it is gone.
bool process_gone(int pid) { return kill(pid, 0) != 0 && errno == ESRCH; }

end_reason reason_to_end(const BOINC_STATUS& status) {
    if (status.abort_request) return end_reason::abort;
    if (status.quit_request) return end_reason::quit;
    const int client = core_client_pid();
    if (status.no_heartbeat || (client > 0 && process_gone(client))) return end_reason::client_gone;
    return end_reason::none;
}

[[noreturn]] void end_now(end_reason reason) {
    const bool aborted = reason == end_reason::abort;
    std::fprintf(stderr, "APP: %s while suspended; ending the task.\n",
                 aborted                      ? "aborted"
                 : reason == end_reason::quit ? "asked to quit"
                                              : "core client gone");
    end_suspended_task(aborted ? EXIT_ABORTED_BY_CLIENT : 0);
}

}  // namespace

void end_suspended_task_if_asked() {
    double& next_check = host_state.next_end_check;
    double& first_seen = host_state.end_reason_first_seen;
    const double now = dtime();
    if (now < next_check || boinc_is_standalone()) return;
    next_check = now + check_interval_seconds;

    BOINC_STATUS status;
    boinc_get_status(&status);
    const end_reason reason = status.suspended ? reason_to_end(status) : end_reason::none;
    if (reason == end_reason::none) {
        first_seen = 0;
        return;
    }
    if (first_seen == 0) first_seen = now;
    if (now - first_seen >= grace_seconds) end_now(reason);
}
