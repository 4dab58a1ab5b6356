// One frame of the animated scene, a pure function of the time elapsed since
// the process's first frame; poster frames are handed to the poster display.
#include "scene/animated_scene.h"

#include <GL/freeglut.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include "scene/app_graphics.h"
#include "scene/bitmap_text.h"
#include "scene/poster.h"
#include "scene/scene_motion.h"
#include "scene/scene_state.h"

namespace {

void place_camera(double elapsed) {
    const eye_position eye = eye_position_at(elapsed);
    gluLookAt(eye.x, eye.y, eye.z, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
}

void draw_yellow_cube() {
    glColor3f(1.0f, 1.0f, 0.0f);
    glLineWidth(4.0f);
    draw_wire_cube();
}

// Additive blending keeps the square bright over the dark background.
void draw_square(const square_colour& colour) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glColor4f(static_cast<float>(colour.red), static_cast<float>(colour.green),
              static_cast<float>(colour.blue), static_cast<float>(colour.alpha));
    glRectf(-0.25f, -0.25f, 0.25f, 0.25f);
    glDisable(GL_BLEND);
}

// The raster position takes its colour from the square's, set just before.
void draw_title() {
    glRasterPos3f(-0.25f, -1.5f, 0.0f);
    draw_bitmap_text("Zorvath@Fold", GLUT_BITMAP_TIMES_ROMAN_24);
}

void draw_axis_points() {
    glPointSize(8.0f);
    glBegin(GL_POINTS);
    glColor3f(1.0f, 1.0f, 1.0f);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glColor3f(1.0f, 0.0f, 0.0f);
    glVertex3f(0.75f, 0.0f, 0.0f);
    glColor3f(0.0f, 1.0f, 0.0f);
    glVertex3f(0.0f, 0.75f, 0.0f);
    glColor3f(0.0f, 0.0f, 1.0f);
    glVertex3f(0.0f, 0.0f, 0.75f);
    glEnd();
}

}  // namespace

void draw_wire_cube() {
    constexpr float sides[] = {-0.5f, 0.5f};
    glPushMatrix();
    glBegin(GL_LINES);
    // The face z = -0.5, then the face z = +0.5.
    for (const float z : sides) {
        glVertex3f(-0.5f, -0.5f, z);
        glVertex3f(0.5f, -0.5f, z);
        glVertex3f(0.5f, -0.5f, z);
        glVertex3f(0.5f, 0.5f, z);
        glVertex3f(0.5f, 0.5f, z);
        glVertex3f(-0.5f, 0.5f, z);
        glVertex3f(-0.5f, 0.5f, z);
        glVertex3f(-0.5f, -0.5f, z);
    }
    // The four edges parallel to the z axis.
    for (const float x : sides) {
        for (const float y : sides) {
            glVertex3f(x, y, -0.5f);
            glVertex3f(x, y, 0.5f);
        }
    }
    glEnd();
    glPopMatrix();
}

void app_graphics_draw_frame(int, int, double time) {
    if (scene_state.start_time < 0) scene_state.start_time = time;
    const double elapsed = time - scene_state.start_time;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    if (show_poster.load(std::memory_order_relaxed)) {
        draw_poster();
        return;
    }
    place_camera(elapsed);
    draw_yellow_cube();
    const square_colour colour = square_colour_at(elapsed);
    draw_square(colour);
    draw_title();
    draw_axis_points();
    glFlush();
}
