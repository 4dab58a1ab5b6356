#include "companion/companion_arguments.h"

#include <cstring>

const char companion_usage[] = "usage: zorvath_fold_graphics [--fullscreen]\n";

companion_display parse_companion_arguments(int argc, const char* const* argv) {
    if (argc <= 1) return companion_display::window;
    if (argc == 2 && std::strcmp(argv[1], "--fullscreen") == 0) {
        return companion_display::fullscreen;
    }
    return companion_display::usage_error;
}
