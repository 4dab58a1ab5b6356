#include "companion/slot_poster_source.h"

#include <unistd.h>

#include <string>

#include "task_state/slot_file.h"

namespace {

// A path that does not fit is left empty rather than cut short, since a cut
// one could name another file; the load then fails with the usual line.
void resolve_through_link_file(const char* logical_name, char* path, int size) {
    if (size <= 0) return;
    const std::string physical = resolve_slot_link(logical_name);
    if (physical.size() >= static_cast<std::size_t>(size)) {
        path[0] = '\0';
        return;
    }
    physical.copy(path, physical.size());
    path[physical.size()] = '\0';
}

FILE* open_regular_file(const char* path) {
    slot_file_status status = slot_file_status::missing;
    const int fd = open_slot_file(path, status);
    if (fd < 0) return nullptr;
    FILE* file = fdopen(fd, "rb");
    if (!file) close(fd);
    return file;
}

}  // namespace

const poster_source_type slot_poster_source{resolve_through_link_file, open_regular_file};
