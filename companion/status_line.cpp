// The status line is drawn with freeglut's bitmap font, as the scene's title
// is, in a pixel-exact orthographic view of the whole window.
#include "companion/status_line.h"

#include <GL/freeglut.h>
#include <GL/gl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "scene/bitmap_text.h"

const char waiting_for_the_task[] = "waiting for the task";

namespace {

constexpr int band_height = 26;
constexpr int text_left = 8;
constexpr int text_baseline = 8;
// Beyond this the hours would no longer fit the line; the parser bounds nothing here.
constexpr double longest_shown_cpu_seconds = 359999999.0;

const char* run_state_text(const task_state& state) {
    if (state.finished) return "finished";
    if (state.suspended) return "suspended";
    return "running";
}

std::string hours_minutes_seconds(double seconds) {
    if (!(seconds >= 0)) seconds = 0;
    const auto whole = static_cast<long>(std::min(seconds, longest_shown_cpu_seconds));
    char text[32];
    std::snprintf(text, sizeof(text), "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60, whole % 60);
    return text;
}

std::string percent_done(double fraction) {
    if (!(fraction >= 0)) fraction = 0;
    char text[16];
    std::snprintf(text, sizeof(text), "%.1f%%", 100 * std::min(fraction, 1.0));
    return text;
}

}  // namespace

std::string printable_ascii(const std::string& text) {
    std::string shown = text;
    for (char& c : shown) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7e) c = '?';
    }
    return shown;
}

std::string status_line_text(const task_state& state) {
    std::string line;
    if (!state.user_name.empty()) line = printable_ascii(state.user_name) + "  ";
    line += percent_done(state.fraction_done) + " done  ";
    line += hours_minutes_seconds(state.cpu_time) + " processor time  ";
    line += run_state_text(state);
    return line;
}

namespace {

void draw_band_with_text(const std::string& text, int width, int height) {
    glColor3f(0.0f, 0.0f, 0.0f);
    glRecti(0, 0, width, height);
    glColor3f(1.0f, 1.0f, 1.0f);
    glRasterPos2i(text_left, text_baseline);
    draw_bitmap_text(text.c_str(), GLUT_BITMAP_HELVETICA_18);
}

// Hands the band just drawn in the back buffer to the X server; false if it
// will not show it.
bool put_band_on_strip(platform::window_handle window, int width, int height) {
    // Rows of RGBA bytes need no padding whatever the pack alignment.
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return platform::set_bottom_strip(window, pixels.data(), width, height);
}

// Draws in a pixel-exact orthographic view of the whole window, and puts
// back what it changed.
template <typename Draw>
void in_window_pixels(int width, int height, Draw draw) {
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
    draw();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
}

}  // namespace

void draw_status_line(platform::window_handle window, const std::string& text, int width,
                      int height, status_band_cache& cache) {
    if (width <= 0 || height <= 0) return;
    const int band = std::min(band_height, height);
    const bool unchanged = cache.text == text && cache.width == width && cache.height == band;
    if (unchanged && cache.on_strip) return;

    in_window_pixels(width, height, [&] {
        draw_band_with_text(text, width, band);
        if (unchanged) return;
        cache.text = text;
        cache.width = width;
        cache.height = band;
        cache.on_strip = put_band_on_strip(window, width, band);
    });
}
