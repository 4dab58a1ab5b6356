// The X11 objects behind the layer's handles.
#include "platform/x11_native.h"

#include "platform/x11_state.h"

namespace platform {

::_XDisplay* x11_display(window_handle handle) {
    const window* w = live_window(handle);
    if (!w || !w->connection || w->connection->lost) return nullptr;
    return w->connection->display;
}

unsigned long x11_window_id(window_handle handle) {
    const window* w = live_window(handle);
    return w ? w->xid : 0;
}

std::string x11_display_name(window_handle handle) {
    const window* w = live_window(handle);
    return w ? w->connection->name : std::string();
}

int x11_screen(window_handle handle) {
    const window* w = live_window(handle);
    return w ? w->screen : -1;
}

std::size_t x11_window_records() { return x11().windows.size(); }

}  // namespace platform
