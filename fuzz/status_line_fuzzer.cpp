// Whatever name the task's account writes, the status line is well-formed
// UTF-8 with the name in one closed isolate, no control reaches it, the
// numbers and the run state follow the name unchanged, and laying it out with
// the desktop's fonts stays within its memory.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "companion/harfbuzz_library.h"
#include "companion/line_fonts.h"
#include "companion/shown_text.h"
#include "companion/status_line.h"
#include "companion/text_band.h"

namespace {

const char expected_rest[] =
    "\u2069  45.7% done  1 hour 2 minutes 5 seconds processor time  running";

void check_line(const std::string& line) {
    const std::u32string decoded = decode_utf8(line);
    if (encode_utf8(decoded) != line) std::abort();
    if (decoded.empty() || decoded.front() != U'\u2068') std::abort();
    std::size_t isolates_closed = 0;
    for (std::size_t i = 1; i < decoded.size(); ++i) {
        const char32_t c = decoded[i];
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029) std::abort();
        if (c >= 0x2066 && c <= 0x2069) ++isolates_closed;
    }
    if (isolates_closed != 1) std::abort();
    if (decoded.size() > longest_shown_name + 2 + decode_utf8(expected_rest).size()) std::abort();
    const std::string rest(expected_rest);
    if (line.size() < rest.size() || line.compare(line.size() - rest.size(), rest.size(), rest))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    task_state state;
    state.user_name.assign(reinterpret_cast<const char*>(data), size);
    state.fraction_done = 0.4567;
    state.cpu_time = 3725.9;
    const std::string line = status_line_text(state, companion_words{});
    if (shown_name(state.user_name, longest_shown_name).empty()) return 0;
    check_line(line);
    static line_fonts fonts(status_text_family, status_text_pixel_size, host_harfbuzz());
    const band_geometry geometry{640, status_band_height, status_text_left, status_text_baseline};
    const band_picture band = draw_text_band(decode_utf8(line), geometry, fonts, host_harfbuzz());
    if (band.rgba.size() != static_cast<std::size_t>(640) * status_band_height * 4) std::abort();
    return 0;
}
