// All state of the graphics host in one record: the display mode and its
// window, the core client's requests and replies, the throttle, the watch for
// a suspended task that must end, and what the start-up hands the worker.
// Only the graphics thread touches it, except where a member says otherwise.
#pragma once

#include <cstdint>
#include <string>

#include "graphics_host/graphics_mode.h"
#include "graphics_host/render_throttle.h"
#include "graphics_host/startup_hooks.h"
#include "platform/window.h"
#include "task_window/task_window.h"

struct host_state_type {
    // The display mode and its window (mode_switch.cpp, graphics_window.cpp,
    // window_procedure.cpp).

    // Changed by set_graphics_mode, and by report_graphics_mode once a quit is told.
    int current_graphics_mode = mode_hide_graphics;
    // Outer rectangle of the last ordinary window, where the next one opens.
    platform::rect saved_window_rect = default_window_rect;
    // False while the window is minimised: no frames are drawn then.
    bool window_visible = true;
    // The window of the mode in force, its device context and GL context; null without one.
    platform::window_handle graphics_window = nullptr;
    platform::dc_handle window_dc = nullptr;
    platform::gl_context_handle gl_context = nullptr;
    // The window class's instance; null after a failed unregistration.
    platform::instance_handle app_instance = nullptr;
    // Where the cursor was when the window was made: full screen ends when it moves.
    platform::point creation_cursor_pos{0, 0};
    // Taken at the first move to a named window station and desktop; every release returns there.
    platform::window_station_handle initial_window_station = nullptr;
    platform::desktop_handle initial_desktop = nullptr;
    // The named ones, while a window uses them.
    platform::window_station_handle opened_window_station = nullptr;
    platform::desktop_handle opened_desktop = nullptr;

    // The core client's messages (mode_messages.cpp).

    // The last decoded request; set_graphics_mode reads its names by default.
    graphics_request_type graphics_request{};
    // The last mode that the reply channel accepted; -1 before the first.
    int acknowledged_graphics_mode = -1;

    // The frame-rate and processor-share throttle (render_throttle.cpp), since the start.
    render_throttle_state render_throttle{};

    // The watch for a suspended task that must end (suspended_end_watch.cpp).

    // Wall-clock time of the next look at the library's status.
    double next_end_check = 0;
    // When the present cause to end was first seen; 0 while there is none.
    double end_cause_first_seen = 0;
    // The core client's process, from the init data at the first look; -1 before it.
    int core_client_pid = -1;

    // The task's published state (task_state_publisher.cpp).

    // Wall-clock time at which the state file is next renewed.
    double next_publication = 0;
    // States published by this process: the last one's sequence number.
    std::uint64_t published_sequence = 0;
    // The flags of the last state published; a change is published at once.
    bool published_suspended = false;
    bool published_poster_phase = false;
    bool published_finished = false;
    // A failure was logged and no write has succeeded since.
    bool publication_failure_logged = false;
    // The init data's names, read at the first publication.
    bool published_names_read = false;
    std::string published_app_name;
    std::string published_user_name;

    // Start-up (startup.cpp): written on the main thread before the worker
    // thread exists, then read by the worker thread.
    startup_hooks_type* active_hooks = nullptr;
    worker_function_type worker_function = nullptr;
};

extern host_state_type host_state;

// Back to the state at start-up, for test fixtures between cases, with no
// window up. The window class stays registered, so its instance is kept.
void reset_host_state();
