// The scene's GL set-up for each new window, the viewport on resize, and the
// preference callback, which this scene has no use for.
#include <GL/gl.h>

#include <cstdio>

#include "scene/app_graphics.h"

namespace {

// Each call sets the whole state, since a new window's context starts from GL's defaults.
void set_scene_gl_state() {
    glClearColor(0.0f, 0.0f, 0.3f, 0.0f);
    glShadeModel(GL_FLAT);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-1.0, 1.0, -1.0, 1.0, 1.0, 20.0);
    // Frames load and change the current matrix without selecting one.
    glMatrixMode(GL_MODELVIEW);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFlush();
}

}  // namespace

void app_graphics_init() {
    fprintf(stderr, "GFX: app_graphics_init() called. \n");
    graphics_initialized.store(true, std::memory_order_relaxed);
    set_scene_gl_state();
}

void app_graphics_resize(int width, int height) {
    fprintf(stderr, "GFX: app_graphics_resize(%d, %d) called. \n", width, height);
    glViewport(0, 0, width, height);
}

void app_graphics_prefs_reread() {}
