// The window layer's X state, in one place, for the layer's own files only.
#pragma once

#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <array>
#include <bitset>
#include <memory>
#include <string>
#include <vector>

#include "platform/window.h"

namespace platform {

// One connection to an X server. When the server goes away the Display is
// kept but never used for requests again: GLX may still hold it.
// A window manager's frame around a window, in pixels on each side.
struct frame_extents {
    long left = 0;
    long right = 0;
    long top = 0;
    long bottom = 0;
    bool operator==(const frame_extents& o) const {
        return left == o.left && right == o.right && top == o.top && bottom == o.bottom;
    }
    bool operator!=(const frame_extents& o) const { return !(*this == o); }
};

struct x_connection {
    std::string name;
    Display* display = nullptr;
    bool lost = false;          // set by Xlib's I/O error exit handler
    bool lost_handled = false;  // its windows have been told
    Atom wm_protocols = None;
    Atom wm_delete_window = None;
    Atom wm_state = None;
    Atom net_wm_state = None;
    Atom net_wm_state_maximized_vert = None;
    Atom net_wm_state_maximized_horz = None;
    Atom net_frame_extents = None;
    Atom net_request_frame_extents = None;
    Atom net_supported = None;
    Atom net_supporting_wm_check = None;
    Atom net_wm_state_fullscreen = None;
    Atom net_wm_state_above = None;
    Atom net_active_window = None;
    Atom net_wm_name = None;
    Atom utf8_string = None;
    std::array<unsigned char, 256> virtual_keys{};
    std::bitset<256> keys_down;
    Cursor blank_cursor = None;
    // The frame the manager last put around a window, for a manager that
    // tells it only after mapping or never: the next window is fitted to it at once.
    bool frame_learned = false;
    frame_extents learned_frame;
    // The manager puts a window's client area, not its frame, at the position
    // asked for: learned from the first window, as its frame is.
    bool places_client_area = false;

    x_connection() = default;
    x_connection(const x_connection&) = delete;
    x_connection& operator=(const x_connection&) = delete;
    ~x_connection();
};

// Null when the display cannot be opened. The connection feeds the message
// loop as an event source until it is destroyed or lost.
std::shared_ptr<x_connection> open_connection(const std::string& name);

// Runs once the connection is found lost: stops polling it and tells its windows.
void handle_connection_lost(x_connection& connection);

struct device_context {
    window* owner = nullptr;  // null for a screen's context
    std::shared_ptr<x_connection> connection;
    int screen = 0;
    int format = 0;  // 1-based visual index once set
};

struct window {
    std::shared_ptr<x_connection> connection;
    ::Window xid = None;
    int screen = 0;
    XVisualInfo visual{};
    int visual_format = 0;  // the index that choose_pixel_format gives this visual
    Colormap colormap = None;
    GC gc = nullptr;
    window_procedure procedure = nullptr;
    std::string class_name;
    bool alive = true;
    bool shown = false;
    bool iconic = false;
    // Full screen through the window manager's convention rather than override-redirect.
    bool fullscreen_by_manager = false;
    // Takes the keyboard focus once the server says it is mapped: a window
    // manager maps a managed window later, and focus on an unmapped one is refused.
    bool focus_when_mapped = false;
    // The window that had the focus before a full-screen window took it.
    ::Window focus_before = None;
    int width = 0;  // client size last reported in WM_SIZE
    int height = 0;
    // An ordinary window's client area was fitted to this outer size with the
    // frame assumed, until the manager's published frame has been seen.
    bool fits_outer_size = false;
    int outer_x = 0;  // the outer rectangle asked for
    int outer_y = 0;
    int outer_width = 0;
    int outer_height = 0;
    frame_extents assumed_frame;
    device_context dc;
    // The child window of set_bottom_strip, once there is one; it goes with its parent.
    ::Window bottom_strip = None;
};

struct gl_context {
    std::shared_ptr<x_connection> connection;
    GLXContext context = nullptr;
};

struct window_station {
    std::string name;
    std::shared_ptr<x_connection> connection;

    // The live connection, opened again if the server was lost; null when it cannot be.
    x_connection* connect();
};

struct desktop {
    std::shared_ptr<window_station> station;
    int screen = -1;  // -1: the display's default screen

    int screen_number();
};

struct window_class_entry {
    std::string name;
    window_class_record record;
};

struct x11_state {
    std::vector<window_class_entry> classes;
    // The last few destroyed windows keep their record, marked dead, so that a
    // message still queued for one finds a dead handle rather than freed memory.
    std::vector<std::unique_ptr<window>> windows;
    std::vector<std::unique_ptr<gl_context>> contexts;
    gl_context* current_context = nullptr;
    std::shared_ptr<window_station> initial_station;
    std::vector<std::shared_ptr<window_station>> opened_stations;
    std::unique_ptr<desktop> initial_desktop;
    std::vector<std::unique_ptr<desktop>> opened_desktops;
    window_station* process_station = nullptr;
    desktop* thread_desktop = nullptr;
    device_context screen_dc;
    int cursor_count = 0;
    // The display that an x_error_trap watches, and the first error it caught.
    Display* trapped_display = nullptr;
    int last_x_error = 0;
};

x11_state& x11();

// The live window whose handle this is, or null.
window* live_window(window_handle handle);
// The live window that an X window id on this connection belongs to, or null.
window* find_window(const x_connection& connection, ::Window xid);
std::shared_ptr<window_station> station_pointer(window_station* station);

// Delivers a message to a window's procedure now, as SendMessage does.
std::intptr_t send_window_message(window* target, unsigned message, std::uintptr_t wparam,
                                  std::intptr_t lparam);
// Queues a message for a window; a window dead by then does not get it.
void post_window_message(window* target, unsigned message, std::uintptr_t wparam,
                         std::intptr_t lparam);

// Catches X errors of the display's requests between construction and
// finish(); errors of other displays (freeglut's, another window's) are ignored.
class x_error_trap {
  public:
    explicit x_error_trap(Display* display);
    x_error_trap(const x_error_trap&) = delete;
    x_error_trap& operator=(const x_error_trap&) = delete;
    ~x_error_trap();
    // Waits for the server to answer the requests so far; the first error code, or 0.
    int finish();

  private:
    Display* display_;
    Display* previous_display_;
    XErrorHandler previous_;
    bool finished_ = false;
};

void build_key_table(x_connection& connection);
// Pumps one connection's X events into the message queue.
void pump_connection(void* context);

// The GLX visual of the screen closest to the descriptor, and its 1-based index.
bool choose_visual(Display* display, int screen, const pixel_format_descriptor& descriptor,
                   XVisualInfo& out, int& index);

// What the screen's window manager offers (x11_window_manager.cpp). With no
// window manager running, nothing is supported and windows have no frame.
bool window_manager_supports(x_connection& connection, int screen, Atom feature);

// The frame that the window manager puts around this unmapped window, asked
// for before mapping where the manager answers that; else the frame it has
// published for an earlier window on the connection; zero before any.
frame_extents expected_frame_extents(window* w);
// Once the manager publishes the frame of a window whose client area was fitted
// to an outer size: the client area refitted if the frame differs from the
// one assumed, and the frame remembered for the connection's next windows.
void fit_to_published_frame(window* w);
// Once a window whose client area was fitted to an outer size is mapped,
// under a manager that never publishes its frames: the frame read from the
// window tree, then as fit_to_published_frame.
void fit_to_frame_in_tree(window* w);
// The frame around a mapped window: the one the manager published, else the
// one the window tree shows; zero without either.
frame_extents current_frame_extents(window* w);
// Asks the window manager, before mapping, to show the window full screen and above others.
void request_manager_fullscreen(window* w);
// After a full-screen window is gone: the focus back where it was, if nothing took it.
void give_focus_back(window* w);

Cursor blank_cursor(x_connection& connection);
bool cursor_hidden();

const std::vector<std::string>& registered_message_names();

}  // namespace platform
