// Frame rate, the graphics thread's processor time per frame and its share
// of the elapsed time, for a 640 x 480 window and for full screen, and the
// delay from a mode request to its reply, on the display that DISPLAY names
// (Xvfb with Mesa here). Goals: 30 frames a second and never more; a reply
// within one 30 ms tick at the median.
//
// Frames are counted at the buffer swap, which the tick makes only for a
// frame that the throttle let through. Usage: graphics_bench [seconds]
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app_ipc.h"
#include "boinc_api.h"
#include "graphics_host/frame_tick.h"
#include "graphics_host/graphics_mode.h"
#include "graphics_host/mode_switch.h"
#include "graphics_host/window_procedure.h"
#include "platform/message_loop.h"
#include "util.h"

// GLX, and with it Xlib, last: Xlib's macros (None, Bool, Always) break the
// headers above, and this comment keeps clang-format, which sorts only within
// a group, from moving it up.
#include <GL/glx.h>

namespace {
long swaps = 0;
long ticks = 0;

void counting_tick() {
    ++ticks;
    frame_timer_tick();
}
}  // namespace

// The platform's swap, counted; the linker routes the layer's calls here.
extern "C" void __real_glXSwapBuffers(Display* display, GLXDrawable drawable);
extern "C" void __wrap_glXSwapBuffers(Display* display, GLXDrawable drawable) {
    ++swaps;
    __real_glXSwapBuffers(display, drawable);
}

namespace {

double thread_cpu_seconds() {
    double seconds = 0;
    boinc_calling_thread_cpu_time(seconds);
    return seconds;
}

double process_cpu_seconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec * 1e-6 + usage.ru_stime.tv_sec +
           usage.ru_stime.tv_usec * 1e-6;
}

template <typename Done>
void run_messages_until(Done done) {
    platform::message msg;
    while (!done() && platform::get_message(msg)) platform::dispatch_message(msg);
}

struct frame_figures {
    double frames_per_second;
    double thread_cpu_per_frame_ms;
    double thread_share;
    double process_share;
};

frame_figures measure_frames(int mode, double seconds) {
    set_graphics_mode(mode);
    const double settle_until = dtime() + 1.0;  // the first frames set libraries up
    run_messages_until([&] { return dtime() > settle_until; });

    const long swaps_before = swaps;
    const double start = dtime();
    const double thread_before = thread_cpu_seconds();
    const double process_before = process_cpu_seconds();
    run_messages_until([&] { return dtime() > start + seconds; });
    const double elapsed = dtime() - start;
    const double thread_cpu = thread_cpu_seconds() - thread_before;
    const double process_cpu = process_cpu_seconds() - process_before;
    const long frames = swaps - swaps_before;
    set_graphics_mode(mode_hide_graphics);
    return frame_figures{frames / elapsed, frames ? 1000.0 * thread_cpu / frames : 0.0,
                         thread_cpu / elapsed, process_cpu / elapsed};
}

// The core client's side of the two graphics channels.
SHARED_MEM shared_memory;
APP_CLIENT_SHM client;

bool reply_waiting() { return shared_memory.graphics_reply.buf[0] != 0; }

void take_reply() { shared_memory.graphics_reply.buf[0] = 0; }

void send_request(const char* tag) {
    std::strcpy(shared_memory.graphics_request.buf + 1, tag);
    shared_memory.graphics_request.buf[0] = 1;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Milliseconds from a request to its reply; a request for the mode in force
// gets no reply, so each measured one starts from `from`.
std::vector<double> measure_reply_delays(int to, int from, int requests) {
    std::vector<double> delays;
    for (int i = 0; i < requests; ++i) {
        if (host_state.current_graphics_mode != from) {
            send_request(graphics_mode_tags[from]);
            run_messages_until(reply_waiting);
            take_reply();
        }
        // A request comes at any moment of the tick's period: wait for a tick,
        // then for a random part of the period, with the loop not running.
        const long tick_seen = ticks;
        run_messages_until([&] { return ticks > tick_seen; });
        usleep(static_cast<useconds_t>(30000.0 * std::rand() / RAND_MAX));
        const double sent = dtime();
        send_request(graphics_mode_tags[to]);
        run_messages_until(reply_waiting);
        delays.push_back(1000.0 * (dtime() - sent));
        take_reply();
    }
    return delays;
}

void attach_client_channels() {
    client.shm = &shared_memory;
    app_client_shm = &client;
    run_messages_until(reply_waiting);  // the first tick's report
    take_reply();
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    if (!register_window_class()) return 1;
    platform::set_thread_timer(30, counting_tick);
    set_graphics_mode(mode_window);
    if (!host_state.graphics_window) {
        std::fprintf(stderr, "graphics_bench: no window: is DISPLAY set?\n");
        return 1;
    }
    set_graphics_mode(mode_hide_graphics);

    std::printf("%-22s %8s %16s %14s %15s\n", "display", "frames/s", "thread ms/frame",
                "thread share", "process share");
    const struct {
        const char* name;
        int mode;
    } cases[] = {{"window 640 x 480", mode_window}, {"full screen", mode_fullscreen}};
    for (const auto& c : cases) {
        const frame_figures f = measure_frames(c.mode, seconds);
        std::printf("%-22s %8.1f %16.2f %13.1f%% %14.1f%%\n", c.name, f.frames_per_second,
                    f.thread_cpu_per_frame_ms, 100 * f.thread_share, 100 * f.process_share);
    }
    attach_client_channels();
    const auto to_window = measure_reply_delays(mode_window, mode_hide_graphics, 20);
    const auto to_hidden = measure_reply_delays(mode_hide_graphics, mode_window, 20);
    std::printf("mode request to reply, median: to a window %.1f ms, to hidden %.1f ms\n",
                median(to_window), median(to_hidden));
    return 0;
}
