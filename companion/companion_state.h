// All state of the companion in one record, used by its one thread: the
// window and its GL context, what the slot has shown so far, and the pacing
// of looks and frames.
#pragma once

#include <string>

#include "companion/companion_arguments.h"
#include "companion/companion_words.h"
#include "companion/frame_pacer.h"
#include "companion/screensaver_embedding.h"
#include "companion/state_watch.h"
#include "companion/status_line.h"
#include "platform/window.h"

struct companion_state_type {
    companion_display display = companion_display::window;
    platform::window_handle window = nullptr;
    platform::dc_handle window_dc = nullptr;
    platform::gl_context_handle gl_context = nullptr;
    // False while the window is minimised: no frames are drawn then.
    bool window_visible = true;
    // Where the cursor was when the window was made: full screen ends when it moves.
    platform::point creation_cursor_pos{0, 0};
    // The title the window shows now.
    std::string title;

    state_watch_type watch;
    // Monotonic seconds of the next look at the slot.
    double next_look = 0;
    frame_pacer pacer;
    // Whether the last look showed a task, once it has been logged.
    bool view_logged = false;
    bool showing_task = false;
    // The screensaver's window that took ours in, if one did.
    embedding_watch embedding;
    // The words of the desktop's language, read once at start.
    companion_words words;
    // The status line's band as last drawn.
    status_band_cache status_band;
    // The poster phase as the last frame drew it.
    bool poster_shown = false;
};

// Never reset: the companion's tests run it as a process of its own.
extern companion_state_type companion_state;
