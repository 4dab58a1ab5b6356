// The companion ends with _exit, not exit: it owns no file and nothing that
// another process shares, the X server frees its windows and contexts when
// the connection closes, and the libraries' exit-time clean-up could only
// delay the end or hang on a lost X server (freeglut closing its connection).
#include "companion/companion_exit.h"

#include <unistd.h>

#include <cstdio>

#include "companion/companion_log.h"

void end_companion(int status, const char* why) {
    if (why && *why) companion_log("%s", why);
    std::fflush(nullptr);
    _exit(status);
}
