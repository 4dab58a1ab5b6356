#include "task_window/task_window_messages.h"

namespace {

void paint_client_black(platform::window_handle window) {
    platform::dc_handle dc = platform::begin_paint(window);
    platform::rect client{};
    platform::get_client_rect(window, client);
    platform::fill_rect_black(dc, client);
    platform::end_paint(window);
}

}  // namespace

bool answer_common_message(platform::window_handle window, unsigned message, std::uintptr_t wparam,
                           std::intptr_t lparam, const window_scene_callbacks& scene,
                           bool& visible) {
    switch (message) {
        case platform::wm_create:
            scene.set_up();
            return true;
        case platform::wm_size:
            visible = wparam != platform::size_minimized;
            scene.resize(platform::low_word(lparam), platform::high_word(lparam));
            return true;
        case platform::wm_paint:
            paint_client_black(window);
            return true;
        case platform::wm_erasebkgnd:
            return true;
        default:
            return false;
    }
}

bool is_key_message(unsigned message) {
    return message == platform::wm_keydown || message == platform::wm_keyup ||
           message == platform::wm_syskeydown || message == platform::wm_syskeyup;
}

bool is_button_message(unsigned message) {
    switch (message) {
        case platform::wm_lbuttondown:
        case platform::wm_lbuttonup:
        case platform::wm_rbuttondown:
        case platform::wm_rbuttonup:
        case platform::wm_mbuttondown:
        case platform::wm_mbuttonup:
            return true;
        default:
            return false;
    }
}

bool ends_full_screen(unsigned message, const platform::point& creation_cursor_pos) {
    if (is_key_message(message) || is_button_message(message)) return true;
    if (message == platform::wm_mousewheel) return true;
    if (message != platform::wm_mousemove) return false;
    const platform::point now = cursor_position();
    return now.x != creation_cursor_pos.x || now.y != creation_cursor_pos.y;
}

platform::point cursor_position() {
    platform::point position{0, 0};
    platform::get_cursor_pos(position);
    return position;
}
