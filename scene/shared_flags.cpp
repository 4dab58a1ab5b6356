// The two flags through which the scene and the worker learn of each other.
#include "scene/app_graphics.h"

std::atomic<bool> graphics_initialized{false};
std::atomic<bool> show_poster{false};
