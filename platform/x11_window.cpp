// Windows on X: creation with the visual every GL window needs, the outer
// and client rectangles, focus, and destruction.
#include <X11/Xatom.h>

#include <algorithm>
#include <cstring>

#include "platform/x11_state.h"

namespace platform {
namespace {

constexpr long window_event_mask = KeyPressMask | KeyReleaseMask | ButtonPressMask |
                                   ButtonReleaseMask | PointerMotionMask | StructureNotifyMask |
                                   ExposureMask | FocusChangeMask | PropertyChangeMask;
constexpr long iconic_state = 3;

// How many destroyed windows keep their record. Messages for a window are
// queued only while it lives and are taken before the next tick, which is
// where new windows come from, so a few records are plenty.
constexpr std::size_t kept_dead_windows = 16;

// Frees the records of all but the most recently destroyed windows.
void forget_old_dead_windows() {
    auto& windows = x11().windows;
    std::size_t dead_to_keep = kept_dead_windows;
    for (auto it = windows.end(); it != windows.begin();) {
        --it;
        if ((*it)->alive) continue;
        if (dead_to_keep > 0) {
            --dead_to_keep;
        } else {
            it = windows.erase(it);
        }
    }
}

window_class_entry* find_class(const char* name) {
    for (auto& entry : x11().classes) {
        if (entry.name == name) return &entry;
    }
    return nullptr;
}

// Reads a 32-bit property into `values`; false when the window has none.
bool read_cardinals(window* w, Atom property, Atom type, std::vector<long>& values) {
    if (w->connection->lost) return false;
    Atom actual_type = None;
    int actual_format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    x_error_trap trap(w->connection->display);
    const int rc = XGetWindowProperty(w->connection->display, w->xid, property, 0, 64, False, type,
                                      &actual_type, &actual_format, &count, &remaining, &data);
    trap.finish();
    if (rc != Success || !data) return false;
    if (actual_format == 32) {
        const long* items = reinterpret_cast<const long*>(data);
        values.assign(items, items + count);
    }
    XFree(data);
    return actual_format == 32;
}

// Full screen for a screensaver: above every panel and dock, with the
// keyboard focus. Where a window manager runs and supports it, the window is
// a managed one in the manager's full-screen state: an override-redirect
// window is placed by the manager's stacking rules too, and under XWayland
// (Weston 10) one stays below the compositor's panel and never gets the
// keyboard focus, while a full-screen one is put above the panel and
// focused. Openbox 3.6 and Metacity 3.46 put both above their docks. With no
// manager, or one without the convention, the window is override-redirect,
// raised, and takes the focus itself.
bool fullscreen_by_manager(window* w) {
    return window_manager_supports(*w->connection, w->screen,
                                   w->connection->net_wm_state_fullscreen);
}

// The window that has the keyboard focus now, if it is a window at all.
::Window current_focus(x_connection& c) {
    ::Window focus = None;
    int revert = 0;
    XGetInputFocus(c.display, &focus, &revert);
    return focus == PointerRoot ? None : focus;
}

// Windows' size and position are those of the outer rectangle; X's are the
// client area's. The client area is the outer size less the frame that the
// manager will add; with win_gravity NorthWest the manager puts the frame's
// corner at the position given, and a manager known to put the client area
// there instead is given the client area's corner (x and y become it).
void fit_client_area_into_frame(window* w, int& x, int& y, int outer_width, int outer_height) {
    const frame_extents frame = expected_frame_extents(w);
    w->fits_outer_size = true;
    w->outer_x = x;
    w->outer_y = y;
    w->outer_width = outer_width;
    w->outer_height = outer_height;
    w->assumed_frame = frame;
    w->width = std::max(outer_width - static_cast<int>(frame.left + frame.right), 1);
    w->height = std::max(outer_height - static_cast<int>(frame.top + frame.bottom), 1);
    if (w->connection->places_client_area) {
        x += static_cast<int>(frame.left);
        y += static_cast<int>(frame.top);
    }
    XMoveResizeWindow(w->connection->display, w->xid, x, y, static_cast<unsigned>(w->width),
                      static_cast<unsigned>(w->height));
}

// Both the ICCCM title and the EWMH one, which managers prefer when present.
void set_title(window* w, const char* title) {
    Display* d = w->connection->display;
    XStoreName(d, w->xid, title);
    XChangeProperty(d, w->xid, w->connection->net_wm_name, w->connection->utf8_string, 8,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(title),
                    static_cast<int>(std::strlen(title)));
}

void set_window_texts(window* w, const char* title, const char* class_name) {
    Display* d = w->connection->display;
    set_title(w, title);
    std::string res_name = class_name;
    XClassHint hint{res_name.data(), res_name.data()};
    XSetClassHint(d, w->xid, &hint);
    Atom protocols[] = {w->connection->wm_delete_window};
    XSetWMProtocols(d, w->xid, protocols, 1);
}

// Asks a window manager to keep the position and size as given, frame outside.
void set_position_hints(window* w, int x, int y, int width, int height) {
    XSizeHints hints{};
    hints.flags = USPosition | USSize | PWinGravity;
    hints.x = x;
    hints.y = y;
    hints.width = width;
    hints.height = height;
    hints.win_gravity = NorthWestGravity;
    XSetWMNormalHints(w->connection->display, w->xid, &hints);
}

bool make_x_window(window* w, bool override_redirect, int x, int y, int width, int height) {
    Display* d = w->connection->display;
    const ::Window root = RootWindow(d, w->screen);
    int index = 0;
    if (!choose_visual(d, w->screen, window_pixel_format(), w->visual, index)) {
        // No GL visual: the window still exists, but no pixel format can be set.
        XVisualInfo templ{};
        templ.visualid = XVisualIDFromVisual(DefaultVisual(d, w->screen));
        int n = 0;
        XVisualInfo* info = XGetVisualInfo(d, VisualIDMask, &templ, &n);
        if (!info) return false;
        w->visual = info[0];
        XFree(info);
    }
    w->visual_format = index;
    w->colormap = XCreateColormap(d, root, w->visual.visual, AllocNone);
    XSetWindowAttributes attributes{};
    attributes.colormap = w->colormap;
    attributes.border_pixel = 0;
    attributes.background_pixmap = None;
    attributes.event_mask = window_event_mask;
    attributes.override_redirect = override_redirect ? True : False;
    attributes.cursor = cursor_hidden() ? blank_cursor(*w->connection) : None;
    x_error_trap trap(d);
    w->xid = XCreateWindow(
        d, root, x, y, static_cast<unsigned>(std::max(width, 1)),
        static_cast<unsigned>(std::max(height, 1)), 0, w->visual.depth, InputOutput,
        w->visual.visual,
        CWColormap | CWBorderPixel | CWBackPixmap | CWEventMask | CWOverrideRedirect | CWCursor,
        &attributes);
    if (trap.finish() != 0 || w->xid == None) {
        XFreeColormap(d, w->colormap);
        w->colormap = None;
        return false;
    }
    return true;
}

}  // namespace

instance_handle get_module_handle() {
    static const char module_token = 0;
    return &module_token;
}

window* live_window(window_handle handle) {
    if (!handle) return nullptr;
    for (const auto& w : x11().windows) {
        if (w.get() == handle) return w->alive ? w.get() : nullptr;
    }
    return nullptr;
}

window* find_window(const x_connection& connection, ::Window xid) {
    for (const auto& w : x11().windows) {
        if (w->alive && w->xid == xid && w->connection.get() == &connection) return w.get();
    }
    return nullptr;
}

bool register_class(const window_class_record& record) {
    if (!record.class_name || !*record.class_name || !record.procedure) return false;
    if (find_class(record.class_name)) return false;
    x11().classes.push_back(window_class_entry{record.class_name, record});
    return true;
}

bool unregister_class(const char* class_name, instance_handle instance) {
    if (!class_name) return false;
    auto& classes = x11().classes;
    const auto entry = std::find_if(classes.begin(), classes.end(),
                                    [&](const auto& c) { return c.name == class_name; });
    if (entry == classes.end() || entry->record.instance != instance) return false;
    for (const auto& w : x11().windows) {
        if (w->alive && w->class_name == class_name) return false;
    }
    classes.erase(entry);
    return true;
}

window_handle create_window(unsigned long, const char* class_name, const char* title,
                            unsigned long style, int x, int y, int width, int height) {
    window_class_entry* cls = class_name ? find_class(class_name) : nullptr;
    if (!cls) return nullptr;
    desktop* desk = x11().thread_desktop;
    x_connection* connection = desk->station->connect();
    if (!connection) return nullptr;

    auto record = std::make_unique<window>();
    window* w = record.get();
    w->connection = desk->station->connection;
    w->screen = desk->screen_number();
    w->procedure = cls->record.procedure;
    w->class_name = cls->name;
    w->width = std::max(width, 1);
    w->height = std::max(height, 1);
    w->dc.owner = w;
    w->dc.connection = w->connection;
    w->dc.screen = w->screen;
    const bool fullscreen = (style & ws_popup) != 0;
    const bool managed_fullscreen = fullscreen && fullscreen_by_manager(w);
    if (fullscreen) w->focus_before = current_focus(*w->connection);
    if (!make_x_window(w, fullscreen && !managed_fullscreen, x, y, width, height)) return nullptr;
    set_window_texts(w, title ? title : "", cls->name.c_str());
    if (managed_fullscreen) {
        request_manager_fullscreen(w);
    } else if (!fullscreen) {
        fit_client_area_into_frame(w, x, y, width, height);
    }
    set_position_hints(w, x, y, w->width, w->height);
    forget_old_dead_windows();
    x11().windows.push_back(std::move(record));

    // Windows delivers WM_CREATE inside the creating call; -1 refuses the window.
    if (send_window_message(w, wm_create, 0, 0) == -1) {
        destroy_window(w);
        return nullptr;
    }
    return w;
}

bool is_window(window_handle handle) { return live_window(handle) != nullptr; }

bool destroy_window(window_handle handle) {
    window* w = live_window(handle);
    if (!w) return false;
    send_window_message(w, wm_destroy, 0, 0);
    if (!w->alive) return true;  // destroyed from its own WM_DESTROY
    w->alive = false;
    Display* d = w->connection->display;
    // Xlib frees the GC's memory even when the server is gone.
    if (w->gc) XFreeGC(d, w->gc);
    if (!w->connection->lost) {
        XDestroyWindow(d, w->xid);
        XFreeColormap(d, w->colormap);
        give_focus_back(w);
        XFlush(d);
    }
    w->gc = nullptr;
    w->dc.connection.reset();
    w->connection.reset();
    return true;
}

bool set_window_text(window_handle handle, const char* title) {
    window* w = live_window(handle);
    if (!w || w->connection->lost) return false;
    set_title(w, title ? title : "");
    XFlush(w->connection->display);
    return true;
}

void show_window(window_handle handle) {
    window* w = live_window(handle);
    if (!w || w->connection->lost) return;
    XMapRaised(w->connection->display, w->xid);
    XFlush(w->connection->display);
    if (!w->shown) {
        w->shown = true;
        // Windows sizes a window when it is first shown.
        send_window_message(w, wm_size, size_restored,
                            static_cast<std::intptr_t>((w->width & 0xFFFF) | (w->height << 16)));
    }
}

void set_focus(window_handle handle) {
    window* w = live_window(handle);
    if (!w || w->connection->lost) return;
    // A manager maps a managed window later, and focus on a window that is
    // not yet viewable is refused: the window then takes it when it is mapped.
    x_error_trap trap(w->connection->display);
    XSetInputFocus(w->connection->display, w->xid, RevertToParent, CurrentTime);
    w->focus_when_mapped = trap.finish() != 0;
}

bool set_foreground_window(window_handle handle) {
    window* w = live_window(handle);
    if (!w || w->connection->lost) return false;
    Display* d = w->connection->display;
    XRaiseWindow(d, w->xid);
    XEvent activate{};
    activate.xclient.type = ClientMessage;
    activate.xclient.window = w->xid;
    activate.xclient.message_type = w->connection->net_active_window;
    activate.xclient.format = 32;
    activate.xclient.data.l[0] = 1;  // from an application
    XSendEvent(d, RootWindow(d, w->screen), False,
               SubstructureNotifyMask | SubstructureRedirectMask, &activate);
    XFlush(d);
    return true;
}

bool get_window_rect(window_handle handle, rect& out) {
    window* w = live_window(handle);
    if (!w || w->connection->lost) return false;
    Display* d = w->connection->display;
    x_error_trap trap(d);
    XWindowAttributes attributes{};
    int x = 0;
    int y = 0;
    ::Window child = None;
    const bool ok =
        XGetWindowAttributes(d, w->xid, &attributes) &&
        XTranslateCoordinates(d, w->xid, RootWindow(d, w->screen), 0, 0, &x, &y, &child);
    if (trap.finish() != 0 || !ok) return false;
    const frame_extents frame = current_frame_extents(w);
    out = rect{static_cast<std::int32_t>(x - frame.left), static_cast<std::int32_t>(y - frame.top),
               static_cast<std::int32_t>(x + attributes.width + frame.right),
               static_cast<std::int32_t>(y + attributes.height + frame.bottom)};
    return true;
}

bool get_client_rect(window_handle handle, rect& out) {
    window* w = live_window(handle);
    if (!w) return false;
    out = rect{0, 0, w->width, w->height};
    if (w->connection->lost) return true;
    XWindowAttributes attributes{};
    x_error_trap trap(w->connection->display);
    const bool ok = XGetWindowAttributes(w->connection->display, w->xid, &attributes);
    if (trap.finish() == 0 && ok) out = rect{0, 0, attributes.width, attributes.height};
    return true;
}

bool is_iconic(window_handle handle) {
    window* w = live_window(handle);
    std::vector<long> state;
    return w && read_cardinals(w, w->connection->wm_state, w->connection->wm_state, state) &&
           !state.empty() && state[0] == iconic_state;
}

bool is_zoomed(window_handle handle) {
    window* w = live_window(handle);
    std::vector<long> atoms;
    if (!w || !read_cardinals(w, w->connection->net_wm_state, XA_ATOM, atoms)) return false;
    const auto has = [&](Atom a) {
        return std::find(atoms.begin(), atoms.end(), static_cast<long>(a)) != atoms.end();
    };
    return has(w->connection->net_wm_state_maximized_vert) &&
           has(w->connection->net_wm_state_maximized_horz);
}

std::intptr_t def_window_proc(window_handle handle, unsigned message, std::uintptr_t,
                              std::intptr_t) {
    // Closing, or the display going away, ends the window as Windows' default does.
    if (message == wm_close || message == wm_display_lost) destroy_window(handle);
    return 0;
}

std::intptr_t send_window_message(window* target, unsigned message, std::uintptr_t wparam,
                                  std::intptr_t lparam) {
    return target->procedure(target, message, wparam, lparam);
}

namespace {
// The procedure of every queued window message: a dead window gets nothing.
std::intptr_t deliver_to_live_window(window_handle handle, unsigned message, std::uintptr_t wparam,
                                     std::intptr_t lparam) {
    window* w = live_window(handle);
    return w ? w->procedure(w, message, wparam, lparam) : 0;
}
}  // namespace

void post_window_message(window* target, unsigned message, std::uintptr_t wparam,
                         std::intptr_t lparam) {
    post_message(platform::message{target, message, wparam, lparam, deliver_to_live_window});
}

}  // namespace platform
