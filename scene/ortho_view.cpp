// The orthographic view keeps the viewport as the window set it and widens the
// projection instead, so that nothing outside these calls changes.
#include "scene/ortho_view.h"

#include <GL/gl.h>
#include <GL/glu.h>

namespace {

struct ortho_bounds {
    double left, right, bottom, top;
};

// Bounds that put x 0..1 across the centred 4:3 area, with square pixels.
ortho_bounds bounds_for_viewport(double width, double height) {
    if (width <= 0 || height <= 0) return ortho_bounds{0.0, 1.0, 0.0, 0.75};
    const double area_width = width * 3 < height * 4 ? width : height * 4 / 3;
    const double area_height = area_width * 3 / 4;
    const double units_per_pixel = 1.0 / area_width;
    const double left = -(width - area_width) / 2 * units_per_pixel;
    const double bottom = -(height - area_height) / 2 * units_per_pixel;
    return ortho_bounds{left, left + width * units_per_pixel, bottom,
                        bottom + height * units_per_pixel};
}

}  // namespace

void enter_ortho_mode() {
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    const ortho_bounds bounds = bounds_for_viewport(viewport[2], viewport[3]);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(bounds.left, bounds.right, bounds.bottom, bounds.top, 0.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    gluLookAt(0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
}

void leave_ortho_mode() {
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

void enter_unshaded_mode() {
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
}
