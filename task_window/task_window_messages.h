// What the task's window does alike in both programs on a message: the scene
// set up, told of sizes, a black background, and the rule that ends a
// full-screen display at the first sign of a user.
#pragma once

#include <cstdint>

#include "platform/window.h"

// The scene that a window shows, as far as the window's messages reach it.
struct window_scene_callbacks {
    void (*set_up)();
    void (*resize)(int width, int height);
};

// Answers creation (the scene's set-up), a new size (the scene's resize, and
// `visible` false while minimised), painting (black) and background erasing
// (nothing, as the frames cover it); false for every other message, which the
// caller answers.
bool answer_common_message(platform::window_handle window, unsigned message, std::uintptr_t wparam,
                           std::intptr_t lparam, const window_scene_callbacks& scene,
                           bool& visible);

// A key going down or up, the system keys' (Alt held, F10) included.
bool is_key_message(unsigned message);
// A left, middle or right button going down or up; not the wheel.
bool is_button_message(unsigned message);

// Whether `message` is a sign of a user that ends a full-screen display: any
// key or button, or a cursor away from where it stood when the window was made.
bool ends_full_screen(unsigned message, const platform::point& creation_cursor_pos);

// The cursor's place on the thread's desktop; (0, 0) when it cannot be had.
platform::point cursor_position();
