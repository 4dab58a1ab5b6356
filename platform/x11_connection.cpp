// Connections to X servers: opening, error handling that never ends the
// process, and what happens when a server goes away.
#include <X11/XKBlib.h>

#include <cstdlib>

#include "platform/x11_state.h"

namespace platform {
namespace {

// X errors are expected (a window manager refusing focus, a dead server) and
// must never end the job; traps read the code where it matters.
int record_x_error(Display* display, XErrorEvent* event) {
    x11_state& s = x11();
    if (display == s.trapped_display && s.last_x_error == 0) s.last_x_error = event->error_code;
    return 0;
}

// Xlib's default would end the process; the exit handler below takes over.
int ignore_io_error(Display*) { return 0; }

// Called by Xlib when the server is gone; returning keeps the process alive.
void note_connection_lost(Display*, void* context) {
    static_cast<x_connection*>(context)->lost = true;
}

void install_error_handlers_once() {
    static const bool installed = [] {
        XSetErrorHandler(record_x_error);
        XSetIOErrorHandler(ignore_io_error);
        return true;
    }();
    (void)installed;
}

void intern_atoms(x_connection& c) {
    Display* d = c.display;
    c.wm_protocols = XInternAtom(d, "WM_PROTOCOLS", False);
    c.wm_delete_window = XInternAtom(d, "WM_DELETE_WINDOW", False);
    c.wm_state = XInternAtom(d, "WM_STATE", False);
    c.net_wm_state = XInternAtom(d, "_NET_WM_STATE", False);
    c.net_wm_state_maximized_vert = XInternAtom(d, "_NET_WM_STATE_MAXIMIZED_VERT", False);
    c.net_wm_state_maximized_horz = XInternAtom(d, "_NET_WM_STATE_MAXIMIZED_HORZ", False);
    c.net_frame_extents = XInternAtom(d, "_NET_FRAME_EXTENTS", False);
    c.net_request_frame_extents = XInternAtom(d, "_NET_REQUEST_FRAME_EXTENTS", False);
    c.net_supported = XInternAtom(d, "_NET_SUPPORTED", False);
    c.net_supporting_wm_check = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False);
    c.net_wm_state_fullscreen = XInternAtom(d, "_NET_WM_STATE_FULLSCREEN", False);
    c.net_wm_state_above = XInternAtom(d, "_NET_WM_STATE_ABOVE", False);
    c.net_active_window = XInternAtom(d, "_NET_ACTIVE_WINDOW", False);
    c.net_wm_name = XInternAtom(d, "_NET_WM_NAME", False);
    c.utf8_string = XInternAtom(d, "UTF8_STRING", False);
}

}  // namespace

x11_state& x11() {
    // Never destroyed: the job ends the process from another thread while
    // this layer may still be in use on the graphics thread.
    static x11_state* const state = [] {
        x11_state* s = std::make_unique<x11_state>().release();
        const char* display_name = std::getenv("DISPLAY");
        s->initial_station = std::make_shared<window_station>();
        s->initial_station->name = display_name ? display_name : "";
        s->initial_desktop = std::make_unique<desktop>();
        s->initial_desktop->station = s->initial_station;
        s->process_station = s->initial_station.get();
        s->thread_desktop = s->initial_desktop.get();
        return s;
    }();
    return *state;
}

std::shared_ptr<x_connection> open_connection(const std::string& name) {
    install_error_handlers_once();
    Display* display = XOpenDisplay(name.empty() ? nullptr : name.c_str());
    if (!display) return nullptr;
    auto connection = std::make_shared<x_connection>();
    connection->name = name;
    connection->display = display;
    XSetIOErrorExitHandler(display, note_connection_lost, connection.get());
    intern_atoms(*connection);
    build_key_table(*connection);
    // A held key then gives repeated presses and one release.
    XkbSetDetectableAutoRepeat(display, True, nullptr);
    add_event_source(ConnectionNumber(display), pump_connection, connection.get());
    return connection;
}

x_connection::~x_connection() {
    if (!display) return;
    if (!lost_handled) remove_event_source(ConnectionNumber(display));
    if (lost) return;  // GLX may still refer to the Display: keep it
    if (blank_cursor != None) XFreeCursor(display, blank_cursor);
    XCloseDisplay(display);
}

void handle_connection_lost(x_connection& connection) {
    if (connection.lost_handled) return;
    connection.lost_handled = true;
    remove_event_source(ConnectionNumber(connection.display));
    for (const auto& w : x11().windows) {
        if (w->alive && w->connection.get() == &connection) {
            post_window_message(w.get(), wm_display_lost, 0, 0);
        }
    }
    // Stations forget the dead connection so that the next use connects afresh;
    // this may free `connection`, so nothing touches it afterwards.
    auto forget = [&connection](window_station& station) {
        if (station.connection.get() == &connection) station.connection.reset();
    };
    for (const auto& station : x11().opened_stations) forget(*station);
    forget(*x11().initial_station);
}

x_connection* window_station::connect() {
    if (connection && connection->lost) {
        handle_connection_lost(*connection);
        connection.reset();
    }
    if (!connection) connection = open_connection(name);
    return connection.get();
}

int desktop::screen_number() {
    x_connection* c = station->connect();
    if (screen >= 0 || !c) return screen < 0 ? 0 : screen;
    return DefaultScreen(c->display);
}

x_error_trap::x_error_trap(Display* display)
    : display_(display),
      previous_display_(x11().trapped_display),
      previous_(XSetErrorHandler(record_x_error)) {
    XSync(display_, False);
    x11().trapped_display = display_;
    x11().last_x_error = 0;
}

x_error_trap::~x_error_trap() { finish(); }

int x_error_trap::finish() {
    if (!finished_) {
        finished_ = true;
        XSync(display_, False);
        XSetErrorHandler(previous_);
        x11().trapped_display = previous_display_;
    }
    return x11().last_x_error;
}

}  // namespace platform
