// Windows, device contexts, GL contexts, the cursor, window stations and
// desktops as the graphics host expects them, on Xlib and GLX.
//
// A window station is an X display, named as DISPLAY names it (":0"); a
// desktop is a screen of the process's window station, named by its number
// ("0"). Windows are made on the calling thread's desktop. Window messages
// carry their Windows numbers; X events become them in the event pump that
// each display connection adds to the message loop.
//
// Not provided: child windows (but for a bottom strip, below), menus, icons,
// other brushes than black. A window manager is asked, by its EWMH
// conventions, for the frame it will add and for full screen
// (x11_window_manager.cpp); with none a window's outer rectangle is its
// client area.
#pragma once

#include <cstdint>

#include "platform/message_loop.h"

namespace platform {

struct rect {
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;
};

struct point {
    std::int32_t x;
    std::int32_t y;
};

// Window messages, by their Windows numbers.
constexpr unsigned wm_create = 0x0001;
constexpr unsigned wm_destroy = 0x0002;
constexpr unsigned wm_size = 0x0005;
constexpr unsigned wm_paint = 0x000F;
constexpr unsigned wm_close = 0x0010;
constexpr unsigned wm_erasebkgnd = 0x0014;
constexpr unsigned wm_keydown = 0x0100;
constexpr unsigned wm_keyup = 0x0101;
constexpr unsigned wm_syskeydown = 0x0104;
constexpr unsigned wm_syskeyup = 0x0105;
constexpr unsigned wm_mousemove = 0x0200;
constexpr unsigned wm_lbuttondown = 0x0201;
constexpr unsigned wm_lbuttonup = 0x0202;
constexpr unsigned wm_rbuttondown = 0x0204;
constexpr unsigned wm_rbuttonup = 0x0205;
constexpr unsigned wm_mbuttondown = 0x0207;
constexpr unsigned wm_mbuttonup = 0x0208;
constexpr unsigned wm_mousewheel = 0x020A;
// Sent to every window of a display whose X server has gone away; the
// window no longer exists on the screen and only its handle remains.
constexpr unsigned wm_display_lost = 0x8001;

// WM_SIZE kinds.
constexpr std::uintptr_t size_restored = 0;
constexpr std::uintptr_t size_minimized = 1;
constexpr std::uintptr_t size_maximized = 2;
// The size that a WM_SIZE message's lParam packs, as Windows' LOWORD and HIWORD unpack it.
constexpr int low_word(std::intptr_t value) { return static_cast<int>(value & 0xFFFF); }
constexpr int high_word(std::intptr_t value) { return static_cast<int>((value >> 16) & 0xFFFF); }

// Button flags of mouse messages.
constexpr std::uintptr_t mk_lbutton = 0x0001;
constexpr std::uintptr_t mk_rbutton = 0x0002;
constexpr std::uintptr_t mk_shift = 0x0004;
constexpr std::uintptr_t mk_control = 0x0008;
constexpr std::uintptr_t mk_mbutton = 0x0010;

// Class and window styles, by their Windows values.
constexpr unsigned cs_vredraw = 0x0001;
constexpr unsigned cs_hredraw = 0x0002;
constexpr unsigned cs_owndc = 0x0020;
constexpr unsigned long ws_ex_topmost = 0x00000008;
constexpr unsigned long ws_ex_windowedge = 0x00000100;
constexpr unsigned long ws_ex_appwindow = 0x00040000;
constexpr unsigned long ws_popup = 0x80000000;
constexpr unsigned long ws_overlappedwindow = 0x00cf0000;
constexpr unsigned long ws_clipsiblings = 0x04000000;
constexpr unsigned long ws_clipchildren = 0x02000000;

// ---- module, classes and windows ----

using instance_handle = const void*;
instance_handle get_module_handle();

struct window_class_record {
    unsigned style;
    window_procedure procedure;
    instance_handle instance;
    const char* class_name;
};

// Needs no display. A second registration of the same name fails.
bool register_class(const window_class_record& record);
// Fails for an unknown name or instance, and while a window of the class exists.
bool unregister_class(const char* class_name, instance_handle instance);

// Makes a window on the thread's desktop; its procedure gets wm_create
// before this returns. Position and size are the outer rectangle's, the
// window manager's frame included, as Windows takes them. A ws_popup window
// is a full-screen one. Null when the class is unknown or the desktop's
// display cannot be reached.
window_handle create_window(unsigned long ex_style, const char* class_name, const char* title,
                            unsigned long style, int x, int y, int width, int height);
bool destroy_window(window_handle window);
// Replaces the title (WM_NAME and _NET_WM_NAME); false for a handle that is
// not a live window or whose X server has gone away.
bool set_window_text(window_handle window, const char* title);
bool is_window(window_handle window);
void show_window(window_handle window);
void set_focus(window_handle window);
bool set_foreground_window(window_handle window);
// Outer rectangle in screen coordinates, the window manager's frame included.
bool get_window_rect(window_handle window, rect& out);
// Client rectangle: always at (0, 0).
bool get_client_rect(window_handle window, rect& out);
bool is_iconic(window_handle window);
bool is_zoomed(window_handle window);
std::intptr_t def_window_proc(window_handle window, unsigned message, std::uintptr_t wparam,
                              std::intptr_t lparam);

// A number from 0xC000 to 0xFFFF, the same for every call with the same name.
// Needs no display, so it may run during static initialisation.
unsigned register_window_message(const char* name);

// One line on standard error: caption, then text.
void message_box(const char* text, const char* caption);

// ---- device contexts and painting ----

struct device_context;
using dc_handle = device_context*;

// The window's own device context, or with a null window the screen of the
// thread's desktop. Null when the display cannot be reached.
dc_handle get_dc(window_handle window);
int release_dc(window_handle window, dc_handle dc);

enum device_cap { horzres = 8, vertres = 10 };
int get_device_caps(dc_handle dc, device_cap index);

dc_handle begin_paint(window_handle window);
void end_paint(window_handle window);
void fill_rect_black(dc_handle dc, const rect& area);

// A picture along the bottom of a window, full width, that the X server keeps
// and paints by itself (a child window with it as background), so that a line
// that changes now and then costs the window's GL frames nothing. The pixels
// are RGBA bytes, rows from the bottom up, as glReadPixels gives them. A new
// call replaces the picture and places the strip again for the window's
// present height; the strip keeps to the bottom when the window is resized.
// False when the server cannot show it: the window then has no strip.
bool set_bottom_strip(window_handle window, const std::uint8_t* rgba_rows_bottom_up, int width,
                      int height);

// ---- pixel formats and GL contexts ----

constexpr unsigned long pfd_doublebuffer = 0x00000001;
constexpr unsigned long pfd_draw_to_window = 0x00000004;
constexpr unsigned long pfd_support_opengl = 0x00000020;
constexpr unsigned char pfd_type_rgba = 0;
constexpr unsigned char pfd_main_plane = 0;

struct pixel_format_descriptor {
    std::uint16_t size;
    std::uint16_t version;
    unsigned long flags;
    unsigned char pixel_type;
    unsigned char color_bits;
    unsigned char red_bits, red_shift, green_bits, green_shift, blue_bits, blue_shift;
    unsigned char alpha_bits, alpha_shift;
    unsigned char accum_bits, accum_red_bits, accum_green_bits, accum_blue_bits, accum_alpha_bits;
    unsigned char depth_bits;
    unsigned char stencil_bits;
    unsigned char aux_buffers;
    unsigned char layer_type;
    unsigned char reserved;
    unsigned long layer_mask, visible_mask, damage_mask;
};

// What every window's visual is chosen for: RGBA, double-buffered, depth 16,
// 32 colour bits. A window's pixel format can only be this one.
const pixel_format_descriptor& window_pixel_format();

// 1-based index of the screen's GLX visual closest to the descriptor; 0 if none.
int choose_pixel_format(dc_handle dc, const pixel_format_descriptor& descriptor);
// X fixes a window's visual when it is made, so only the format that the
// window was made with can be set, and only once.
bool set_pixel_format(dc_handle dc, int format, const pixel_format_descriptor& descriptor);

struct gl_context;
using gl_context_handle = gl_context*;
gl_context_handle create_gl_context(dc_handle dc);
// With two nulls the thread is left without a current context.
bool make_current(dc_handle dc, gl_context_handle context);
bool delete_gl_context(gl_context_handle context);
bool swap_buffers(dc_handle dc);

// ---- cursor ----

// Returns the new display count; the cursor shows while it is zero or more.
int show_cursor(bool show);
// Screen coordinates on the thread's desktop.
bool get_cursor_pos(point& out);

// ---- window stations and desktops ----

struct window_station;
using window_station_handle = window_station*;
struct desktop;
using desktop_handle = desktop*;

window_station_handle get_process_window_station();
window_station_handle open_window_station(const char* name);
bool set_process_window_station(window_station_handle station);
bool close_window_station(window_station_handle station);

desktop_handle get_thread_desktop();
// Opens a screen of the process's window station.
desktop_handle open_desktop(const char* name);
bool set_thread_desktop(desktop_handle desk);
bool close_desktop(desktop_handle desk);

}  // namespace platform
