// Interim frame timer: ticks without drawing until the window module lands.
#include "graphics_host/windows_opengl.h"

void frame_timer_tick() {}
