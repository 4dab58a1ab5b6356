// A test's own look at an X server's windows: titles, the program's mapped
// windows by title, and where a window lies on its screen. Xlib itself is not
// included, so that this header goes anywhere among a test's includes.
#pragma once

#include <string>
#include <vector>

struct _XDisplay;  // Xlib's Display

namespace zf_test {

using x_display = ::_XDisplay;
using x_window = unsigned long;  // Xlib's Window

// The window's WM_NAME, or "" when it has none.
std::string title_of(x_display* display, x_window window);

struct titled_window {
    x_window xid;
    int screen;
    int x, y, width, height;  // as the server reports them, relative to the root
};

// The mapped top-level windows with this title, on every screen; windows that
// vanish meanwhile are left out.
std::vector<titled_window> windows_titled(x_display* display, const std::string& title);

// The window's rectangle in root coordinates, as the server sees it.
struct root_rect {
    int left, top, right, bottom;
};
root_rect rect_on_root(x_display* display, x_window window);

}  // namespace zf_test
