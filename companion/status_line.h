// The one line drawn over the scene: who runs the task, how far it is, how
// much processor time it has taken and whether it runs.
#pragma once

#include <string>

#include "platform/window.h"
#include "task_state/task_state.h"

// The text shown while no valid state has been read.
extern const char waiting_for_the_task[];

// The line for a state; bytes outside printable ASCII come out as '?'.
std::string status_line_text(const task_state& state);

// Printable ASCII as it is, every other byte '?', so that nothing the task
// writes can reach the screen or the window manager as a control or a
// malformed character.
std::string printable_ascii(const std::string& text);

// The band as last drawn. The text changes about once a second, and drawing
// it character by character costs more than the rest of the frame, so it is
// drawn once and handed to the X server as the window's bottom strip; only if
// the server will not take it is the band drawn with every frame.
struct status_band_cache {
    std::string text;
    int width = 0;
    int height = 0;
    bool on_strip = false;
};

// Shows the line in a dark band along the bottom of a width x height window,
// leaving the GL state (matrices, enables, colour) as it found it.
void draw_status_line(platform::window_handle window, const std::string& text, int width,
                      int height, status_band_cache& cache);
