// The poster shown in the job's last phase: loaded once per process, in the
// first poster frame, and drawn fitted into the 4:3 view on dark violet.
#pragma once

#include "scene/texture_descriptor.h"

// True once kvx_poster_init has run, whatever the load's outcome.
extern bool poster_initialized;
extern texture_descriptor poster_texture;

// Sets the poster's GL state and loads the image; does its work only once.
void kvx_poster_init();

// Draws one poster frame; called after the frame has cleared and loaded the identity.
void draw_poster();
