// Pixel access and PPM files for the scene's tests and snapshots.
#include "tests/scene/frame_pixels.h"

#include <cmath>
#include <cstdio>
#include <fstream>

rgb frame_pixels::at(int x, int y) const {
    const size_t offset = (static_cast<size_t>(y) * width + x) * 3;
    return rgb{bytes[offset] / 255.0, bytes[offset + 1] / 255.0, bytes[offset + 2] / 255.0};
}

bool colours_near(const rgb& actual, const rgb& expected, double tolerance) {
    return std::fabs(actual.red - expected.red) <= tolerance &&
           std::fabs(actual.green - expected.green) <= tolerance &&
           std::fabs(actual.blue - expected.blue) <= tolerance;
}

std::string describe(const rgb& colour) {
    char text[64];
    snprintf(text, sizeof(text), "(%.3f, %.3f, %.3f)", colour.red, colour.green, colour.blue);
    return text;
}

bool write_ppm(const std::string& path, const frame_pixels& frame) {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << frame.width << " " << frame.height << "\n255\n";
    const size_t row_bytes = static_cast<size_t>(frame.width) * 3;
    for (int y = frame.height - 1; y >= 0; y--) {
        out.write(reinterpret_cast<const char*>(frame.bytes.data() + row_bytes * y),
                  static_cast<std::streamsize>(row_bytes));
    }
    return static_cast<bool>(out);
}

bool read_ppm(const std::string& path, frame_pixels& frame) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int max_value = 0;
    in >> magic >> frame.width >> frame.height >> max_value;
    in.get();
    if (!in || magic != "P6" || max_value != 255 || frame.width <= 0 || frame.height <= 0) {
        return false;
    }
    const size_t row_bytes = static_cast<size_t>(frame.width) * 3;
    frame.bytes.assign(row_bytes * frame.height, 0);
    for (int y = frame.height - 1; y >= 0; y--) {
        in.read(reinterpret_cast<char*>(frame.bytes.data() + row_bytes * y),
                static_cast<std::streamsize>(row_bytes));
    }
    return static_cast<bool>(in);
}
