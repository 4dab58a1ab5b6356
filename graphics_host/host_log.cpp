#include "graphics_host/host_log.h"

#include <cstdio>

void log_host_failure(const char* what, const char* detail) {
    if (detail) {
        std::fprintf(stderr, "graphics host: %s: %s\n", what, detail);
    } else {
        std::fprintf(stderr, "graphics host: %s\n", what);
    }
}
