#include "companion/companion_loop.h"

#include <chrono>
#include <string>

#include "companion/companion_exit.h"
#include "companion/companion_log.h"
#include "companion/companion_state.h"
#include "companion/companion_window.h"
#include "companion/screensaver_embedding.h"
#include "companion/shown_text.h"
#include "companion/state_watch.h"
#include "companion/status_line.h"
#include "scene/app_graphics.h"
#include "task_window/process_liveness.h"
#include "task_window/task_window.h"
#include "task_window/tick_loop.h"
#include "util.h"

namespace {

// A little longer than a frame at 30 a second, so that nearly every tick draws
// one: with the host's 30 ms, every tenth tick or so found its frame not yet
// due and cost a wake-up for nothing, and the pacer's second-long bound cut
// the rate to 28.7.
constexpr unsigned tick_period_ms = 34;

double monotonic_seconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void on_tick() { companion_tick(monotonic_seconds()); }

std::string title_for(const task_state& state) {
    return state.app_name.empty() ? default_task_window_title : printable_ascii(state.app_name);
}

// One line whenever the task comes into view or goes out of it, for whoever
// reads the companion's standard error (the Manager's, or a test).
void log_change_of_view(companion_state_type& s) {
    const bool showing = s.watch.latest_is_current;
    if (s.view_logged && showing == s.showing_task) return;
    s.view_logged = true;
    s.showing_task = showing;
    if (showing) {
        companion_log("showing the task of process %ld", s.watch.latest.writer_pid);
    } else {
        companion_log("waiting for the task");
    }
}

void look_at_slot_if_due(companion_state_type& s, double now) {
    if (now < s.next_look) return;
    s.next_look = now + slot_look_interval;
    note_slot_look(s.watch, look_at_slot(), now);
    keep_embedded_window_mapped(s.window);
    if (embedder_gone(s.window, s.embedding)) end_companion(0, "the screensaver's window is gone");
    log_change_of_view(s);
    if (s.watch.latest_is_current) set_companion_title(title_for(s.watch.latest));
}

void end_if_task_over(const companion_state_type& s, double now) {
    const end_reason reason = companion_end_reason(s.watch, now, process_alive);
    if (reason != end_reason::none) end_companion(0, end_reason_text(reason));
}

// The scene's poster frames leave their own clear colour behind; a state that
// leaves the poster phase (only a hostile one can) gets the scene's set-up back.
void follow_poster_phase(companion_state_type& s) {
    const bool poster = s.watch.latest_is_current && s.watch.latest.poster_phase;
    show_poster.store(poster, std::memory_order_relaxed);
    if (s.poster_shown && !poster) app_graphics_init();
    s.poster_shown = poster;
}

void draw_frame(companion_state_type& s) {
    platform::rect client{};
    platform::get_client_rect(s.window, client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    follow_poster_phase(s);
    app_graphics_draw_frame(width, height, dtime());
    draw_status_line(s.window,
                     s.watch.latest_is_current ? status_line_text(s.watch.latest, s.words)
                                               : waiting_for_the_task(s.words),
                     width, height, s.status_band);
    platform::swap_buffers(s.window_dc);
    note_frame_shown(s.pacer, monotonic_seconds());
}

}  // namespace

void companion_tick(double now) {
    companion_state_type& s = companion_state;
    look_at_slot_if_due(s, now);
    end_if_task_over(s, now);
    if (!s.window_visible || !s.gl_context) return;
    if (frame_due(s.pacer, now)) draw_frame(s);
}

int run_companion(companion_display display, int argc, char** argv) {
    companion_state_type& s = companion_state;
    s.display = display;
    s.words = desktop_words();
    // The first look names the window before it opens.
    look_at_slot_if_due(s, monotonic_seconds());
    if (!open_companion_window()) return 1;
    advertise_launch_command(s.window, argc, argv);
    run_tick_loop(tick_period_ms, on_tick);
    return 0;
}
