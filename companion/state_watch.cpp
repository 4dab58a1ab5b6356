// The state file is looked at a few times a second: often enough for the
// status line and the end rules, rarely enough to cost nothing next to a frame.
#include "companion/state_watch.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <string>

#include "task_state/slot_file.h"

namespace {

// Only a name that is certainly gone counts as gone; a slot that cannot be
// looked into for another reason is not taken for an empty one.
bool name_present(const char* name) {
    struct stat info {};
    if (lstat(name, &info) == 0) return true;
    return errno != ENOENT && errno != ENOTDIR;
}

}  // namespace

slot_look look_at_slot() {
    slot_look look;
    std::string contents;
    const slot_file_status status =
        read_slot_file(task_state_file_name, task_state_max_bytes, contents);
    if (status == slot_file_status::read) {
        look.state_valid = parse_task_state(contents.data(), contents.size(), look.state);
    }
    look.state_file_present = status != slot_file_status::missing;
    look.init_data_present = name_present("init_data.xml");
    return look;
}

void note_slot_look(state_watch_type& watch, const slot_look& look, double now) {
    const bool slot_empty = !look.state_file_present && !look.init_data_present;
    watch.empty_looks_in_a_row = slot_empty ? watch.empty_looks_in_a_row + 1 : 0;
    watch.latest_is_current = look.state_valid;
    if (!look.state_valid) return;
    // A new writer (the task started again) starts its sequence afresh.
    if (!watch.have_state || look.state.sequence != watch.latest.sequence ||
        look.state.writer_pid != watch.latest.writer_pid) {
        watch.sequence_changed_at = now;
    }
    watch.have_state = true;
    watch.latest = look.state;
    if (look.state.finished && watch.finished_seen_at < 0) watch.finished_seen_at = now;
}

end_reason companion_end_reason(const state_watch_type& watch, double now,
                                bool (*writer_alive)(long pid)) {
    if (watch.finished_seen_at >= 0 && now - watch.finished_seen_at >= finished_display_seconds) {
        return end_reason::finished;
    }
    // The client empties a finished task's slot at once, often before the
    // finished state has had its second on screen: that end is the finish.
    if (watch.empty_looks_in_a_row >= 2) {
        return watch.finished_seen_at >= 0 ? end_reason::finished : end_reason::slot_emptied;
    }
    if (watch.have_state && now - watch.sequence_changed_at >= stale_state_seconds &&
        !writer_alive(watch.latest.writer_pid)) {
        return end_reason::writer_gone;
    }
    return end_reason::none;
}

const char* end_reason_text(end_reason reason) {
    switch (reason) {
        case end_reason::finished:
            return "the task has finished";
        case end_reason::writer_gone:
            return "the task is gone";
        case end_reason::slot_emptied:
            return "the slot is empty";
        case end_reason::none:
            break;
    }
    return "";
}
