// The task's window as both programs make it: the in-process host for the
// core client, and the companion for the desktop's user. Whatever looks for
// the task's window (a screensaver, a test, a person) finds the same class,
// title rule, first place, styles and pixel format from either. It knows no
// scene: each program hands it its own.
#pragma once

#include "platform/window.h"

// The class both programs register their window under.
extern const char task_window_class_name[];
// The title before the init data or a published state names the application.
extern const char default_task_window_title[];
// Where the first ordinary window goes: 640 x 480 without a frame at (50, 50).
constexpr platform::rect default_window_rect{50, 50, 690, 530};
// At most this many frames in a second, in either program.
constexpr int frame_cap_per_second = 30;

// The screen of the thread's desktop, as a rectangle at the origin.
platform::rect screen_rect();

// False, with nothing registered, when the class is registered already.
bool register_task_window_class(platform::window_procedure procedure,
                                platform::instance_handle instance);

// Where a program keeps its window's handles: opening fills them in as it
// goes, so that the procedure sees each one as soon as it exists.
struct task_window_handles {
    platform::window_handle& window;
    platform::dc_handle& dc;
    platform::gl_context_handle& gl_context;
    // Where the cursor was when the window was made: full screen ends when it moves.
    platform::point& creation_cursor_pos;
};

// What kept a window from opening whole.
enum class task_window_failure { none, no_window, no_pixel_format, no_gl_context, not_current };

// Makes a full-screen window over the screen, or an ordinary one on `area`,
// with the cursor hidden in full screen and shown otherwise; gives it the
// pixel format and a current GL context, shows it and focuses it; the caller
// sets its scene up in it then. A window that GL cannot be had for stays up without a
// device or GL context.
task_window_failure open_task_window(bool fullscreen, const platform::rect& area, const char* title,
                                     const task_window_handles& handles);

// Deletes the GL context, releases the device context and destroys the window;
// each handle that was there is null afterwards.
void close_task_window(const task_window_handles& handles);
