// At most 30 frames in any second, spread evenly over the ticks.
#pragma once

#include <array>
#include <cstddef>

#include "task_window/task_window.h"

struct frame_pacer {
    // When the next frame may come, keeping the pace even.
    double next_frame = 0;
    // When the last 30 frames were shown, oldest at `oldest`: a frame comes
    // only a whole second after the one 30 frames before it was shown.
    std::array<double, frame_cap_per_second> recent{};
    std::size_t oldest = 0;
    bool recent_filled = false;
};

// Whether a frame may be drawn at monotonic time now; keeps the pace when it may.
bool frame_due(frame_pacer& pacer, double now);
// Counts a frame once it has been shown (its buffers swapped), at monotonic
// time shown_at: a frame slow to draw must not let the next ones crowd the
// second after it.
void note_frame_shown(frame_pacer& pacer, double shown_at);
