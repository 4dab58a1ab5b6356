// Message boxes, which here are one line on standard error.
#include <cstdio>

#include "platform/window.h"

namespace platform {

void message_box(const char* text, const char* caption) {
    std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
}

}  // namespace platform
