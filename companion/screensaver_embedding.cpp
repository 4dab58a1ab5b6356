#include "companion/screensaver_embedding.h"

#include "platform/x11_native.h"

// Xlib last: its macros break other headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

void advertise_launch_command(platform::window_handle window, int argc, char** argv) {
    Display* display = platform::x11_display(window);
    const Window xid = platform::x11_window_id(window);
    if (!display || xid == 0 || argc < 1) return;
    XSetCommand(display, xid, argv, argc);
    XFlush(display);
}

void keep_embedded_window_mapped(platform::window_handle window) {
    Display* display = platform::x11_display(window);
    const Window xid = platform::x11_window_id(window);
    if (!display || xid == 0) return;
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, xid, &attributes)) return;
    if (attributes.map_state != IsUnmapped || !attributes.override_redirect) return;
    XMapWindow(display, xid);
    XFlush(display);
}
