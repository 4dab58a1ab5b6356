// Interim window module: keeps the mode and creates no window yet.
#include "graphics_host/windows_opengl.h"

#include "graphics_host/graphics_mode.h"

namespace {
int current_graphics_mode = mode_hide_graphics;
}

bool register_window_class() { return true; }
bool unregister_window_class() { return true; }
void set_graphics_mode(int mode) { current_graphics_mode = mode; }
