#include "companion/status_line.h"

#include <algorithm>
#include <cstdio>

#include "companion/shown_text.h"

namespace {

// Beyond this the hours would no longer fit the line; the parser bounds nothing here.
constexpr double longest_shown_cpu_seconds = 359999999.0;
constexpr char first_strong_isolate[] = "\u2068";
constexpr char pop_directional_isolate[] = "\u2069";

const char* run_state_text(const task_state& state) {
    if (state.finished) return "finished";
    if (state.suspended) return "suspended";
    return "running";
}

std::string hours_minutes_seconds(double seconds) {
    if (!(seconds >= 0)) seconds = 0;
    const auto whole = static_cast<long>(std::min(seconds, longest_shown_cpu_seconds));
    char text[32];
    std::snprintf(text, sizeof(text), "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60, whole % 60);
    return text;
}

std::string percent_done(double fraction) {
    if (!(fraction >= 0)) fraction = 0;
    char text[16];
    std::snprintf(text, sizeof(text), "%.1f%%", 100 * std::min(fraction, 1.0));
    return text;
}

}  // namespace

const char* waiting_for_the_task() { return "waiting for the task"; }

std::string status_line_text(const task_state& state) {
    std::string line;
    const std::u32string name = shown_name(state.user_name, longest_shown_name);
    if (!name.empty())
        line = first_strong_isolate + encode_utf8(name) + pop_directional_isolate + "  ";
    line += percent_done(state.fraction_done) + " done  ";
    line += hours_minutes_seconds(state.cpu_time) + " processor time  ";
    line += run_state_text(state);
    return line;
}
