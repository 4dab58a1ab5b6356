#include "companion/companion_log.h"

#include <cstdarg>
#include <cstdio>

void companion_log(const char* format, ...) {
    std::fputs("graphics companion: ", stderr);
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
    std::fputc('\n', stderr);
}
