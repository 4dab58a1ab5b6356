#include "tests/support/x_windows.h"

#include <X11/Xlib.h>

namespace zf_test {
namespace {

// A window that vanishes between the query and the look at it is no error.
int ignore_x_errors(Display*, XErrorEvent*) { return 0; }

}  // namespace

std::string title_of(x_display* d, x_window xid) {
    char* name = nullptr;
    XFetchName(d, xid, &name);
    std::string title = name ? name : "";
    if (name) XFree(name);
    return title;
}

std::vector<titled_window> windows_titled(x_display* d, const std::string& title) {
    std::vector<titled_window> found;
    XSync(d, False);
    auto previous = XSetErrorHandler(ignore_x_errors);
    for (int screen = 0; screen < ScreenCount(d); ++screen) {
        ::Window root = None;
        ::Window parent = None;
        ::Window* children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(d, RootWindow(d, screen), &root, &parent, &children, &count)) continue;
        for (unsigned i = 0; i < count; ++i) {
            XWindowAttributes attributes{};
            if (!XGetWindowAttributes(d, children[i], &attributes)) continue;
            if (attributes.map_state != IsViewable || title_of(d, children[i]) != title) continue;
            found.push_back({children[i], screen, attributes.x, attributes.y, attributes.width,
                             attributes.height});
        }
        if (children) XFree(children);
    }
    XSync(d, False);
    XSetErrorHandler(previous);
    return found;
}

root_rect rect_on_root(x_display* d, x_window xid) {
    XWindowAttributes attributes{};
    XGetWindowAttributes(d, xid, &attributes);
    int x = 0;
    int y = 0;
    ::Window child = None;
    XTranslateCoordinates(d, xid, attributes.root, 0, 0, &x, &y, &child);
    return root_rect{x, y, x + attributes.width, y + attributes.height};
}

}  // namespace zf_test
