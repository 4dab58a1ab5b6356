#include "task_window/tick_loop.h"

#include "platform/message_loop.h"

void run_tick_loop(unsigned period_ms, void (*tick)()) {
    platform::set_thread_timer(period_ms, tick);
    platform::message msg;
    while (platform::get_message(msg)) platform::dispatch_message(msg);
}
