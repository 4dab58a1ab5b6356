// Entry of the in-process graphics host: the BOINC library's start-up on the
// main thread, the worker thread's launch, then the event loop.
#pragma once

struct BOINC_OPTIONS;

using worker_function_type = void (*)();

// The library hooks that the start-up sequence and the worker thread call.
struct startup_hooks_type {
    int (*library_startup)(BOINC_OPTIONS*);  // starts the BOINC library
    int (*worker_timer_setup)();             // registers the calling thread as the worker
};

// The hooks that the program runs with; tests start with hooks of their own.
extern startup_hooks_type startup_hooks;

// Starts the BOINC library, runs `worker` on a thread of its own and turns the
// calling thread into the graphics thread. Returns the library start-up's
// status when that fails, otherwise 0 once the event loop has ended.
int boinc_init_graphics(worker_function_type worker);

void fill_startup_hooks();
int start_graphics_with_hooks(BOINC_OPTIONS& options, worker_function_type worker,
                              startup_hooks_type* hooks);
int launch_worker_thread(worker_function_type worker);

// The library suspends the job from a SIGALRM handler, on whichever thread
// takes the signal: only the worker may take it.
void set_alarm_signal_blocked(bool blocked);
