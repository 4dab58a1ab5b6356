#include "graphics_host/task_state_publisher.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "app_ipc.h"
#include "boinc_api.h"
#include "graphics_host/graphics_window.h"
#include "graphics_host/host_log.h"
#include "graphics_host/host_state.h"
#include "scene/app_graphics.h"
#include "task_state/task_state.h"
#include "util.h"

namespace {

constexpr double renewal_interval_seconds = 1.0;
// Readable by the companion's account whatever the task's umask.
constexpr mode_t state_file_mode = 0644;
constexpr auto hand_over_poll = std::chrono::milliseconds(10);

// The worker's request for a final state, and the graphics thread's answer
// that it has tried to write one. Each has one writing thread.
std::atomic<bool> finish_requested{false};
std::atomic<bool> finished_state_tried{false};

double bounded_fraction_done() {
    const double fraction = boinc_get_fraction_done();  // negative before the first report
    if (!(fraction >= 0)) return 0;
    return fraction > 1 ? 1 : fraction;
}

double bounded_cpu_time() {
    double cpu_time = 0;
    boinc_wu_cpu_time(cpu_time);
    return std::isfinite(cpu_time) && cpu_time >= 0 ? cpu_time : 0;
}

// What a change of is published at once; cheap enough to look at every tick.
struct state_flags {
    bool suspended;
    bool poster_phase;
    bool finished;
};

state_flags current_flags() {
    BOINC_STATUS status;
    boinc_get_status(&status);
    return {status.suspended != 0, show_poster.load(std::memory_order_relaxed),
            finish_requested.load(std::memory_order_acquire)};
}

bool differ_from_published(const state_flags& flags) {
    const host_state_type& s = host_state;
    return flags.suspended != s.published_suspended ||
           flags.poster_phase != s.published_poster_phase || flags.finished != s.published_finished;
}

// The names stay for the whole run; copying the library's init data, which
// carries the host's whole description, costs more than all else here.
void read_names_once() {
    host_state_type& s = host_state;
    if (s.published_names_read) return;
    APP_INIT_DATA init_data;
    boinc_get_init_data(init_data);
    s.published_app_name = graphics_window_title(init_data);
    s.published_user_name = init_data.user_name;
    s.published_names_read = true;
}

task_state current_state(const state_flags& flags) {
    task_state state;
    state.written_at = dtime();
    state.writer_pid = getpid();
    read_names_once();
    state.app_name = host_state.published_app_name;
    state.user_name = host_state.published_user_name;
    state.fraction_done = bounded_fraction_done();
    state.cpu_time = bounded_cpu_time();
    state.suspended = flags.suspended;
    state.poster_phase = flags.poster_phase;
    state.finished = flags.finished;
    return state;
}

bool write_all(int fd, const std::string& text) {
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        written += static_cast<std::size_t>(n);
    }
    return true;
}

// Writes the whole text beside the state file and renames it into place, so
// that a reader finds the old state or the new one, never a part. On failure
// `step` names what failed and errno says why.
bool replace_state_file(const std::string& text, const char*& step) {
    const std::string temporary = std::string(task_state_file_name) + ".tmp";
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC,
                        state_file_mode);
    if (fd < 0) {
        step = "create";
        return false;
    }
    bool written = fchmod(fd, state_file_mode) == 0;
    step = "make readable";
    if (written) {
        written = write_all(fd, text);
        step = "write";
    }
    const int saved_errno = errno;
    if (close(fd) != 0 && written) {
        written = false;
        step = "close";
    } else {
        errno = saved_errno;
    }
    if (written && std::rename(temporary.c_str(), task_state_file_name) == 0) return true;
    if (written) step = "rename";
    const int failure_errno = errno;
    unlink(temporary.c_str());
    errno = failure_errno;
    return false;
}

void publish(task_state& state) {
    host_state_type& s = host_state;
    state.sequence = ++s.published_sequence;
    s.published_suspended = state.suspended;
    s.published_poster_phase = state.poster_phase;
    s.published_finished = state.finished;
    s.next_publication = state.written_at + renewal_interval_seconds;

    const char* step = "";
    if (replace_state_file(format_task_state(state), step)) {
        s.publication_failure_logged = false;
        return;
    }
    // Once for a run of failures: the job goes on, and the next second tries again.
    if (s.publication_failure_logged) return;
    s.publication_failure_logged = true;
    const int failure = errno;
    const std::string what =
        std::string("cannot ") + step + " the task's state file " + task_state_file_name;
    log_host_failure(what.c_str(), std::strerror(failure));
}

}  // namespace

void publish_task_state_if_due() {
    const state_flags flags = current_flags();
    if (!differ_from_published(flags) && dtime() < host_state.next_publication) return;
    task_state state = current_state(flags);
    publish(state);
    if (state.finished) finished_state_tried.store(true, std::memory_order_release);
}

void hand_over_finished_state(double max_wait_seconds) {
    finish_requested.store(true, std::memory_order_release);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(max_wait_seconds);
    while (!finished_state_tried.load(std::memory_order_acquire) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(hand_over_poll);
    }
}
