// One line of text laid out as the desktop's programs lay it out: the
// Unicode bidirectional algorithm (FriBiDi) for the order, the fonts'
// fallback for each character, and HarfBuzz's shaping where the host has it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "companion/harfbuzz_library.h"
#include "companion/line_fonts.h"

struct placed_glyph {
    std::size_t font;
    unsigned glyph;
    // The glyph's origin from the line's start, in 26.6 pixels, y upwards.
    long x;
    long y;
};

// The glyphs from left to right; with hb null each character is drawn by its
// own glyph, mirrored where right-to-left text wants it. Bidi controls take
// no room.
std::vector<placed_glyph> lay_out_line(const std::u32string& text, line_fonts& fonts,
                                       const harfbuzz_library* hb);
