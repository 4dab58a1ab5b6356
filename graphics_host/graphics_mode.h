// Display modes that the core client asks for and that the host reports back.
#pragma once

enum graphics_mode : int {
    mode_unsupported = 0,
    mode_hide_graphics = 1,
    mode_window = 2,
    mode_fullscreen = 3,
    mode_blankscreen = 4,
    reread_prefs = 5,  // a request only
    mode_quit = 6,
};

constexpr int graphics_mode_count = 7;
extern const char* const graphics_mode_tags[graphics_mode_count];

// Longest name that a request may carry, without the NUL.
constexpr int graphics_request_name_max = 255;

// A decoded request; a field that a request does not name keeps its value.
struct graphics_request_type {
    int mode;
    char window_station[graphics_request_name_max + 1];
    char desktop[graphics_request_name_max + 1];
    char display[graphics_request_name_max + 1];
};

// Decodes the request text into `record`: the mode of the highest tag found
// (mode_unsupported when none is), and each name whose tag is present.
void decode_graphics_request(const char* text, graphics_request_type& record);
