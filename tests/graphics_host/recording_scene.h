// A stand-in for the scene that records what the graphics host calls, so
// that window tests can see each callback and its arguments.
#pragma once

#include <string>
#include <vector>

struct key_call {
    bool press;
    int key;
    int key_data;
};

struct pointer_move_call {
    int x, y;
    bool left, middle, right;
};

struct pointer_button_call {
    int x, y, which;
    bool down;
};

struct recorded_scene_calls {
    std::vector<bool> init_with_context;  // one entry per app_graphics_init
    std::vector<std::pair<int, int>> resizes;
    std::vector<key_call> keys;
    std::vector<pointer_move_call> moves;
    std::vector<pointer_button_call> buttons;
    int frames = 0;
    int prefs_rereads = 0;
};

extern recorded_scene_calls scene_calls;
