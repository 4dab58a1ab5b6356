// The switch between display modes: from one mode's window to the next's.
#pragma once

#include "graphics_host/graphics_mode.h"
#include "graphics_host/host_state.h"

// Switches the display to `mode`: releases whatever window exists and, for a
// mode with a window, makes one on the window station and desktop that
// `request` names (or on the process's own when it names none, and always when
// standalone). Does nothing when `mode` is in force already; puts
// mode_unsupported in force when a named station or desktop cannot be opened.
void set_graphics_mode(int mode,
                       const graphics_request_type& request = host_state.graphics_request);
