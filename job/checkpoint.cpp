#include "job/checkpoint.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app_ipc.h"
#include "boinc_api.h"
#include "filesys.h"

namespace {

constexpr const char* checkpoint_logical_name = "ckpt_state";
constexpr int path_size = 512;
// More than any int needs, with room for the blanks around it.
constexpr std::size_t checkpoint_read_size = 64;

// Makes the rename durable too; a failure here costs only durability.
void sync_directory_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

// Writes the checkpoint's content into `file`, forces it to disk and closes it.
bool write_and_close_durably(FILE* file, int pass) {
    bool written = std::fprintf(file, " %d \n", pass) > 0;
    written = std::fflush(file) == 0 && written;
    written = fsync(fileno(file)) == 0 && written;
    written = std::fclose(file) == 0 && written;
    return written;
}

// WORKAROUND(BOINC 7.20.5, Debian 12): boinc_time_to_checkpoint entered the
// library's critical section and only a
// completed checkpoint leaves it; without this the task ignores quit and suspend.
void leave_failed_checkpoint() { boinc_end_critical_section(); }

}  // namespace

int do_checkpoint(int pass) {
    char ckpt_path[path_size];
    boinc_resolve_filename(checkpoint_logical_name, ckpt_path, sizeof ckpt_path);

    // The old checkpoint stays in place until the new one is complete on disk.
    const std::string temporary_path = std::string(ckpt_path) + ".tmp";
    FILE* file = boinc_fopen(temporary_path.c_str(), "w");
    if (!file) {
        std::fprintf(stderr, "do_checkpoint: Cannot open checkpoint file to write! \n");
        leave_failed_checkpoint();
        return 1;
    }
    if (!write_and_close_durably(file, pass)) {
        std::remove(temporary_path.c_str());
        std::fprintf(stderr, "do_checkpoint: Cannot write checkpoint file %s: %s \n", ckpt_path,
                     std::strerror(errno));
        leave_failed_checkpoint();
        return 1;
    }
    // Everything written before the checkpoint reaches the files before the
    // checkpoint becomes visible.
    std::fflush(nullptr);
    if (std::rename(temporary_path.c_str(), ckpt_path) != 0) {
        std::fprintf(stderr, "do_checkpoint: Cannot replace checkpoint file %s: %s \n", ckpt_path,
                     std::strerror(errno));
        std::remove(temporary_path.c_str());
        leave_failed_checkpoint();
        return 1;
    }
    sync_directory_of(ckpt_path);
    boinc_checkpoint_completed();
    return 0;
}

bool output_on_disk(std::FILE* out) {
    if (std::fflush(out) != 0) return false;
    int rc;
    do {
        rc = fsync(fileno(out));
    } while (rc != 0 && errno == EINTR);
    return rc == 0 || errno == EINVAL || errno == EROFS;
}

bool read_checkpoint(int& pass) {
    char ckpt_path[path_size];
    boinc_resolve_filename(checkpoint_logical_name, ckpt_path, sizeof ckpt_path);
    FILE* file = boinc_fopen(ckpt_path, "r");
    if (!file) return false;
    char text[checkpoint_read_size + 1];
    const std::size_t length = std::fread(text, 1, checkpoint_read_size, file);
    text[length] = '\0';
    std::fclose(file);
    pass = parse_checkpoint_text(text);
    return true;
}

int parse_checkpoint_text(const char* text) {
    while (std::isspace(static_cast<unsigned char>(*text))) ++text;
    if (!std::isdigit(static_cast<unsigned char>(*text)) && *text != '+' && *text != '-') return 0;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (end == text || errno == ERANGE || value < 0 || value > INT_MAX) return 0;
    return static_cast<int>(value);
}
