// The one line drawn over the scene: who runs the task, how far it is, how
// much processor time it has taken and whether it runs.
#pragma once

#include <string>

#include "companion/companion_words.h"
#include "companion/text_band.h"
#include "platform/window.h"
#include "task_state/task_state.h"

// Where the band's text lies: its font's size, its start from the left and
// its baseline above the window's bottom, in pixels.
constexpr int status_band_height = 26;
constexpr int status_text_left = 8;
constexpr int status_text_baseline = 8;
constexpr int status_text_pixel_size = 16;
constexpr char status_text_family[] = "sans-serif";

// The most of a name that the line shows, in characters.
constexpr std::size_t longest_shown_name = 48;

// The text shown while no valid state has been read.
std::string waiting_for_the_task(const companion_words& words);

// The line for a state, in UTF-8 and in the words' language: the name, the
// share done, the processor time in hours, minutes and seconds, the run
// state. The name is shown as shown_name() makes it and set apart as a
// first-strong isolate (U+2068 ... U+2069), so that whatever direction or
// bidi controls it holds, the rest keeps its order.
std::string status_line_text(const task_state& state, const companion_words& words);

// The band as last drawn. The text changes about once a second, so it is
// drawn once and handed to the X server as the window's bottom strip; only if
// the server will not take it are its pixels drawn with every frame.
struct status_band_cache {
    std::string text;
    int width = 0;
    int height = 0;
    bool on_strip = false;
    band_picture picture;
};

// The band for a line, width pixels wide, as the window shows it.
band_picture draw_status_band(const std::string& text, int width, int window_height);

// Shows the line in a dark band along the bottom of a width x height window,
// leaving the GL state (matrices, enables, colour) as it found it.
void draw_status_line(platform::window_handle window, const std::string& text, int width,
                      int height, status_band_cache& cache);
