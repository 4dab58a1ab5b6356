// The one line drawn over the scene: who runs the task, how far it is, how
// much processor time it has taken and whether it runs.
#pragma once

#include <string>

#include "task_state/task_state.h"

// The text shown while no valid state has been read.
extern const char waiting_for_the_task[];

// The line for a state; bytes outside printable ASCII come out as '?'.
std::string status_line_text(const task_state& state);

// Printable ASCII as it is, every other byte '?', so that nothing the task
// writes can reach the screen or the window manager as a control or a
// malformed character.
std::string printable_ascii(const std::string& text);

// The band as last drawn, kept as a texture of the current GL context: the
// text changes about once a second, and drawing it character by character
// costs more than the rest of the frame.
struct status_band_cache {
    std::string text;
    int width = 0;
    int height = 0;
    unsigned int texture = 0;  // 0 until the band has been drawn once
};

// Draws the line in a dark band along the bottom of the viewport, leaving the
// GL state (matrices, enables, colour, texture) as it found it.
void draw_status_line(const std::string& text, status_band_cache& cache);
