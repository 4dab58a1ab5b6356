#include "tests/support/x_windows.h"

#include <X11/Xlib.h>

#include <atomic>

namespace zf_test {
namespace {

// The query in progress on this thread, and whether a request of it failed.
struct active_query {
    Display* display;
    bool failed;
};
thread_local active_query* current_query = nullptr;

// The handler that was in place before ours: Xlib's default, or one that
// code under test installed (the platform layer's, in the window tests).
std::atomic<XErrorHandler> handler_before{nullptr};

int trap_or_pass_on(Display* display, XErrorEvent* event) {
    if (current_query && current_query->display == display) {
        current_query->failed = true;
        return 0;
    }
    const XErrorHandler before = handler_before.load();
    return before ? before(display, event) : 0;
}

// Ours again if something replaced it meanwhile, keeping what replaced it as
// the handler that gets every error outside a query.
void install_trap() {
    const XErrorHandler replaced = XSetErrorHandler(trap_or_pass_on);
    if (replaced != trap_or_pass_on) handler_before = replaced;
}

}  // namespace

bool query_foreign_windows(x_display* d, const std::function<bool()>& query) {
    install_trap();
    // Errors of earlier requests are not this query's.
    XSync(d, False);
    active_query trapped{d, false};
    active_query* const outer = current_query;
    current_query = &trapped;
    const bool answered = query();
    XSync(d, False);
    current_query = outer;
    return answered && !trapped.failed;
}

std::string title_of(x_display* d, x_window xid) {
    std::string title;
    query_foreign_windows(d, [&] {
        char* name = nullptr;
        if (!XFetchName(d, xid, &name) || !name) return false;
        title = name;
        XFree(name);
        return true;
    });
    return title;
}

bool viewable(x_display* d, x_window xid) {
    XWindowAttributes attributes{};
    return query_foreign_windows(d,
                                 [&] { return XGetWindowAttributes(d, xid, &attributes) != 0; }) &&
           attributes.map_state == IsViewable;
}

std::vector<titled_window> windows_titled(x_display* d, const std::string& title) {
    std::vector<titled_window> found;
    for (int screen = 0; screen < ScreenCount(d); ++screen) {
        ::Window root = None;
        ::Window parent = None;
        ::Window* children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(d, RootWindow(d, screen), &root, &parent, &children, &count)) continue;
        for (unsigned i = 0; i < count; ++i) {
            XWindowAttributes attributes{};
            if (!query_foreign_windows(
                    d, [&] { return XGetWindowAttributes(d, children[i], &attributes) != 0; })) {
                continue;
            }
            if (attributes.map_state != IsViewable || title_of(d, children[i]) != title) continue;
            found.push_back({children[i], screen, attributes.x, attributes.y, attributes.width,
                             attributes.height});
        }
        if (children) XFree(children);
    }
    return found;
}

root_rect rect_on_root(x_display* d, x_window xid) {
    XWindowAttributes attributes{};
    int x = 0;
    int y = 0;
    const bool seen = query_foreign_windows(d, [&] {
        ::Window child = None;
        return XGetWindowAttributes(d, xid, &attributes) &&
               XTranslateCoordinates(d, xid, attributes.root, 0, 0, &x, &y, &child);
    });
    if (!seen) return root_rect{0, 0, 0, 0};
    return root_rect{x, y, x + attributes.width, y + attributes.height};
}

}  // namespace zf_test
