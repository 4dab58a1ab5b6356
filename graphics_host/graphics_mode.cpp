// The tag texts of the display modes, and the decoding of the core client's
// graphics requests.
#include "graphics_host/graphics_mode.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

#include "parse.h"

const char* const graphics_mode_tags[graphics_mode_count] = {
    "<mode_unsupported/>", "<mode_hide_graphics/>", "<mode_window/>", "<mode_fullscreen/>",
    "<mode_blankscreen/>", "<reread_prefs/>",       "<mode_quit/>",
};

namespace {

using name_field = char[graphics_request_name_max + 1];

// Replaces the field with the trimmed, unescaped text after the tag; keeps it
// when the tag or the "<" that ends its text is missing.
void decode_name(const char* text, const char* tag, name_field& field) {
    // WORKAROUND(BOINC 7.20.5, Debian 12): the library cuts to its buffer before trimming and
    // unescaping, so give it room for the whole text and cut the finished name ourselves.
    const std::size_t room = std::min<std::size_t>(std::strlen(text) + 1, INT_MAX);
    std::string parsed(room, '\0');
    if (!parse_str(text, tag, parsed.data(), static_cast<int>(room))) return;
    std::size_t length = std::strlen(parsed.c_str());
    if (length > graphics_request_name_max) length = graphics_request_name_max;
    std::memcpy(field, parsed.data(), length);
    field[length] = '\0';
}

// The highest mode whose tag occurs anywhere in the text wins.
int decode_mode(const char* text) {
    int mode = mode_unsupported;
    for (int value = 0; value < graphics_mode_count; ++value) {
        if (std::strstr(text, graphics_mode_tags[value])) mode = value;
    }
    return mode;
}

}  // namespace

void decode_graphics_request(const char* text, graphics_request_type& record) {
    if (!text) return;
    decode_name(text, "<window_station>", record.window_station);
    decode_name(text, "<desktop>", record.desktop);
    decode_name(text, "<display>", record.display);
    record.mode = decode_mode(text);
}
