// How the process ends. Only the worker's finish, the library's own quit and
// abort, and a standalone window's close run the exit handlers; nothing posts
// a quit message to the event loop.
//
// The worker's finish first asks the graphics thread to publish a state that
// says finished and waits for it up to 1 s (task_state_publisher.cpp), so that
// the companion sees the end before the process is gone; then the library's
// finish reports to the core client and calls exit().
//
// exit() runs the handlers last-registered first, so the order at exit is:
//   1. the loop's parking, renewed after the first frame: it waits (up to
//      10 s) until the graphics thread stops at its next message, so that no
//      frame is drawn while the libraries tidy up; when the graphics thread
//      itself exits (a closed standalone window) it returns at once;
//   2. the scene's guard for freeglut's connection (scene/bitmap_text.cpp,
//      registered right after glutInit in the first frame that draws text):
//      an X server lost by now ends the process with exit's status instead
//      of hanging in Xlib;
//   3. freeglut's own clean-up, registered by glutInit;
//   4. the loop's parking from the loop's start, which finds the loop parked
//      already, or parks it when no frame was ever drawn;
//   5. the BOINC library's and the other libraries' handlers.
// Should any of these hang, the parked loop ends the process with exit's
// status after 15 s (platform/message_loop.cpp).
// A suspended task that must end is ended at once with _exit, without any of
// these: its worker may hold the C library's locks.
#include "graphics_host/process_exit.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "boinc_api.h"
#include "graphics_host/alarm_signal.h"
#include "graphics_host/task_state_publisher.h"
#include "platform/message_loop.h"

namespace {

// Long enough for a tick of a live graphics thread and a small write; short
// enough that a stuck one barely delays the finish.
constexpr double finished_state_wait_seconds = 1.0;

// Once per process, whatever the tests reset between cases.
bool parking_follows_frame_setup = false;

}  // namespace

void arrange_exit_at_loop_start() { platform::park_loop_at_process_exit(); }

void arrange_exit_after_frame(bool drawn) {
    if (!drawn || parking_follows_frame_setup) return;
    platform::park_loop_at_process_exit();
    parking_follows_frame_setup = true;
}

void end_standalone_run() { std::exit(0); }

void finish_on_worker(int status) {
    set_alarm_signal_blocked(true);
    hand_over_finished_state(finished_state_wait_seconds);
    boinc_finish(status);
    std::abort();  // the library's finish does not return
}

void end_suspended_task(int status) {
    std::fflush(stderr);
    _exit(status);
}
