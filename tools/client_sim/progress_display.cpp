#include "tools/client_sim/progress_display.h"

#include <algorithm>

namespace {

constexpr int bar_width = 40;

}  // namespace

std::string format_seconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", seconds);
    return text;
}

void progress_display::event(const std::string& text) {
    erase_bar();
    std::fprintf(out_, "%s\n", text.c_str());
    draw_bar();
    std::fflush(out_);
}

void progress_display::status(double seconds, const task_status& status) {
    if (!terminal_) {
        status_line(seconds, status);
        return;
    }
    bar_seconds_ = seconds;
    bar_status_ = status;
    bar_shown_ = true;
    draw_bar();
    std::fflush(out_);
}

void progress_display::status_line(double seconds, const task_status& status) {
    erase_bar();
    std::fprintf(out_,
                 "status at %s s: fraction_done %.6f cpu_time %.2f s checkpoint_cpu_time %.2f s\n",
                 format_seconds(seconds).c_str(), status.fraction_done, status.current_cpu_time,
                 status.checkpoint_cpu_time);
    draw_bar();
    std::fflush(out_);
}

void progress_display::finish() {
    if (terminal_ && bar_shown_) std::fputc('\n', out_);
    bar_shown_ = false;
    std::fflush(out_);
}

void progress_display::draw_bar() {
    if (!terminal_ || !bar_shown_) return;
    double fraction = std::clamp(bar_status_.fraction_done, 0.0, 1.0);
    int filled = static_cast<int>(fraction * bar_width + 0.5);
    std::string bar(filled, '#');
    bar.append(bar_width - filled, '.');
    std::fprintf(out_, "\r[%s] %6.2f %%  cpu %.2f s  checkpoint %.2f s  at %.0f s\x1b[K",
                 bar.c_str(), fraction * 100.0, bar_status_.current_cpu_time,
                 bar_status_.checkpoint_cpu_time, bar_seconds_);
}

void progress_display::erase_bar() {
    if (terminal_ && bar_shown_) std::fputs("\r\x1b[K", out_);
}
