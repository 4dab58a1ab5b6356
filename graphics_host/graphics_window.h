// The host's window of the mode in force and its GL context: made as the task's
// window is made (task_window/), on the window station and desktop in force.
#pragma once

// The BOINC library's init data; its header clashes with Xlib's macros.
struct APP_INIT_DATA;

// The window's title: the init data's application name, else the default.
// The task's published state names the same, so the companion's window matches.
const char* graphics_window_title(const APP_INIT_DATA& init_data);

// Makes the window, pixel format and GL context for the mode in force; each
// failure leaves a log line and no half-made window behind.
void create_graphics_window();
// Deletes the GL context, releases the device context, destroys the window and
// returns to the initial window station and desktop.
void release_graphics_window();
