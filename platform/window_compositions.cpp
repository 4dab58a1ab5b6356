// Short compositions of the window calls that the host and the companion both
// make, kept here so that the two programs cannot drift apart.
#include "platform/window.h"

namespace platform {

rect screen_rect() {
    dc_handle screen = get_dc(nullptr);
    const rect area{0, 0, get_device_caps(screen, horzres), get_device_caps(screen, vertres)};
    release_dc(nullptr, screen);
    return area;
}

void hide_cursor() {
    while (show_cursor(false) >= 0) {
    }
}

void paint_client_black(window_handle window) {
    dc_handle dc = begin_paint(window);
    rect client{};
    get_client_rect(window, client);
    fill_rect_black(dc, client);
    end_paint(window);
}

}  // namespace platform
