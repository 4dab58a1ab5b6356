// What the recorders preloaded into the real program share: finding the
// definition they wrap, and appending a line to the log their test names,
// without stdio (which they may be wrapping) and without disturbing errno.
#pragma once

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace zf_preload {

template <typename Function>
Function next_definition(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

// Appends line and a newline to the file that the environment variable
// log_variable names; nothing when it is unset or empty.
inline void append_to_log(const char* log_variable, const std::string& line) {
    const char* log = std::getenv(log_variable);
    if (!log || !*log) return;
    const int saved_errno = errno;
    const int fd = open(log, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0) {
        const std::string text = line + "\n";
        const ssize_t ignored = write(fd, text.data(), text.size());
        (void)ignored;
        close(fd);
    }
    errno = saved_errno;
}

}  // namespace zf_preload
