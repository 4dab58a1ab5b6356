// The colour cycle of the square and the path of the camera.
#include "scene/scene_motion.h"

#include <cmath>

double ramp_remainder_256(double product) {
    if (!std::isfinite(product)) return 0.0;
    // fmod of an integral double is exact, so in range this equals int(product) % 256.
    return std::fmod(std::trunc(product), 256.0);
}

square_colour square_colour_at(double elapsed) {
    return square_colour{1.0, ramp_remainder_256(elapsed * 11) / 256,
                         ramp_remainder_256(elapsed * 17) / 256, 0.5 * std::cos(elapsed / 4) + 0.5};
}

eye_position eye_position_at(double elapsed) {
    const double angle = 0.31415926535897 * elapsed;
    return eye_position{2.0 * std::cos(angle), 0.73 * std::cos(angle / 2.3748),
                        2.0 * std::sin(angle)};
}
