// An even pace alone would let a tick that came late be followed by one that
// comes on time, and so 31 frames into a second; the record of the last 30
// frames makes the bound hold for every second, not just on average.
#include "companion/frame_pacer.h"

namespace {
constexpr double frame_interval = 1.0 / frame_cap_per_second;
}

bool frame_due(frame_pacer& pacer, double now) {
    if (now < pacer.next_frame) return false;
    if (pacer.recent_filled && now - pacer.recent[pacer.oldest] < 1.0) return false;
    // After a stall the pace starts afresh rather than catching up.
    if (now - pacer.next_frame > frame_interval) pacer.next_frame = now;
    pacer.next_frame += frame_interval;
    return true;
}

void note_frame_shown(frame_pacer& pacer, double shown_at) {
    pacer.recent[pacer.oldest] = shown_at;
    pacer.oldest = (pacer.oldest + 1) % pacer.recent.size();
    if (pacer.oldest == 0) pacer.recent_filled = true;
}
