// The poster display. The load is not retried after a failure: the log says
// so once, and every poster frame still shows the violet background.
#include "scene/poster.h"

#include <GL/gl.h>

#include <cstdio>

#include "scene/ortho_view.h"
#include "scene/scene_state.h"

namespace {

constexpr int centred = 1;

void set_poster_gl_state() {
    glClearColor(0.1f, 0.0f, 0.5f, 0.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    // The poster's quad lies on the far plane, where a strict less-than test would reject it.
    glDepthFunc(GL_LEQUAL);
    glDisable(GL_BLEND);
}

}  // namespace

void kvx_poster_init() {
    bool& poster_initialized = scene_state.poster_initialized;
    texture_descriptor& poster_texture = scene_state.poster_texture;
    if (poster_initialized) return;
    fprintf(stderr, "GFX: kvx_poster_init() called. \n");
    set_poster_gl_state();
    char poster_path[256] = "";
    const poster_source_type& source = scene_state.poster_source;
    source.resolve("QuenlartPoster3.jpg", poster_path, sizeof(poster_path));
    FILE* poster_file = source.open(poster_path);
    const texture_load_status loaded = poster_texture.load(poster_file);
    if (poster_file) fclose(poster_file);
    if (loaded != texture_loaded) {
        fprintf(stderr, "GFX: Error: could not load the background image from %s\n", poster_path);
    } else {
        fprintf(stderr, "GFX: loaded poster from %s \n", poster_path);
    }
    poster_initialized = true;
    if (poster_texture.present) fprintf(stderr, "GFX: image is indeed present.\n");
}

void draw_poster() {
    // The draw may shrink the size it is given, so both are filled afresh every frame.
    float pos[3] = {0.0f, -0.12f, 0.0f};
    float size[3] = {1.0f, 1.0f, 0.0f};
    if (!scene_state.poster_initialized) kvx_poster_init();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    enter_ortho_mode();
    enter_unshaded_mode();
    scene_state.poster_texture.draw(pos, size, centred, centred);
    leave_ortho_mode();
    glFlush();
}
