// The core client's mode requests, and the replies that name the mode in force.
#include "graphics_host/mode_messages.h"

#include "app_ipc.h"
#include "boinc_api.h"
#include "graphics_host/graphics_mode.h"
#include "graphics_host/host_state.h"
#include "graphics_host/mode_switch.h"
#include "graphics_host/request_channel.h"
#include "scene/app_graphics.h"

void handle_graphics_request() {
    char text[MSG_CHANNEL_SIZE];
    if (!take_graphics_message(app_client_shm->shm->graphics_request, text, sizeof text)) return;
    graphics_request_type& request = host_state.graphics_request;
    decode_graphics_request(text, request);
    const int current = host_state.current_graphics_mode;
    switch (request.mode) {
        case mode_hide_graphics:
        case mode_window:
        case mode_fullscreen:
        case mode_blankscreen:
            set_graphics_mode(request.mode, request);
            break;
        case reread_prefs:
            if (current == mode_window || current == mode_fullscreen) app_graphics_prefs_reread();
            break;
        default:
            break;
    }
}

void report_graphics_mode() {
    int& current = host_state.current_graphics_mode;
    int& acknowledged = host_state.acknowledged_graphics_mode;
    if (acknowledged == current) return;
    if (send_graphics_message(app_client_shm->shm->graphics_reply, graphics_mode_tags[current])) {
        acknowledged = current;
    }
    // A quit is told once at most; the display stays hidden afterwards.
    if (current == mode_quit) current = mode_hide_graphics;
}
