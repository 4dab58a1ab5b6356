#include "companion/status_line.h"

#include <algorithm>
#include <cmath>

#include "companion/shown_text.h"

namespace {

// Beyond this the hours would no longer fit the line; the parser bounds nothing here.
constexpr double longest_shown_cpu_seconds = 359999999.0;
constexpr char first_strong_isolate[] = "\u2068";
constexpr char pop_directional_isolate[] = "\u2069";
constexpr char gap[] = "  ";

std::string run_state_text(const task_state& state, const companion_words& words) {
    if (state.finished) return translate(words, "finished");
    if (state.suspended) return translate(words, "suspended");
    return translate(words, "running");
}

// A count in the form its number takes: "%s" in the message is the number.
std::string counted(const std::string& message, unsigned long n) {
    return fill_in(message, {std::to_string(n)});
}

std::string processor_time(double seconds, const companion_words& words) {
    if (!(seconds >= 0)) seconds = 0;
    const auto whole = static_cast<unsigned long>(std::min(seconds, longest_shown_cpu_seconds));
    const unsigned long m = whole / 60 % 60;
    const unsigned long sec = whole % 60;
    const std::string minutes = counted(translate_plural(words, "%s minute", "%s minutes", m), m);
    const std::string secs = counted(translate_plural(words, "%s second", "%s seconds", sec), sec);
    std::string shown;
    if (whole >= 3600) {
        const unsigned long h = whole / 3600;
        const std::string hours = counted(translate_plural(words, "%s hour", "%s hours", h), h);
        // TRANSLATORS: hours, minutes and seconds of processor time, each a "%s hour(s)" etc.
        shown = fill_in(translate(words, "%1$s %2$s %3$s"), {hours, minutes, secs});
    } else {
        // TRANSLATORS: minutes and seconds of processor time.
        shown = fill_in(translate(words, "%1$s %2$s"), {minutes, secs});
    }
    return fill_in(translate(words, "%s processor time"), {shown});
}

// One digit after the locale's decimal mark.
std::string percent_done(double fraction, const companion_words& words) {
    if (!(fraction >= 0)) fraction = 0;
    const long tenths = std::lround(1000 * std::min(fraction, 1.0));
    const std::string number =
        std::to_string(tenths / 10) + words.decimal_mark + std::to_string(tenths % 10);
    // TRANSLATORS: %s is the share of the task done, as "45.7"; %% is the percent sign.
    return fill_in(translate(words, "%s%% done"), {number});
}

}  // namespace

std::string waiting_for_the_task(const companion_words& words) {
    return translate(words, "waiting for the task");
}

std::string status_line_text(const task_state& state, const companion_words& words) {
    std::string line;
    const std::u32string name = shown_name(state.user_name, longest_shown_name);
    if (!name.empty())
        line = first_strong_isolate + encode_utf8(name) + pop_directional_isolate + gap;
    line += percent_done(state.fraction_done, words) + gap;
    line += processor_time(state.cpu_time, words) + gap;
    line += run_state_text(state, words);
    return line;
}
