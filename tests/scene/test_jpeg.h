// JPEG files made for the tests: a picture whose quarters have distinct colours,
// so that placement and orientation both show in the pixels.
#pragma once

#include <string>
#include <vector>

#include "tests/scene/frame_pixels.h"

// Quarter colours as they appear on screen: top-left, top-right, bottom-left, bottom-right.
extern const rgb quarter_colours[4];

// Writes a width x height JPEG of the four quarters, baseline or progressive;
// false if it cannot be written.
bool write_quarters_jpeg(const std::string& path, int width, int height, bool progressive = false);

std::vector<unsigned char> read_file_bytes(const std::string& path);
void write_file_bytes(const std::string& path, const std::vector<unsigned char>& bytes);

// Rewrites the frame header's dimensions, leaving the image data as it was.
bool set_jpeg_header_size(std::vector<unsigned char>& jpeg, int width, int height);
