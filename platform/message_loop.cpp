// The graphics thread's message queue: posted messages first, then whatever
// the event sources have ready, and the timer only when nothing else waits.
#include "platform/message_loop.h"

#include <poll.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <memory>
#include <thread>
#include <vector>

namespace platform {
namespace {

struct event_source {
    int fd;
    source_pump pump;
    void* context;
};

// All state of the queue; used by the graphics thread alone.
struct message_queue_state {
    std::deque<message> posted;
    std::vector<event_source> sources;
    int timer_fd = -1;
    timer_procedure on_timer = nullptr;
};

// Written by the exiting thread, read by the loop's thread.
std::atomic<bool> process_exiting{false};
std::atomic<bool> loop_parked{false};
std::atomic<int> process_exit_status{0};
std::atomic<std::thread::id> loop_thread{};

// Long enough for any frame to end; a loop that never comes back (blocked
// in a library) must not hold the exit up for ever.
constexpr auto longest_park_wait = std::chrono::seconds(10);
// WORKAROUND(freeglut 3.4.0, libX11 1.8.4, Debian 12; kept for freeglut 2.8.1,
// Debian 11, which the release build links): an exit-time clean-up that hangs
// (seen with libraries tidying up a lost X connection) must not keep the task
// alive: the parked thread ends it then.
constexpr auto longest_exit_clean_up = std::chrono::seconds(15);

void park_if_process_exiting() {
    if (!process_exiting.load()) return;
    loop_parked.store(true);
    std::this_thread::sleep_for(longest_exit_clean_up);
    _exit(process_exit_status.load());
}

void wait_for_loop_to_park(int status, void*) {
    if (std::this_thread::get_id() == loop_thread.load()) return;  // the loop itself exits
    process_exit_status.store(status);
    process_exiting.store(true);
    const auto deadline = std::chrono::steady_clock::now() + longest_park_wait;
    while (!loop_parked.load() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// Never destroyed: the job ends the process with exit() on another thread
// while this thread may still be inside the loop.
message_queue_state& queue_state() {
    static message_queue_state* const state = std::make_unique<message_queue_state>().release();
    return *state;
}

void pump_all_sources() {
    // A pump may remove its own source (a lost connection), so walk a copy.
    const std::vector<event_source> sources = queue_state().sources;
    for (const event_source& source : sources) source.pump(source.context);
}

// True when a tick has fallen due; however many have, they count as one.
bool take_timer_tick() {
    if (queue_state().timer_fd < 0) return false;
    std::uint64_t expirations = 0;
    return read(queue_state().timer_fd, &expirations, sizeof expirations) == sizeof expirations &&
           expirations > 0;
}

void wait_for_any_event() {
    std::vector<pollfd> fds;
    if (queue_state().timer_fd >= 0) fds.push_back({queue_state().timer_fd, POLLIN, 0});
    for (const event_source& source : queue_state().sources) fds.push_back({source.fd, POLLIN, 0});
    if (fds.empty()) {
        pause();  // nothing can ever arrive; only a signal ends the wait
        return;
    }
    while (poll(fds.data(), fds.size(), -1) < 0 && errno == EINTR) {
    }
}

}  // namespace

bool get_message(message& out) {
    for (;;) {
        park_if_process_exiting();
        if (queue_state().posted.empty()) pump_all_sources();
        if (!queue_state().posted.empty()) {
            out = queue_state().posted.front();
            queue_state().posted.pop_front();
            return out.id != wm_quit;
        }
        if (take_timer_tick()) {
            out = message{nullptr, wm_timer, 1, 0, nullptr};
            return true;
        }
        wait_for_any_event();
    }
}

std::intptr_t dispatch_message(const message& msg) {
    if (msg.id == wm_timer && !msg.window) {
        if (queue_state().on_timer) queue_state().on_timer();
        return 0;
    }
    return msg.procedure ? msg.procedure(msg.window, msg.id, msg.wparam, msg.lparam) : 0;
}

void post_message(const message& msg) { queue_state().posted.push_back(msg); }

void post_quit_message() { post_message(message{nullptr, wm_quit, 0, 0, nullptr}); }

bool set_thread_timer(unsigned period_ms, timer_procedure procedure) {
    if (queue_state().timer_fd < 0) {
        queue_state().timer_fd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
        if (queue_state().timer_fd < 0) return false;
    }
    const timespec period{static_cast<time_t>(period_ms / 1000),
                          static_cast<long>(period_ms % 1000) * 1000000L};
    const itimerspec schedule{period, period};
    if (timerfd_settime(queue_state().timer_fd, 0, &schedule, nullptr) != 0) return false;
    queue_state().on_timer = procedure;
    return true;
}

void park_loop_at_process_exit() {
    loop_thread.store(std::this_thread::get_id());
    on_exit(wait_for_loop_to_park, nullptr);
}

void add_event_source(int fd, source_pump pump, void* context) {
    queue_state().sources.push_back(event_source{fd, pump, context});
}

void remove_event_source(int fd) {
    for (auto it = queue_state().sources.begin(); it != queue_state().sources.end(); ++it) {
        if (it->fd == fd) {
            queue_state().sources.erase(it);
            return;
        }
    }
}

}  // namespace platform
