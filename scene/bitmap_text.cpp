// WORKAROUND(freeglut 3.4.0, libX11 1.8.4, Debian 12; freeglut 2.8.1, Debian 11,
// in the release build, refuses a character before glutInit the same way):
// freeglut serves only as a source of bitmap fonts here. It still refuses to
// draw a character before glutInit, and its glutInit ends the process when the
// display cannot be opened, so the set-up runs once, on the display of the
// current context, with freeglut's errors turned into a failed set-up.
// freeglut also closes its connection when the process exits; if the X server
// has gone by then, Xlib would exit again from inside exit and the process would
// hang, so a connection lost during exit ends the process with exit's status.
#include "scene/bitmap_text.h"

#include <GL/freeglut.h>
#include <GL/glx.h>
#include <unistd.h>

#include <csetjmp>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

enum class font_state { untried, ready, unusable };

font_state fonts = font_state::untried;
jmp_buf glut_init_failure;

[[noreturn]] void abandon_glut_init(const char*, va_list) { longjmp(glut_init_failure, 1); }

// The X server can die while glutInit talks to it. Xlib would then end the
// process, or hand GLX empty replies that it reads through; glutInit is left
// as for freeglut's own errors, and its dead connection is never used again.
[[noreturn]] int abandon_glut_init_on_lost_connection(Display*) { longjmp(glut_init_failure, 1); }

// freeglut's warnings would put lines into the log that the scene does not write.
void ignore_glut_warning(const char*, va_list) {}

int status_of_exit_in_progress = 0;

int end_with_status_of_exit_in_progress(Display*) {
    fflush(nullptr);
    _exit(status_of_exit_in_progress);
}

// Runs before freeglut's own exit handler, which was registered earlier; the
// whole order at exit is in graphics_host/process_exit.cpp.
void end_exit_on_lost_connection(int status, void*) {
    status_of_exit_in_progress = status;
    XSetIOErrorHandler(end_with_status_of_exit_in_progress);
}

// Only static and trivially destructible data here: freeglut's errors jump out of glutInit.
bool run_glut_init(const char* display_name) {
    static char program[] = "zorvath_fold";
    static char option[] = "-display";
    static char name[256];
    snprintf(name, sizeof(name), "%s", display_name);
    char* argv[] = {program, option, name, nullptr};
    int argc = 3;
    static XIOErrorHandler usual_io_error_handler;
    glutInitWarningFunc(ignore_glut_warning);
    glutInitErrorFunc(abandon_glut_init);
    usual_io_error_handler = XSetIOErrorHandler(abandon_glut_init_on_lost_connection);
    if (setjmp(glut_init_failure) != 0) {
        glutInitErrorFunc(nullptr);
        XSetIOErrorHandler(usual_io_error_handler);
        return false;
    }
    glutInit(&argc, argv);
    glutInitErrorFunc(nullptr);
    XSetIOErrorHandler(usual_io_error_handler);
    on_exit(end_exit_on_lost_connection, nullptr);
    return true;
}

}  // namespace

bool initialize_bitmap_fonts(const char* display_name) {
    if (fonts == font_state::untried) {
        fonts = run_glut_init(display_name) ? font_state::ready : font_state::unusable;
    }
    return fonts == font_state::ready;
}

void draw_bitmap_text(const char* text, void* font) {
    if (fonts == font_state::untried) {
        Display* display = glXGetCurrentDisplay();
        if (display == nullptr) return;
        initialize_bitmap_fonts(DisplayString(display));
    }
    if (fonts != font_state::ready) return;
    const size_t length = strlen(text);
    for (size_t i = 0; i < length; i++) {
        glutBitmapCharacter(font, static_cast<unsigned char>(text[i]));
    }
}
