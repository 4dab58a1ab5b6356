// Preloaded into the real program by the output-sync tests: records, in the
// order they happen, each sync of the output file with the size it covers and
// each commit of a checkpoint (its rename onto "ckpt_state") with the output
// file's size at that moment. With ZF_SYNC_FAIL_OUTPUT set, every sync of the
// output file fails with EIO instead, as on a failing disk.
//
// Records go, one line each, to the file that ZF_SYNC_LOG names:
//   sync SIZE                      the output file's data up to SIZE is on disk
//   failed-sync                    a sync of the output file was made to fail
//   commit PASS synced SIZE size SIZE
//                                  a checkpoint for PASS is committed; synced is
//                                  the size that the last sync covered (-1: none)
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/job/preload_support.h"

namespace {

long long last_synced_output_size = -1;

bool ends_with(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool is_output_file(const std::string& path) {
    return path == "out.txt" || ends_with(path, "/out.txt");
}

bool is_checkpoint_file(const std::string& path) {
    return path == "ckpt_state" || ends_with(path, "/ckpt_state");
}

std::string path_of_descriptor(int fd) {
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char target[PATH_MAX];
    const ssize_t length = readlink(link, target, sizeof target - 1);
    return length > 0 ? std::string(target, static_cast<std::size_t>(length)) : "";
}

long long size_of(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 ? static_cast<long long>(status.st_size) : -1;
}

// The first word of the file's content, or "?".
std::string first_word_of(const std::string& path) {
    char text[64] = {};
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return "?";
    const ssize_t length = read(fd, text, sizeof text - 1);
    close(fd);
    const std::string content(text, length > 0 ? static_cast<std::size_t>(length) : 0);
    const std::size_t start = content.find_first_not_of(' ');
    if (start == std::string::npos) return "?";
    return content.substr(start, content.find_first_of(" \n", start) - start);
}

void record(const std::string& line) { zf_preload::append_to_log("ZF_SYNC_LOG", line); }

using zf_preload::next_definition;

// The size that a sync of fd covers, or -1 when fd is not the output file.
long long output_size_to_sync(int fd) {
    if (!is_output_file(path_of_descriptor(fd))) return -1;
    struct stat status {};
    return fstat(fd, &status) == 0 ? static_cast<long long>(status.st_size) : -1;
}

template <typename Sync>
int recorded_sync(int fd, Sync real_sync) {
    const long long size = output_size_to_sync(fd);
    if (size >= 0 && std::getenv("ZF_SYNC_FAIL_OUTPUT")) {
        record("failed-sync");
        errno = EIO;
        return -1;
    }
    const int rc = real_sync(fd);
    if (rc == 0 && size >= 0) {
        last_synced_output_size = size;
        record("sync " + std::to_string(size));
    }
    return rc;
}

std::string directory_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

}  // namespace

extern "C" int fsync(int fd) {
    static const auto real = next_definition<int (*)(int)>("fsync");
    return recorded_sync(fd, real);
}

extern "C" int fdatasync(int fd) {
    static const auto real = next_definition<int (*)(int)>("fdatasync");
    return recorded_sync(fd, real);
}

extern "C" int rename(const char* old_path, const char* new_path) {
    static const auto real = next_definition<int (*)(const char*, const char*)>("rename");
    if (is_checkpoint_file(new_path)) {
        record("commit " + first_word_of(old_path) + " synced " +
               std::to_string(last_synced_output_size) + " size " +
               std::to_string(size_of(directory_of(new_path) + "/out.txt")));
    }
    return real(old_path, new_path);
}
