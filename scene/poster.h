// The poster shown in the job's last phase: loaded once per process, in the
// first poster frame, and drawn fitted into the 4:3 view on dark violet.
#pragma once

// Sets the poster's GL state and loads the image into scene_state; does its
// work only once.
void kvx_poster_init();

// Draws one poster frame; called after the frame has cleared and loaded the identity.
void draw_poster();
