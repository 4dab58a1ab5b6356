// Reading files in a slot directory that another account controls: never
// following a link, never blocking, never reading more than a bound.
#pragma once

#include <cstddef>
#include <string>

enum class slot_file_status { read, missing, not_regular, too_large, unreadable };
// Opens `path` with O_RDONLY|O_NOFOLLOW|O_NONBLOCK|O_CLOEXEC (a symbolic link, FIFO, device or
// socket is refused: not_regular), fstat()s it (regular files only), reads at most max_bytes
// (a longer file: too_large; a file that grows while read cannot make it read more).
slot_file_status read_slot_file(const char* path, std::size_t max_bytes, std::string& contents);
// Opens a regular file the same way and hands back the descriptor (-1 and the status otherwise),
// for loaders that read through a FILE* (fdopen).
int open_slot_file(const char* path, slot_file_status& status);
// The physical name of a logical file in the current directory, by the BOINC library's rule for
// link files (a file holding <soft_link>PATH</soft_link> names PATH; no such file, or any other
// content: the logical name itself). The link file is opened as read_slot_file opens it and only
// its first line is read, at most 511 bytes, as the library reads it; the name is cut to 255
// bytes as the task's 256-byte name buffers cut it. Same results as boinc_resolve_filename for
// every regular link file; never blocks or follows a link.
std::string resolve_slot_link(const char* logical_name);
