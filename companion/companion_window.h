// The companion's window: an ordinary one, or one that covers the screen and
// ends the companion at the first key, button or movement.
#pragma once

#include <cstdint>
#include <string>

#include "platform/window.h"

// Registers the class and makes the window with its GL context current and the
// scene set up in it; false, with a line on standard error, when that fails.
bool open_companion_window();

// Shows title when it differs from the one shown.
void set_companion_title(const std::string& title);

std::intptr_t companion_window_proc(platform::window_handle window, unsigned message,
                                    std::uintptr_t wparam, std::intptr_t lparam);
