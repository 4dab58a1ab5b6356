#include "task_state/slot_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "parse.h"

namespace {

// The library reads a link file's first line into a 512-byte buffer (fgets)
// and the task resolves its names into 256 bytes; both bounds shape which
// name a link file gives, so the companion keeps them to find the same file.
constexpr std::size_t link_line_bytes = 511;
constexpr int physical_name_bytes = 256;

// Closes the descriptor on every way out.
class descriptor {
  public:
    explicit descriptor(int fd) : fd_(fd) {}
    ~descriptor() {
        if (fd_ >= 0) close(fd_);
    }
    descriptor(const descriptor&) = delete;
    descriptor& operator=(const descriptor&) = delete;

    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

  private:
    int fd_;
};

slot_file_status status_of_failed_open(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return slot_file_status::missing;
        case ELOOP:  // the last component is a symbolic link
        case ENXIO:  // a socket, or a device without its driver
        case ENODEV:
            return slot_file_status::not_regular;
        default:
            return slot_file_status::unreadable;
    }
}

// Opens without following a link and without waiting for a FIFO's writer,
// then accepts the descriptor only if it is a regular file: what was opened
// is what is checked, so no swap of the name in between can pass a device.
int open_regular_file(const char* path, slot_file_status& status) {
    descriptor fd(open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) {
        status = status_of_failed_open(errno);
        return -1;
    }
    struct stat info;
    if (fstat(fd.get(), &info) != 0) {
        status = slot_file_status::unreadable;
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        status = slot_file_status::not_regular;
        return -1;
    }
    status = slot_file_status::read;
    return fd.release();
}

// Reads until the end of the file or until `limit` bytes are in; false on a
// read error.
bool read_up_to(int fd, std::size_t limit, std::string& contents) {
    contents.resize(limit);
    std::size_t filled = 0;
    while (filled < limit) {
        const ssize_t got = read(fd, &contents[filled], limit - filled);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) break;
        filled += static_cast<std::size_t>(got);
    }
    contents.resize(filled);
    return true;
}

}  // namespace

slot_file_status read_slot_file(const char* path, std::size_t max_bytes, std::string& contents) {
    contents.clear();
    slot_file_status status;
    descriptor fd(open_regular_file(path, status));
    if (fd.get() < 0) return status;
    // One byte past the bound tells a longer file from one of exactly the
    // bound, whatever the size said a moment before (proc files say 0).
    std::string data;
    if (!read_up_to(fd.get(), max_bytes + 1, data)) return slot_file_status::unreadable;
    if (data.size() > max_bytes) return slot_file_status::too_large;
    contents = std::move(data);
    return slot_file_status::read;
}

int open_slot_file(const char* path, slot_file_status& status) {
    descriptor fd(open_regular_file(path, status));
    if (fd.get() < 0) return -1;
    // Readers through stdio expect ordinary blocking reads; for a regular
    // file the flag changed nothing but is cleared to say so.
    const int flags = fcntl(fd.get(), F_GETFL);
    if (flags >= 0) fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK);
    return fd.release();
}

std::string resolve_slot_link(const char* logical_name) {
    slot_file_status status;
    descriptor fd(open_regular_file(logical_name, status));
    std::string first_bytes;
    if (fd.get() < 0 || !read_up_to(fd.get(), link_line_bytes, first_bytes)) return logical_name;

    // The first line only, and as a C string: a NUL ends it, as it ends fgets's.
    const std::size_t line_end = first_bytes.find('\n');
    if (line_end != std::string::npos) first_bytes.resize(line_end + 1);
    char physical_name[physical_name_bytes];
    if (!parse_str(first_bytes.c_str(), "<soft_link>", physical_name, sizeof physical_name)) {
        return logical_name;
    }
    return physical_name;
}
