// The graphics window, its display modes and its window procedure, and the
// graphics thread's event loop and frame timer.
#pragma once

#include <cstdint>

#include "platform/window.h"

// Everything the graphics thread knows about its window; used by that thread alone.
struct window_state_type {
    int current_graphics_mode;
    platform::rect saved_window_rect;  // outer rectangle in every mode but full screen
    bool window_visible;               // false while the window is minimised
    platform::window_handle graphics_window;
    platform::dc_handle window_dc;
    platform::gl_context_handle gl_context;
    platform::instance_handle app_instance;
    platform::point creation_cursor_pos;
    platform::window_station_handle initial_window_station;
    platform::desktop_handle initial_desktop;
    platform::window_station_handle opened_window_station;
    platform::desktop_handle opened_desktop;
};

extern window_state_type window_state;

// Where an ordinary window goes when none has been placed yet.
constexpr platform::rect default_window_rect{50, 50, 690, 530};

extern const platform::pixel_format_descriptor window_pixel_format;

// The number that "BOINCSetForegroundWindow" was registered as.
extern const unsigned set_foreground_message;

bool register_window_class();
bool unregister_window_class();
void set_graphics_mode(int mode);
void create_graphics_window();
void release_graphics_window();
void set_window_pixel_format(platform::dc_handle dc);

std::intptr_t graphics_window_proc(platform::window_handle window, unsigned message,
                                   std::uintptr_t wparam, std::intptr_t lparam);
void decode_mouse_button(unsigned message, int& which, bool& down);

// The 30 ms timer's handler: mode messages, then a frame within the limits.
void frame_timer_tick();

void graphics_event_loop();
