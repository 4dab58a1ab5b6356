#include "tests/graphics_host/recording_scene.h"

#include <GL/glx.h>

#include "scene/app_graphics.h"

recorded_scene_calls scene_calls;
std::atomic<bool> graphics_initialized{false};
std::atomic<bool> show_poster{false};

void app_graphics_init() {
    graphics_initialized = true;
    scene_calls.init_with_context.push_back(glXGetCurrentContext() != nullptr);
}
void app_graphics_resize(int width, int height) { scene_calls.resizes.emplace_back(width, height); }
void app_graphics_draw_frame(int, int, double) { ++scene_calls.frames; }
void app_graphics_prefs_reread() { ++scene_calls.prefs_rereads; }
void boinc_app_key_press(int key, int key_data) {
    scene_calls.keys.push_back({true, key, key_data});
}
void boinc_app_key_release(int key, int key_data) {
    scene_calls.keys.push_back({false, key, key_data});
}
void boinc_app_pointer_move(int x, int y, bool left, bool middle, bool right) {
    scene_calls.moves.push_back({x, y, left, middle, right});
}
void boinc_app_pointer_button(int x, int y, int which, bool down) {
    scene_calls.buttons.push_back({x, y, which, down});
}
