// The graphics window's class and procedure: closing, input for the scene,
// and the end of a full-screen display at the first sign of a user.
#pragma once

#include <cstdint>

#include "platform/window.h"

// The number that "BOINCSetForegroundWindow" was registered as, during static
// initialisation; that message brings the window to the front.
extern const unsigned set_foreground_message;

// The task window's class with this procedure. A failure shows the message box
// "Failed To Register The Window Class." and gives false.
bool register_window_class();
// A failure shows the message box "Could Not Unregister Class." and forgets
// the class's instance; true either way.
bool unregister_window_class();

std::intptr_t graphics_window_proc(platform::window_handle window, unsigned message,
                                   std::uintptr_t wparam, std::intptr_t lparam);

// Which button (0 left, 1 middle, 2 right) a button message is about, and
// whether it went down; leaves both alone for any other message.
void decode_mouse_button(unsigned message, int& which, bool& down);
