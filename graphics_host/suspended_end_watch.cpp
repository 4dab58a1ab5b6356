// WORKAROUND(BOINC 7.20.5, Debian 12): the library acts on quit, abort and a
// vanished core client only from the
// worker's timer signal, which sleeps for as long as the task is suspended: a
// suspended task would then outlive its client for ever. The graphics thread
// is never suspended, so it ends such a task after a grace period.
#include "graphics_host/suspended_end_watch.h"

#include <cstdio>

#include "app_ipc.h"
#include "boinc_api.h"
#include "error_numbers.h"
#include "graphics_host/host_state.h"
#include "graphics_host/process_exit.h"
#include "task_window/process_liveness.h"
#include "util.h"

namespace {

constexpr double check_interval_seconds = 1.0;
// Time for the library to act by itself before this thread does.
constexpr double grace_seconds = 5.0;

// What the core client asked for, or left the task to: none, or an end.
enum class task_end_cause { none, quit, abort, client_gone };

int core_client_pid() {
    if (host_state.core_client_pid < 0) {
        APP_INIT_DATA aid;
        boinc_get_init_data(aid);
        host_state.core_client_pid = aid.client_pid;
    }
    return host_state.core_client_pid;
}

task_end_cause cause_to_end(const BOINC_STATUS& status) {
    if (status.abort_request) return task_end_cause::abort;
    if (status.quit_request) return task_end_cause::quit;
    const int client = core_client_pid();
    if (status.no_heartbeat || (client > 0 && !process_alive(client)))
        return task_end_cause::client_gone;
    return task_end_cause::none;
}

[[noreturn]] void end_now(task_end_cause cause) {
    const bool aborted = cause == task_end_cause::abort;
    std::fprintf(stderr, "APP: %s while suspended; ending the task.\n",
                 aborted                         ? "aborted"
                 : cause == task_end_cause::quit ? "asked to quit"
                                                 : "core client gone");
    end_suspended_task(aborted ? EXIT_ABORTED_BY_CLIENT : 0);
}

}  // namespace

void end_suspended_task_if_asked() {
    double& next_check = host_state.next_end_check;
    double& first_seen = host_state.end_cause_first_seen;
    const double now = dtime();
    if (now < next_check || boinc_is_standalone()) return;
    next_check = now + check_interval_seconds;

    BOINC_STATUS status;
    boinc_get_status(&status);
    const task_end_cause cause = status.suspended ? cause_to_end(status) : task_end_cause::none;
    if (cause == task_end_cause::none) {
        first_seen = 0;
        return;
    }
    if (first_seen == 0) first_seen = now;
    if (now - first_seen >= grace_seconds) end_now(cause);
}
