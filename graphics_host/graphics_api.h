// Entry of the in-process graphics host, and its two throttle settings.
#pragma once

struct BOINC_OPTIONS;

using worker_function_type = void (*)();

// The library hooks that the start-up sequence and the worker thread call.
struct startup_hooks_type {
    int (*library_startup)(BOINC_OPTIONS*);  // starts the BOINC library
    int (*worker_timer_setup)();             // registers the calling thread as the worker
};

// Starts the BOINC library, runs `worker` on a thread of its own and turns the
// calling thread into the graphics thread. Returns the library start-up's
// status when that fails, otherwise 0 once the event loop has ended.
int boinc_init_graphics(worker_function_type worker);

// The library's finish, for the worker thread. Once finishing, the library no
// longer reads the core client's messages, so a suspension that reached the
// worker during the finish's wait could never be lifted: the worker takes no
// suspension from here on.
[[noreturn]] void finish_on_worker(int status);

// Throttle settings, read on every throttle call; 0 switches a limit off.
extern double max_frames_per_second;
extern double max_graphics_cpu_fraction;
