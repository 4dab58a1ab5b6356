// Keyboard and mouse input that the host passes on: keys are only logged, the
// pointer is ignored.
#include <cstdio>

#include "scene/app_graphics.h"

namespace {

constexpr int vk_shift = 16;
constexpr int vk_f1 = 112;
constexpr int vk_a = 65;

}  // namespace

void boinc_app_key_press(int key, int key_data) {
    fprintf(stderr, "GFX: boinc_app_key_press(%d,%d)\n", key, key_data);
    if (key == vk_shift) fprintf(stderr, " SHIFT key\n");
    if (key == vk_f1) fprintf(stderr, " F1 key\n");
    if (key == vk_a) fprintf(stderr, " A key\n");
}

void boinc_app_key_release(int key, int key_data) {
    fprintf(stderr, "GFX: boinc_app_key_release(%d,%d)\n", key, key_data);
}

void boinc_app_pointer_move(int, int, bool, bool, bool) {}

void boinc_app_pointer_button(int, int, int, bool) {}
