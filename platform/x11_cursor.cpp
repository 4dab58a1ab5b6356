// The cursor's display count, kept as Windows keeps it, and the cursor
// position in screen coordinates.
#include "platform/x11_state.h"

namespace platform {
namespace {

// Gives every live window the cursor that the count now asks for.
void apply_cursor_to_windows() {
    const bool hidden = cursor_hidden();
    for (const auto& w : x11().windows) {
        if (!w->alive || w->connection->lost) continue;
        Display* d = w->connection->display;
        if (hidden) {
            XDefineCursor(d, w->xid, blank_cursor(*w->connection));
        } else {
            XUndefineCursor(d, w->xid);
        }
        XFlush(d);
    }
}

}  // namespace

bool cursor_hidden() { return x11().cursor_count < 0; }

Cursor blank_cursor(x_connection& connection) {
    if (connection.blank_cursor != None) return connection.blank_cursor;
    Display* d = connection.display;
    static const char empty_bits[1] = {0};
    Pixmap pixmap = XCreateBitmapFromData(d, DefaultRootWindow(d), empty_bits, 1, 1);
    XColor black{};
    connection.blank_cursor = XCreatePixmapCursor(d, pixmap, pixmap, &black, &black, 0, 0);
    XFreePixmap(d, pixmap);
    return connection.blank_cursor;
}

int show_cursor(bool show) {
    const bool was_hidden = cursor_hidden();
    x11().cursor_count += show ? 1 : -1;
    if (cursor_hidden() != was_hidden) apply_cursor_to_windows();
    return x11().cursor_count;
}

bool get_cursor_pos(point& out) {
    desktop* desk = x11().thread_desktop;
    x_connection* c = desk->station->connect();
    if (!c) return false;
    Display* d = c->display;
    ::Window root = None;
    ::Window child = None;
    int root_x = 0;
    int root_y = 0;
    int x = 0;
    int y = 0;
    unsigned mask = 0;
    if (!XQueryPointer(d, RootWindow(d, desk->screen_number()), &root, &child, &root_x, &root_y, &x,
                       &y, &mask)) {
        return false;  // the pointer is on another screen
    }
    out = point{root_x, root_y};
    return true;
}

}  // namespace platform
