// Any request text decodes to a known mode and names that fit their fields.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "graphics_host/graphics_mode.h"

namespace {

// A name that a request did not set must survive the decoding untouched.
constexpr const char* previous_name = "previous";

bool name_is_sound(const char* name, const std::string& text, const char* tag) {
    std::size_t length = ::strnlen(name, graphics_request_name_max + 1);
    if (length > graphics_request_name_max) return false;
    return text.find(tag) != std::string::npos || std::strcmp(name, previous_name) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    graphics_request_type record = {};
    std::strcpy(record.window_station, previous_name);
    std::strcpy(record.desktop, previous_name);
    std::strcpy(record.display, previous_name);
    decode_graphics_request(text.c_str(), record);
    if (record.mode < 0 || record.mode >= graphics_mode_count) std::abort();
    const std::string visible = text.c_str();
    if (!name_is_sound(record.window_station, visible, "<window_station>")) std::abort();
    if (!name_is_sound(record.desktop, visible, "<desktop>")) std::abort();
    if (!name_is_sound(record.display, visible, "<display>")) std::abort();
    return 0;
}
