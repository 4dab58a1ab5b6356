// The graphics thread's message queue, on POSIX: messages by their Windows
// numbers, a thread timer delivered only when nothing else waits, and event
// sources (X connections) that the loop polls together with the timer.
#pragma once

#include <cstdint>

namespace platform {

struct window;  // defined by the window layer
using window_handle = window*;
using window_procedure = std::intptr_t (*)(window_handle, unsigned message, std::uintptr_t wparam,
                                           std::intptr_t lparam);
using timer_procedure = void (*)();

constexpr unsigned wm_timer = 0x0113;
constexpr unsigned wm_quit = 0x0012;

struct message {
    window_handle window;
    unsigned id;
    std::uintptr_t wparam;
    std::intptr_t lparam;
    window_procedure procedure;  // where dispatch delivers it; null for timer and quit
};

// Waits for the next message of the calling thread's queue. Returns false
// when the message is wm_quit, true otherwise.
bool get_message(message& out);

// Delivers a message to its window procedure, or a timer message to the
// timer procedure.
std::intptr_t dispatch_message(const message& msg);

// Appends a message to the queue; safe from the queue's own thread only.
void post_message(const message& msg);

// Makes get_message return false once the messages queued before it are taken.
void post_quit_message();

// Installs the one periodic thread timer. A tick is delivered only when no
// other message waits; ticks that fall due meanwhile are not made up.
bool set_thread_timer(unsigned period_ms, timer_procedure procedure);

// Keeps the loop's thread out of the window system and GL while another
// thread ends the process: at exit, the loop stops at its next message and
// never resumes, so the libraries' exit-time clean-up never runs under a frame;
// should that clean-up hang, the stopped loop ends the process with exit's status.
void park_loop_at_process_exit();

// An event source: `pump` moves whatever the source has ready into the queue
// with post_message, without blocking. The loop calls it before it sleeps and
// whenever `fd` becomes readable.
using source_pump = void (*)(void* context);
void add_event_source(int fd, source_pump pump, void* context);
void remove_event_source(int fd);

}  // namespace platform
