// The poster as the companion finds it: through the slot's link file, by the
// BOINC library's rule, but without following a symbolic link, blocking on a
// FIFO or reading a device that the task's account may have put there.
#pragma once

#include "scene/scene_state.h"

extern const poster_source_type slot_poster_source;
