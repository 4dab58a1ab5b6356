// The companion's cost against the in-process host's: whole-process
// processor time per frame, each drawing the scene in a 640 x 480 window on
// the display that DISPLAY names (Xvfb with Mesa here), and the companion's
// frame rate, counted in every second. Goals: a ratio of at most 1.05, and
// never more than 30 frames in a second.
//
// The host runs in this process, as graphics_bench runs it; the companion
// runs as its own process in a slot that this process keeps publishing to,
// with its swaps counted by a preloaded library. The two take turns in short
// rounds, the other one stopped meanwhile, so that a change in the machine's
// load (a shared machine's is never steady) falls on both alike.
// Usage: companion_bench [seconds measured for each]
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/companion/swap_record.h"
#include "boinc_api.h"
#include "graphics_host/frame_tick.h"
#include "graphics_host/graphics_mode.h"
#include "graphics_host/host_state.h"
#include "graphics_host/mode_switch.h"
#include "graphics_host/window_procedure.h"
#include "platform/message_loop.h"
#include "task_state/task_state.h"
#include "util.h"

// GLX, and with it Xlib, last: Xlib's macros (None, Bool, Always) break the
// headers above, and this comment keeps clang-format, which sorts only within
// a group, from moving it up.
#include <GL/glx.h>

namespace {
long host_swaps = 0;
}  // namespace

extern "C" void __real_glXSwapBuffers(Display* display, GLXDrawable drawable);
extern "C" void __wrap_glXSwapBuffers(Display* display, GLXDrawable drawable) {
    ++host_swaps;
    __real_glXSwapBuffers(display, drawable);
}

namespace {

constexpr int rounds = 8;
constexpr double host_settling_seconds = 0.3;
// After SIGCONT the companion's timer and pacer start afresh.
constexpr double companion_settling_seconds = 0.5;

// What one round measured, or the sum of several.
struct usage {
    double cpu_seconds = 0;
    long frames = 0;
    double elapsed = 0;

    double frames_per_second() const { return elapsed > 0 ? frames / elapsed : 0; }
    double cpu_ms_per_frame() const { return frames ? 1000 * cpu_seconds / frames : 0; }
    usage& operator+=(const usage& other) {
        cpu_seconds += other.cpu_seconds;
        frames += other.frames;
        elapsed += other.elapsed;
        return *this;
    }
};

// Processor time of all of a process's threads, Mesa's rasteriser threads
// among them, to the nanosecond: the tick-grained counters of /proc/PID/stat
// are too coarse for rounds of a few seconds.
double process_cpu_seconds(pid_t pid) {
    namespace fs = std::filesystem;
    double total = 0;
    std::error_code error;
    for (const auto& thread :
         fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        std::ifstream schedstat(thread.path() / "schedstat");
        double nanoseconds = 0;
        if (schedstat >> nanoseconds) total += nanoseconds * 1e-9;
    }
    return total;
}

// Of one round's companion against the host's round before it.
struct ratio_range {
    double least = 1e9;
    double most = 0;
};

template <typename Done>
void run_messages_until(Done done) {
    platform::message msg;
    while (!done() && platform::get_message(msg)) platform::dispatch_message(msg);
}

usage host_round(double seconds) {
    // The throttle would count the companion's turn as frames owed, and draw
    // at every tick until they were paid.
    host_state.render_throttle.last_render_check_time = dtime();
    const double settled = dtime() + host_settling_seconds;
    run_messages_until([&] { return dtime() > settled; });
    const long swaps_before = host_swaps;
    const double cpu_before = process_cpu_seconds(getpid());
    const double start = dtime();
    run_messages_until([&] { return dtime() > start + seconds; });
    return usage{process_cpu_seconds(getpid()) - cpu_before, host_swaps - swaps_before,
                 dtime() - start};
}

swap_record* map_record(const std::string& path) {
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0 || ftruncate(fd, sizeof(swap_record)) != 0) return nullptr;
    void* memory = mmap(nullptr, sizeof(swap_record), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    return memory == MAP_FAILED ? nullptr : static_cast<swap_record*>(memory);
}

// The most swaps that fall into any one second, from the recorded times.
long most_swaps_in_a_second(const swap_record& record, long first, long last) {
    last = std::min(last, swap_record_capacity);
    long most = 0;
    for (long begin = first, end = first; begin < last; ++begin) {
        while (end < last && record.times[end] < record.times[begin] + 1.0) ++end;
        most = std::max(most, end - begin);
    }
    return most;
}

struct companion_run {
    pid_t pid = -1;
    std::string slot;
    std::string counter_path;
    swap_record* record = nullptr;
    task_state state;
};

void publish(companion_run& run) {
    task_state& state = run.state;
    ++state.sequence;
    state.written_at = dtime();
    state.fraction_done = std::min(1.0, state.fraction_done + 0.001);
    const std::string temporary = run.slot + "/graphics_state.txt.tmp";
    std::ofstream(temporary, std::ios::trunc) << format_task_state(state);
    std::rename(temporary.c_str(), (run.slot + "/" + task_state_file_name).c_str());
}

// Waits, publishing the task's state every second as the task would.
void publish_for(companion_run& run, double duration) {
    const double until = dtime() + duration;
    double next_publication = dtime();
    while (dtime() < until) {
        if (dtime() >= next_publication) {
            publish(run);
            next_publication += 1.0;
        }
        usleep(10000);
    }
}

bool start_companion(companion_run& run, const std::string& companion, const std::string& preload) {
    char pattern[] = "/tmp/zf_companion_bench_XXXXXX";
    if (!mkdtemp(pattern)) return false;
    run.slot = pattern;
    std::ofstream(run.slot + "/init_data.xml") << "<app_init_data>\n</app_init_data>\n";
    run.state.writer_pid = getpid();
    run.state.app_name = "Zorvath@Fold";
    run.state.user_name = "Ada Lovelace";
    run.state.cpu_time = 1234;
    publish(run);
    // Beside the slot, not in it: the companion finds only the task's files there.
    run.counter_path = run.slot + ".swaps";
    run.record = map_record(run.counter_path);
    if (!run.record) return false;

    run.pid = fork();
    if (run.pid == 0) {
        if (chdir(run.slot.c_str()) != 0) _exit(127);
        setenv("LD_PRELOAD", preload.c_str(), 1);
        setenv("ZF_SWAP_COUNT_FILE", run.counter_path.c_str(), 1);
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDERR_FILENO);
        execl(companion.c_str(), companion.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    if (run.pid < 0) return false;
    publish_for(run, 2.0);  // start-up and the first frames set libraries up
    kill(run.pid, SIGSTOP);
    return true;
}

usage companion_round(companion_run& run, double seconds) {
    kill(run.pid, SIGCONT);
    publish_for(run, companion_settling_seconds);
    const long swaps_before = run.record->swaps.load();
    const double cpu_before = process_cpu_seconds(run.pid);
    const double start = dtime();
    publish_for(run, seconds);
    const usage result{process_cpu_seconds(run.pid) - cpu_before,
                       run.record->swaps.load() - swaps_before, dtime() - start};
    kill(run.pid, SIGSTOP);
    return result;
}

void stop_companion(companion_run& run) {
    if (run.pid > 0) {
        kill(run.pid, SIGKILL);
        waitpid(run.pid, nullptr, 0);
    }
    if (!run.counter_path.empty()) unlink(run.counter_path.c_str());
    if (!run.slot.empty()) std::system(("rm -rf '" + run.slot + "'").c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 20.0;
    const double round_seconds = std::max(0.5, seconds / rounds);
    if (!register_window_class()) return 1;
    set_graphics_mode(mode_window);
    if (!host_state.graphics_window) {
        std::fprintf(stderr, "companion_bench: no window: is DISPLAY set?\n");
        return 1;
    }
    platform::set_thread_timer(30, frame_timer_tick);
    host_round(1.0);  // the first frames set libraries up

    companion_run run;
    if (!start_companion(run, ZF_COMPANION_PATH, ZF_SWAP_COUNTER_PATH)) {
        std::fprintf(stderr, "companion_bench: cannot start the companion\n");
        stop_companion(run);
        return 1;
    }
    const long first_swap = run.record->swaps.load();
    usage host;
    usage companion;
    ratio_range range;
    for (int round = 0; round < rounds; ++round) {
        const usage host_part = host_round(round_seconds);
        const usage companion_part = companion_round(run, round_seconds);
        host += host_part;
        companion += companion_part;
        if (host_part.cpu_ms_per_frame() > 0) {
            const double ratio = companion_part.cpu_ms_per_frame() / host_part.cpu_ms_per_frame();
            range.least = std::min(range.least, ratio);
            range.most = std::max(range.most, ratio);
        }
    }
    const long most = most_swaps_in_a_second(*run.record, first_swap, run.record->swaps.load());
    stop_companion(run);
    set_graphics_mode(mode_hide_graphics);

    std::printf("%-34s %8s %18s %22s\n", "640 x 480 window", "frames/s", "process ms/frame",
                "most frames in 1 s");
    std::printf("%-34s %8.1f %18.2f %22s\n", "in-process host", host.frames_per_second(),
                host.cpu_ms_per_frame(), "-");
    std::printf("%-34s %8.1f %18.2f %22ld\n", "companion", companion.frames_per_second(),
                companion.cpu_ms_per_frame(), most);
    if (host.cpu_ms_per_frame() > 0) {
        std::printf(
            "companion / host processor time per frame: %.3f over %d rounds, %.2f to %.2f in "
            "one (goal <= 1.05)\n",
            companion.cpu_ms_per_frame() / host.cpu_ms_per_frame(), rounds, range.least,
            range.most);
    }
    return 0;
}
