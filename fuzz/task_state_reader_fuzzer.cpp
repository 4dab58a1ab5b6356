// Whatever the task's account leaves in the state file, the companion's read
// either refuses it or gives a state within every bound, which writes back to
// the same state.
#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "task_state/slot_file.h"
#include "task_state/task_state.h"

namespace {

// The file lives in a scratch directory of the fuzzer's own, as in a slot.
const std::string& scratch_file() {
    static const std::string path = [] {
        char pattern[] = "/tmp/zf_task_state_fuzz_XXXXXX";
        if (!mkdtemp(pattern)) std::abort();
        return std::string(pattern) + "/" + task_state_file_name;
    }();
    return path;
}

void write_scratch_file(const std::uint8_t* data, std::size_t size) {
    const int fd = open(scratch_file().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) std::abort();
    if (size && write(fd, data, size) != static_cast<ssize_t>(size)) std::abort();
    close(fd);
}

bool within_bounds(const task_state& s) {
    return s.writer_pid > 0 && s.writer_pid <= INT_MAX && s.app_name.size() <= 255 &&
           s.user_name.size() <= 255 && std::isfinite(s.written_at) && s.written_at >= 0 &&
           std::isfinite(s.fraction_done) && s.fraction_done >= 0 && s.fraction_done <= 1 &&
           std::isfinite(s.cpu_time) && s.cpu_time >= 0;
}

bool same_state(const task_state& a, const task_state& b) {
    return a.sequence == b.sequence && a.written_at == b.written_at &&
           a.writer_pid == b.writer_pid && a.app_name == b.app_name && a.user_name == b.user_name &&
           a.fraction_done == b.fraction_done && a.cpu_time == b.cpu_time &&
           a.suspended == b.suspended && a.poster_phase == b.poster_phase &&
           a.finished == b.finished;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    write_scratch_file(data, size);
    std::string contents;
    const slot_file_status status =
        read_slot_file(scratch_file().c_str(), task_state_max_bytes, contents);
    if (status == slot_file_status::too_large) {
        if (size <= task_state_max_bytes) std::abort();
        return 0;
    }
    if (status != slot_file_status::read || contents.size() != size) std::abort();

    task_state state;
    state.app_name = "untouched";
    if (!parse_task_state(contents.data(), contents.size(), state)) {
        if (state.app_name != "untouched") std::abort();
        return 0;
    }
    if (!within_bounds(state)) std::abort();
    const std::string again = format_task_state(state);
    task_state reparsed;
    if (!parse_task_state(again.data(), again.size(), reparsed) || !same_state(state, reparsed))
        std::abort();
    return 0;
}
