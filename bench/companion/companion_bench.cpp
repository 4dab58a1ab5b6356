// The companion's cost against the in-process host's: whole-process
// processor time per frame, each drawing the scene in a 640 x 480 window on
// the display that DISPLAY names (Xvfb with Mesa here), and the companion's
// frame rate, counted in every second. Goals: a ratio of at most 1.05, and
// never more than 30 frames in a second.
//
// The host runs in this process, as graphics_bench runs it; the companion
// runs as its own process in a slot that this process keeps publishing to,
// with its swaps counted by a preloaded library.
// Usage: companion_bench [seconds]
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bench/companion/swap_record.h"
#include "boinc_api.h"
#include "graphics_host/display_modes.h"
#include "graphics_host/frame_timer.h"
#include "graphics_host/graphics_mode.h"
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

struct cost {
    double frames_per_second;
    double cpu_ms_per_frame;
    long most_frames_in_a_second;
};

double process_cpu_seconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec * 1e-6 + usage.ru_stime.tv_sec +
           usage.ru_stime.tv_usec * 1e-6;
}

// User and system time of another process, all its threads, from /proc.
double child_cpu_seconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const std::size_t after_name = text.rfind(')');
    if (after_name == std::string::npos) return 0;
    std::vector<std::string> fields;
    std::string field;
    for (std::size_t i = after_name + 2; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == ' ') {
            fields.push_back(field);
            field.clear();
        } else {
            field += text[i];
        }
    }
    // Fields 14 and 15 of the file, counted from the state (field 3).
    if (fields.size() < 13) return 0;
    return (std::stod(fields[11]) + std::stod(fields[12])) / sysconf(_SC_CLK_TCK);
}

template <typename Done>
void run_messages_until(Done done) {
    platform::message msg;
    while (!done() && platform::get_message(msg)) platform::dispatch_message(msg);
}

cost measure_host(double seconds) {
    platform::set_thread_timer(30, frame_timer_tick);
    set_graphics_mode(mode_window);
    const double settle_until = dtime() + 1.0;  // the first frames set libraries up
    run_messages_until([&] { return dtime() > settle_until; });
    const long swaps_before = host_swaps;
    const double cpu_before = process_cpu_seconds();
    const double start = dtime();
    run_messages_until([&] { return dtime() > start + seconds; });
    const double elapsed = dtime() - start;
    const long frames = host_swaps - swaps_before;
    const double cpu = process_cpu_seconds() - cpu_before;
    set_graphics_mode(mode_hide_graphics);
    return cost{frames / elapsed, frames ? 1000 * cpu / frames : 0, 0};
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

void publish(const std::string& slot, task_state& state) {
    ++state.sequence;
    state.written_at = dtime();
    state.fraction_done = std::min(1.0, state.fraction_done + 0.001);
    const std::string temporary = slot + "/graphics_state.txt.tmp";
    std::ofstream(temporary, std::ios::trunc) << format_task_state(state);
    std::rename(temporary.c_str(), (slot + "/" + task_state_file_name).c_str());
}

cost measure_companion(const std::string& companion, const std::string& preload, double seconds) {
    char pattern[] = "/tmp/zf_companion_bench_XXXXXX";
    const std::string slot = mkdtemp(pattern);
    std::ofstream(slot + "/init_data.xml") << "<app_init_data>\n</app_init_data>\n";
    task_state state;
    state.writer_pid = getpid();
    state.app_name = "Zorvath@Fold";
    state.user_name = "Ada Lovelace";
    state.cpu_time = 1234;
    publish(slot, state);
    // Beside the slot, not in it: the companion finds only the task's files there.
    const std::string counter_path = slot + ".swaps";
    swap_record* record = map_record(counter_path);
    if (!record) return cost{};

    const pid_t child = fork();
    if (child == 0) {
        if (chdir(slot.c_str()) != 0) _exit(127);
        setenv("LD_PRELOAD", preload.c_str(), 1);
        setenv("ZF_SWAP_COUNT_FILE", counter_path.c_str(), 1);
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDERR_FILENO);
        execl(companion.c_str(), companion.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    auto pause_publishing = [&](double duration) {
        const double until = dtime() + duration;
        double next_publication = dtime();
        while (dtime() < until) {
            if (dtime() >= next_publication) {
                publish(slot, state);
                next_publication += 1.0;
            }
            usleep(10000);
        }
    };
    pause_publishing(2.0);  // start-up and the first frames set libraries up
    const long swaps_before = record->swaps.load();
    const double cpu_before = child_cpu_seconds(child);
    const double start = dtime();
    pause_publishing(seconds);
    const double elapsed = dtime() - start;
    const long swaps_after = record->swaps.load();
    const double cpu = child_cpu_seconds(child) - cpu_before;
    const long frames = swaps_after - swaps_before;
    const long most = most_swaps_in_a_second(*record, swaps_before, swaps_after);

    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    unlink(counter_path.c_str());
    std::system(("rm -rf '" + slot + "'").c_str());
    return cost{frames / elapsed, frames ? 1000 * cpu / frames : 0, most};
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 20.0;
    if (!register_window_class()) return 1;
    set_graphics_mode(mode_window);
    if (!host_state.graphics_window) {
        std::fprintf(stderr, "companion_bench: no window: is DISPLAY set?\n");
        return 1;
    }
    set_graphics_mode(mode_hide_graphics);

    const cost host = measure_host(seconds);
    const cost companion = measure_companion(ZF_COMPANION_PATH, ZF_SWAP_COUNTER_PATH, seconds);
    std::printf("%-34s %8s %18s %22s\n", "640 x 480 window", "frames/s", "process ms/frame",
                "most frames in 1 s");
    std::printf("%-34s %8.1f %18.2f %22s\n", "in-process host", host.frames_per_second,
                host.cpu_ms_per_frame, "-");
    std::printf("%-34s %8.1f %18.2f %22ld\n", "companion", companion.frames_per_second,
                companion.cpu_ms_per_frame, companion.most_frames_in_a_second);
    if (host.cpu_ms_per_frame > 0) {
        std::printf("companion / host processor time per frame: %.3f (goal <= 1.05)\n",
                    companion.cpu_ms_per_frame / host.cpu_ms_per_frame);
    }
    return 0;
}
