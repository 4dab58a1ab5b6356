// All state of the scene that outlives a frame, in one record; used by the
// graphics thread alone. The two flags that the scene shares with the worker
// are in app_graphics.h, and freeglut's once-per-process set-up is kept by
// bitmap_text.cpp, since neither can be reset.
#pragma once

#include "scene/texture_descriptor.h"

struct scene_state_type {
    // Time of the process's first frame; negative until that frame is drawn.
    double start_time = -1.0;
    // True once kvx_poster_init has run, whatever the load's outcome.
    bool poster_initialized = false;
    // The poster image as a texture of the context it was loaded in.
    texture_descriptor poster_texture{};
};

extern scene_state_type scene_state;

// Back to the state at start-up, for test fixtures between cases. The
// poster's texture belongs to a context that the fixture has released.
void reset_scene_state();
