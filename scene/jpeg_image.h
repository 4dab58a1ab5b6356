// Decoding a JPEG file into 8-bit RGB pixels, refusing anything that is not a
// whole, valid JPEG or that is larger than the caller can take.
#pragma once

#include <cstddef>
#include <cstdio>
#include <vector>

enum jpeg_status {
    jpeg_ok = 0,
    jpeg_cannot_open = 1,
    jpeg_bad_data = 2,
    jpeg_too_large = 3,
};

struct jpeg_limits {
    int max_dimension;     // largest width or height accepted, in pixels
    size_t max_rgb_bytes;  // largest decoded image accepted, in bytes
};

struct rgb_image {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> pixels;  // rows from the top, 3 bytes a pixel
};

// Returns jpeg_ok and fills image, or another jpeg_status and leaves image empty.
// libjpeg's warnings (a truncated file among them) count as failures.
int decode_jpeg_file(const char* path, const jpeg_limits& limits, rgb_image& image);
// The same for a file opened by the caller, who also closes it; a null file
// cannot be opened.
int decode_jpeg_stream(FILE* file, const jpeg_limits& limits, rgb_image& image);
