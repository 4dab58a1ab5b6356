// The scene's side of the graphics host: the callbacks that the host calls on
// the graphics thread by name, and the two flags that the scene and the worker
// share. Each flag has one writing thread. In the task both only ever go from
// false to true; the companion, whose one thread is also the only reader, sets
// show_poster from every state it reads, either way.
#pragma once

#include <atomic>

// Set by every app_graphics_init(); read by the worker to choose its limits.
extern std::atomic<bool> graphics_initialized;
// Set by the worker when its poster phase begins; read by every frame.
extern std::atomic<bool> show_poster;

void app_graphics_init();
void app_graphics_resize(int width, int height);
void app_graphics_draw_frame(int width, int height, double time);
void app_graphics_prefs_reread();
void boinc_app_key_press(int key, int key_data);
void boinc_app_key_release(int key, int key_data);
void boinc_app_pointer_move(int x, int y, bool left, bool middle, bool right);
void boinc_app_pointer_button(int x, int y, int which, bool down);
