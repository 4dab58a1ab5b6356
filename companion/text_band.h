// A band of light text on black, drawn on the processor into the pixels that
// the X server is handed for the window's bottom strip.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "companion/harfbuzz_library.h"
#include "companion/line_fonts.h"

struct band_picture {
    int width = 0;
    int height = 0;
    // RGBA, rows from the bottom up, as GL and the strip take them.
    std::vector<std::uint8_t> rgba;
    std::uint8_t grey_at(int x, int y_from_top) const {
        return rgba[(static_cast<std::size_t>(height - 1 - y_from_top) * width + x) * 4];
    }
};

struct band_geometry {
    int width;
    int height;
    int text_left;
    int baseline_from_bottom;
};

band_picture draw_text_band(const std::u32string& text, const band_geometry& geometry,
                            line_fonts& fonts, const harfbuzz_library* hb);
