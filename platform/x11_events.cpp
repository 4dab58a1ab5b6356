// Translation of X events into window messages by their Windows numbers.
#include "platform/x11_state.h"

namespace platform {
namespace {

constexpr unsigned vk_menu = 0x12;
constexpr unsigned vk_f10 = 0x79;
constexpr int wheel_delta = 120;
constexpr unsigned key_was_down_bit = 1u << 30;
constexpr unsigned key_release_bit = 1u << 31;

std::intptr_t make_lparam(int low, int high) {
    return static_cast<std::intptr_t>((static_cast<std::uint32_t>(low) & 0xFFFF) |
                                      ((static_cast<std::uint32_t>(high) & 0xFFFF) << 16));
}

// The MK_ flags of a pointer event's modifier state.
std::uintptr_t button_flags(unsigned state) {
    std::uintptr_t flags = 0;
    if (state & Button1Mask) flags |= mk_lbutton;
    if (state & Button2Mask) flags |= mk_mbutton;
    if (state & Button3Mask) flags |= mk_rbutton;
    if (state & ShiftMask) flags |= mk_shift;
    if (state & ControlMask) flags |= mk_control;
    return flags;
}

// X reports the state before the event; Windows reports it after.
std::uintptr_t flag_of_button(unsigned button) {
    switch (button) {
        case Button1:
            return mk_lbutton;
        case Button2:
            return mk_mbutton;
        case Button3:
            return mk_rbutton;
        default:
            return 0;
    }
}

unsigned button_message(unsigned button, bool press) {
    switch (button) {
        case Button1:
            return press ? wm_lbuttondown : wm_lbuttonup;
        case Button2:
            return press ? wm_mbuttondown : wm_mbuttonup;
        case Button3:
            return press ? wm_rbuttondown : wm_rbuttonup;
        default:
            return 0;
    }
}

void post_key(x_connection& c, window* target, const XKeyEvent& event, bool press) {
    const std::size_t code = event.keycode & 0xFF;
    const unsigned vk = c.virtual_keys[code];
    const bool repeat = press && c.keys_down.test(code);
    c.keys_down.set(code, press);
    const bool system = (event.state & Mod1Mask) || vk == vk_f10 || vk == vk_menu;
    std::uint32_t data = 1 | ((static_cast<std::uint32_t>(event.keycode) - 8) & 0xFF) << 16;
    // As Windows: bit 30 is the key's previous state, so a release has it too.
    if (repeat || !press) data |= key_was_down_bit;
    if (!press) data |= key_release_bit;
    const unsigned message =
        press ? (system ? wm_syskeydown : wm_keydown) : (system ? wm_syskeyup : wm_keyup);
    post_window_message(target, message, vk, static_cast<std::intptr_t>(data));
}

void post_button(window* target, const XButtonEvent& event, bool press) {
    if (event.button == Button4 || event.button == Button5) {
        if (!press) return;
        const int delta = event.button == Button4 ? wheel_delta : -wheel_delta;
        const std::uintptr_t wparam =
            (static_cast<std::uintptr_t>(delta & 0xFFFF) << 16) | button_flags(event.state);
        post_window_message(target, wm_mousewheel, wparam, make_lparam(event.x_root, event.y_root));
        return;
    }
    const unsigned message = button_message(event.button, press);
    if (!message) return;
    std::uintptr_t flags = button_flags(event.state);
    flags =
        press ? (flags | flag_of_button(event.button)) : (flags & ~flag_of_button(event.button));
    post_window_message(target, message, flags, make_lparam(event.x, event.y));
}

std::uintptr_t size_kind(window* target) {
    return is_zoomed(target) ? size_maximized : size_restored;
}

void on_configure(window* target, const XConfigureEvent& event) {
    if (target->iconic || (event.width == target->width && event.height == target->height)) return;
    target->width = event.width;
    target->height = event.height;
    post_window_message(target, wm_size, size_kind(target), make_lparam(event.width, event.height));
}

// A window manager says a window is iconified through its WM_STATE property.
void on_state_change(window* target) {
    const bool iconic = is_iconic(target);
    if (iconic == target->iconic) return;
    target->iconic = iconic;
    if (iconic) {
        post_window_message(target, wm_size, size_minimized, 0);
    } else {
        post_window_message(target, wm_size, size_kind(target),
                            make_lparam(target->width, target->height));
    }
}

// The focus that set_focus asked for before the window manager had mapped the window.
void take_focus_now_mapped(x_connection& c, window* target) {
    target->focus_when_mapped = false;
    x_error_trap trap(c.display);
    XSetInputFocus(c.display, target->xid, RevertToParent, CurrentTime);
    trap.finish();
}

// The registered message whose name is this atom's, or 0.
unsigned registered_message_for(x_connection& c, Atom atom) {
    char* name = XGetAtomName(c.display, atom);
    if (!name) return 0;
    unsigned number = 0;
    for (const std::string& registered : registered_message_names()) {
        if (registered == name) number = register_window_message(name);
    }
    XFree(name);
    return number;
}

void on_client_message(x_connection& c, window* target, const XClientMessageEvent& event) {
    if (event.message_type == c.wm_protocols) {
        if (static_cast<Atom>(event.data.l[0]) == c.wm_delete_window) {
            post_window_message(target, wm_close, 0, 0);
        }
        return;
    }
    if (const unsigned number = registered_message_for(c, event.message_type)) {
        post_window_message(target, number, static_cast<std::uintptr_t>(event.data.l[0]),
                            static_cast<std::intptr_t>(event.data.l[1]));
    }
}

// Turns one X event into the window message that the graphics host expects.
void translate_event(x_connection& c, XEvent& event) {
    if (event.type == MappingNotify) {
        XRefreshKeyboardMapping(&event.xmapping);
        build_key_table(c);
        return;
    }
    window* target = find_window(c, event.xany.window);
    if (!target) return;
    switch (event.type) {
        case ConfigureNotify:
            on_configure(target, event.xconfigure);
            break;
        case MapNotify:
            if (target->focus_when_mapped) take_focus_now_mapped(c, target);
            fit_to_frame_in_tree(target);
            break;
        case PropertyNotify:
            if (event.xproperty.atom == c.wm_state) on_state_change(target);
            if (event.xproperty.atom == c.net_frame_extents) fit_to_published_frame(target);
            break;
        case Expose:
            if (event.xexpose.count == 0) {
                post_window_message(target, wm_erasebkgnd, 0, 0);
                post_window_message(target, wm_paint, 0, 0);
            }
            break;
        case ClientMessage:
            on_client_message(c, target, event.xclient);
            break;
        case KeyPress:
            post_key(c, target, event.xkey, true);
            break;
        case KeyRelease:
            post_key(c, target, event.xkey, false);
            break;
        case FocusOut:
            c.keys_down.reset();  // releases elsewhere are not seen
            break;
        case MotionNotify:
            post_window_message(target, wm_mousemove, button_flags(event.xmotion.state),
                                make_lparam(event.xmotion.x, event.xmotion.y));
            break;
        case ButtonPress:
            post_button(target, event.xbutton, true);
            break;
        case ButtonRelease:
            post_button(target, event.xbutton, false);
            break;
        default:
            break;
    }
}

}  // namespace

void pump_connection(void* context) {
    auto* c = static_cast<x_connection*>(context);
    while (!c->lost && XPending(c->display) > 0) {
        XEvent event;
        XNextEvent(c->display, &event);
        translate_event(*c, event);
    }
    if (c->lost) handle_connection_lost(*c);  // may free c
}

}  // namespace platform
