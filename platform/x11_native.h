// The X11 objects behind the layer's handles, for tests and tools that look at
// the server directly. Xlib is not included: an X window id is an unsigned
// long, as Xlib's Window is.
#pragma once

#include <cstddef>
#include <string>

#include "platform/window.h"

struct _XDisplay;  // Xlib's Display

namespace platform {

// The window's connection, or null for a handle that is not a live window or
// whose X server has gone away.
::_XDisplay* x11_display(window_handle window);

// The window's X id, or 0 for a handle that is not a live window.
unsigned long x11_window_id(window_handle window);

// The display that the window is on, as DISPLAY names it ("" for the
// process's initial one when DISPLAY was unset), and its screen number;
// "" and -1 for a handle that is not a live window.
std::string x11_display_name(window_handle window);
int x11_screen(window_handle window);

// Window records the layer keeps, destroyed ones that it still remembers included.
std::size_t x11_window_records();

}  // namespace platform
