// Every way the process ends, and the order of what runs then; the order is
// stated once, in process_exit.cpp.
#pragma once

// At the start of the event loop: at exit, the loop stops at its next message
// and never resumes, so that no frame runs under the libraries' clean-up.
void arrange_exit_at_loop_start();

// After each frame the throttle let through: the first one may have set up
// freeglut, whose exit clean-up must run after the loop has stopped.
void arrange_exit_after_frame(bool drawn);

// A standalone run's window was closed: the process ends with status 0,
// without the library's finish.
[[noreturn]] void end_standalone_run();

// The library's finish, for the worker thread, after the graphics thread has
// published a finished state (or a second has passed). WORKAROUND(BOINC 7.20.5,
// Debian 12): once finishing, the library no
// longer reads the core client's messages, so a suspension that reached the
// worker during the finish's wait could never be lifted: the worker takes no
// suspension from here on.
[[noreturn]] void finish_on_worker(int status);

// Ends a task whose worker is suspended, from the graphics thread. The worker
// may be stopped inside the C library holding its locks, so no exit handler
// or stream flush runs: only the log is flushed.
[[noreturn]] void end_suspended_task(int status);
