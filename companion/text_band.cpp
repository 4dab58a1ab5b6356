#include "companion/text_band.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>

#include "companion/line_layout.h"

namespace {

long round_26_6(long value) { return (value + 32) >> 6; }

band_picture black_band(int width, int height) {
    band_picture band;
    band.width = width;
    band.height = height;
    band.rgba.assign(static_cast<std::size_t>(width) * height * 4, 0);
    for (std::size_t i = 3; i < band.rgba.size(); i += 4) band.rgba[i] = 255;
    return band;
}

// The glyph's coverage as grey, over what is there already (marks overlap
// their bases), clipped to the band.
void paint_coverage(const FT_Bitmap& bitmap, int left, int top, band_picture& band) {
    for (unsigned row = 0; row < bitmap.rows; ++row) {
        const int y = top + static_cast<int>(row);
        if (y < 0 || y >= band.height) continue;
        const unsigned char* source = bitmap.buffer + static_cast<long>(row) * bitmap.pitch;
        std::uint8_t* line =
            band.rgba.data() + static_cast<std::size_t>(band.height - 1 - y) * band.width * 4;
        for (unsigned column = 0; column < bitmap.width; ++column) {
            const int x = left + static_cast<int>(column);
            if (x < 0 || x >= band.width) continue;
            std::uint8_t* pixel = line + static_cast<std::size_t>(x) * 4;
            const std::uint8_t grey = std::max(pixel[0], source[column]);
            pixel[0] = pixel[1] = pixel[2] = grey;
        }
    }
}

void paint_glyph(FT_Face face, const placed_glyph& glyph, int origin_x, int baseline_from_top,
                 band_picture& band) {
    if (FT_Load_Glyph(face, glyph.glyph, FT_LOAD_DEFAULT | FT_LOAD_TARGET_LIGHT) != 0) return;
    if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_LIGHT) != 0) return;
    const FT_Bitmap& bitmap = face->glyph->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) return;
    paint_coverage(bitmap, origin_x + face->glyph->bitmap_left,
                   baseline_from_top - face->glyph->bitmap_top, band);
}

}  // namespace

band_picture draw_text_band(const std::u32string& text, const band_geometry& geometry,
                            line_fonts& fonts, const harfbuzz_library* hb) {
    band_picture band = black_band(geometry.width, geometry.height);
    const int baseline_from_top = geometry.height - geometry.baseline_from_bottom;
    for (const placed_glyph& glyph : lay_out_line(text, fonts, hb)) {
        const long x = geometry.text_left + round_26_6(glyph.x);
        if (x >= geometry.width) break;
        FT_Face face = fonts.face(glyph.font);
        if (!face) continue;
        paint_glyph(face, glyph, static_cast<int>(x),
                    baseline_from_top - static_cast<int>(round_26_6(glyph.y)), band);
    }
    return band;
}
