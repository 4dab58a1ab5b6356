// At most 30 frames in any second, spread evenly over the 30 ms ticks.
#pragma once

#include <array>
#include <cstddef>

constexpr int max_frames_per_second = 30;

struct frame_pacer {
    // When the next frame may come, keeping the pace even.
    double next_frame = 0;
    // The times of the last 30 frames, oldest at `oldest`: a frame comes only
    // a whole second after the one 30 frames before it.
    std::array<double, max_frames_per_second> recent{};
    std::size_t oldest = 0;
    bool recent_filled = false;
};

// Whether a frame may be drawn at monotonic time now; counts it when it may.
bool frame_due(frame_pacer& pacer, double now);
