// What the start-up runs: the job's function and the library hooks, which
// tests replace with their own.
#pragma once

struct BOINC_OPTIONS;

using worker_function_type = void (*)();

// The library hooks that the start-up sequence and the worker thread call.
struct startup_hooks_type {
    int (*library_startup)(BOINC_OPTIONS*);  // starts the BOINC library
    int (*worker_timer_setup)();             // registers the calling thread as the worker
};
