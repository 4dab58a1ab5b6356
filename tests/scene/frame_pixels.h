// A frame read back from GL, with rows from the bottom as GL counts them, and
// its exchange with PPM files between the snapshot tool and the tests.
#pragma once

#include <string>
#include <vector>

struct rgb {
    double red;
    double green;
    double blue;
};

struct frame_pixels {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> bytes;  // rows from the bottom, 3 bytes a pixel

    // Colour of the pixel at (x, y), y counted from the bottom, in 0..1.
    rgb at(int x, int y) const;
};

bool colours_near(const rgb& actual, const rgb& expected, double tolerance = 0.02);
std::string describe(const rgb& colour);

// Binary PPM, written top row first as image viewers expect.
bool write_ppm(const std::string& path, const frame_pixels& frame);
bool read_ppm(const std::string& path, frame_pixels& frame);
