// The status line's band: drawn with the desktop's fonts on the processor
// whenever its text or the window's width changes, then kept by the X server
// as the window's bottom strip.
#include <GL/gl.h>

#include <algorithm>
#include <cstdio>

#include "companion/companion_log.h"
#include "companion/harfbuzz_library.h"
#include "companion/line_fonts.h"
#include "companion/shown_text.h"
#include "companion/status_line.h"

namespace {

// A host without fontconfig's configuration or any outline font still gets
// the band, empty, and one line on standard error that says why.
line_fonts& status_fonts() {
    static line_fonts fonts(status_text_family, status_text_pixel_size, host_harfbuzz());
    static const bool said = [] {
        if (!fonts.usable())
            companion_log("fontconfig found no outline font; the status line is left empty");
        return true;
    }();
    (void)said;
    return fonts;
}

// Draws the band's pixels in a pixel-exact view of the whole window, and puts
// back what it changed; for a server that will not keep the strip.
void draw_band_with_gl(const band_picture& band, int width, int height) {
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_VIEWPORT_BIT);
    glViewport(0, 0, width, height);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, width, 0, height, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glRasterPos2i(0, 0);
    glDrawPixels(band.width, band.height, GL_RGBA, GL_UNSIGNED_BYTE, band.rgba.data());
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
}

}  // namespace

band_picture draw_status_band(const std::string& text, int width, int window_height) {
    const band_geometry geometry{width, std::min(status_band_height, window_height),
                                 status_text_left, status_text_baseline};
    return draw_text_band(decode_utf8(text), geometry, status_fonts(), host_harfbuzz());
}

void draw_status_line(platform::window_handle window, const std::string& text, int width,
                      int height, status_band_cache& cache) {
    if (width <= 0 || height <= 0) return;
    const int band = std::min(status_band_height, height);
    const bool unchanged = cache.text == text && cache.width == width && cache.height == band;
    if (!unchanged) {
        cache.text = text;
        cache.width = width;
        cache.height = band;
        cache.picture = draw_status_band(text, width, height);
        cache.on_strip = platform::set_bottom_strip(window, cache.picture.rgba.data(), width, band);
    }
    if (!cache.on_strip) draw_band_with_gl(cache.picture, width, height);
}
