// freeglut serves only as a source of bitmap fonts here; it still refuses to
// draw a character before glutInit, so it is initialised once, for the display
// of the current context, and is never given a window.
#include "scene/bitmap_text.h"

#include <GL/freeglut.h>
#include <GL/glx.h>

#include <cstring>
#include <string>

namespace {

bool glut_initialized = false;

// Initialises freeglut on the display the current GL context draws on, so that
// it never opens a display of its own choosing; false when no context is current.
bool ensure_glut_initialized() {
    if (glut_initialized) return true;
    Display* display = glXGetCurrentDisplay();
    if (display == nullptr) return false;
    std::string program = "zorvath_fold";
    std::string option = "-display";
    std::string display_name = DisplayString(display);
    char* argv[] = {program.data(), option.data(), display_name.data(), nullptr};
    int argc = 3;
    glutInit(&argc, argv);
    glut_initialized = true;
    return true;
}

}  // namespace

void draw_bitmap_text(const char* text, void* font) {
    if (!ensure_glut_initialized()) return;
    const size_t length = strlen(text);
    for (size_t i = 0; i < length; i++) {
        glutBitmapCharacter(font, static_cast<unsigned char>(text[i]));
    }
}
