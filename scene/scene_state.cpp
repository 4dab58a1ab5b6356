#include "scene/scene_state.h"

scene_state_type scene_state;

void reset_scene_state() { scene_state = scene_state_type{}; }
