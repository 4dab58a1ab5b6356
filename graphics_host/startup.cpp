// Start-up sequence and worker launch of the graphics host. Only the worker
// takes the library's SIGALRM (alarm_signal.h).
#include "graphics_host/startup.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>

#include "boinc_api.h"
#include "error_numbers.h"
#include "graphics_host/alarm_signal.h"
#include "graphics_host/event_loop.h"
#include "graphics_host/host_state.h"
#include "platform/thread.h"

startup_hooks_type startup_hooks;

namespace {

// Lowest scheduling priority, so that the graphics thread always wins.
constexpr int worker_nice_value = 19;

int start_library_on_main_thread(BOINC_OPTIONS* options) {
    set_alarm_signal_blocked(true);
    return boinc_init_options(options);
}

int register_calling_thread_as_worker() {
    set_alarm_signal_blocked(false);
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), worker_nice_value);
    return 0;
}

unsigned worker_thread_entry(void*) {
    host_state.active_hooks->worker_timer_setup();
    host_state.worker_function();
    return 0;
}

}  // namespace

int boinc_init_graphics(worker_function_type worker) {
    fill_startup_hooks();
    BOINC_OPTIONS options;
    boinc_options_defaults(options);
    return start_graphics_with_hooks(options, worker, &startup_hooks);
}

void fill_startup_hooks() {
    startup_hooks.library_startup = start_library_on_main_thread;
    startup_hooks.worker_timer_setup = register_calling_thread_as_worker;
}

int start_graphics_with_hooks(BOINC_OPTIONS& options, worker_function_type worker,
                              startup_hooks_type* hooks) {
    host_state.active_hooks = hooks;
    const int rc = hooks->library_startup(&options);
    if (rc) return rc;
    if (worker) {
        const int launch_rc = launch_worker_thread(worker);
        if (launch_rc) return launch_rc;
    }
    graphics_event_loop();
    std::fprintf(stderr, "Graphics event loop returned\n");
    return 0;
}

int launch_worker_thread(worker_function_type worker) {
    host_state.worker_function = worker;
    // A task whose job never starts would run forever: report it instead.
    auto thread = platform::create_suspended_thread(worker_thread_entry, nullptr);
    if (!thread) return ERR_THREAD;
    platform::resume_thread(*thread);
    return 0;
}
