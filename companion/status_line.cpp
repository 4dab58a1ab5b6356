// The status line is drawn with freeglut's bitmap font, as the scene's title
// is, in a pixel-exact orthographic view of the whole viewport.
#include "companion/status_line.h"

#include <GL/freeglut.h>
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

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

// Keeps the band just drawn, from the back buffer, as the cache's texture.
void keep_band(status_band_cache& cache, const std::string& text, int width, int height) {
    if (cache.texture == 0) glGenTextures(1, &cache.texture);
    glBindTexture(GL_TEXTURE_2D, cache.texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, 0, 0, width, height, 0);
    const bool kept = glGetError() == GL_NO_ERROR;
    cache.text = kept ? text : std::string();
    cache.width = kept ? width : 0;
    cache.height = kept ? height : 0;
}

void draw_kept_band(const status_band_cache& cache) {
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, cache.texture);
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    glTexCoord2i(0, 0);
    glVertex2i(0, 0);
    glTexCoord2i(1, 0);
    glVertex2i(cache.width, 0);
    glTexCoord2i(1, 1);
    glVertex2i(cache.width, cache.height);
    glTexCoord2i(0, 1);
    glVertex2i(0, cache.height);
    glEnd();
}

}  // namespace

void draw_status_line(const std::string& text, status_band_cache& cache) {
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const int width = viewport[2];
    const int height = viewport[3];
    if (width <= 0 || height <= 0) return;
    const int band = std::min(band_height, height);

    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_TEXTURE_BIT);
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

    if (cache.texture != 0 && cache.text == text && cache.width == width && cache.height == band) {
        draw_kept_band(cache);
    } else {
        while (glGetError() != GL_NO_ERROR) {
        }
        draw_band_with_text(text, width, band);
        keep_band(cache, text, width, band);
    }

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
}
