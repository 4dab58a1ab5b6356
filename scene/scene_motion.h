// The animated scene's motion as pure functions of the time elapsed since the
// first frame, so that any moment can be computed and checked without GL.
#pragma once

struct square_colour {
    double red;
    double green;
    double blue;
    double alpha;
};

struct eye_position {
    double x;
    double y;
    double z;
};

// Remainder of trunc(product) by 256, the sign following the product, exactly as
// a 32-bit truncation gives it in range; products beyond the int range go on
// ramping instead of relying on an undefined conversion, and NaN gives 0.
double ramp_remainder_256(double product);

square_colour square_colour_at(double elapsed);
eye_position eye_position_at(double elapsed);
