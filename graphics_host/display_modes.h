// The graphics window: its class, the switch between display modes, the
// window with its pixel format and GL context, and its release.
#pragma once

#include "graphics_host/graphics_mode.h"
#include "graphics_host/host_state.h"
#include "platform/window.h"

// The BOINC library's init data; its header clashes with Xlib's macros.
struct APP_INIT_DATA;

// The window's title: the init data's application name, else the default.
// The task's published state names the same, so the companion's window matches.
const char* graphics_window_title(const APP_INIT_DATA& init_data);

bool register_window_class();
bool unregister_window_class();

// Switches the display to `mode`: releases whatever window exists and, for a
// mode with a window, makes one on the window station and desktop that
// `request` names (or on the process's own when it names none, and always when
// standalone). Does nothing when `mode` is in force already; puts
// mode_unsupported in force when a named station or desktop cannot be opened.
void set_graphics_mode(int mode,
                       const graphics_request_type& request = host_state.graphics_request);

// Makes the window, pixel format and GL context for the mode in force; each
// failure leaves a log line and no half-made window behind.
void create_graphics_window();
// Deletes the GL context, releases the device context, destroys the window and
// returns to the initial window station and desktop.
void release_graphics_window();
// False, with nothing set, when the window's display has no such format.
bool set_window_pixel_format(platform::dc_handle dc);
