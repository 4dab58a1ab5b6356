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

namespace {

// The window's parent and root; false when the window no longer exists (the
// platform's error handler records the BadWindow and carries on).
bool query_parent(Display* display, Window xid, Window& parent, Window& root) {
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, xid, &root, &parent, &children, &count)) return false;
    if (children) XFree(children);
    return true;
}

}  // namespace

bool embedder_gone(platform::window_handle window, embedding_watch& watch) {
    Display* display = platform::x11_display(window);
    const Window xid = platform::x11_window_id(window);
    if (!display || xid == 0) return false;
    Window parent = 0;
    Window root = 0;
    if (!query_parent(display, xid, parent, root)) return watch.embedder != 0;
    if (watch.embedder != 0) return parent == root;
    XWindowAttributes attributes{};
    if (parent != root && XGetWindowAttributes(display, xid, &attributes) &&
        attributes.override_redirect)
        watch.embedder = parent;
    return false;
}
