// A test's own look at an X server's windows: titles, the program's mapped
// windows by title, and where a window lies on its screen. Xlib itself is not
// included, so that this header goes anywhere among a test's includes.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct _XDisplay;  // Xlib's Display

namespace zf_test {

using x_display = ::_XDisplay;
using x_window = unsigned long;  // Xlib's Window

// Runs `query`, a look at windows that other clients own and may destroy at
// any moment, with the X errors of `display` trapped: false when the query
// says so or any of its requests failed, so that a window destroyed in
// between reads as gone. One error handler, installed at the first query and
// kept, serves every query of every thread and passes other errors on to the
// handler it found; nothing swaps the process's handler in and out.
bool query_foreign_windows(x_display* display, const std::function<bool()>& query);

// The window's WM_NAME, or "" when it has none or is gone.
std::string title_of(x_display* display, x_window window);

// Whether the window exists and is mapped with all its ancestors.
bool viewable(x_display* display, x_window window);

struct titled_window {
    x_window xid;
    int screen;
    int x, y, width, height;  // as the server reports them, relative to the root
};

// The mapped top-level windows with this title, on every screen; windows that
// vanish meanwhile are left out.
std::vector<titled_window> windows_titled(x_display* display, const std::string& title);

// The window's rectangle in root coordinates, as the server sees it; all
// zero for a window that is gone.
struct root_rect {
    int left, top, right, bottom;
};
root_rect rect_on_root(x_display* display, x_window window);

}  // namespace zf_test
