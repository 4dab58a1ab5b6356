// What the companion knows of its task, from the state file that the task
// keeps in the slot directory, and the rules by which it ends by itself.
// Everything read from the slot is hostile: another account writes it.
#pragma once

#include "task_state/task_state.h"
#include "task_window/process_liveness.h"

// Seconds between looks at the slot.
constexpr double slot_look_interval = 0.25;
// A state not renewed for this long, while its writer is gone, ends the companion.
constexpr double stale_state_seconds = 5.0;
// How long "finished" stays on the screen before the companion ends.
constexpr double finished_display_seconds = 1.0;

// One look at the slot directory.
struct slot_look {
    bool state_valid = false;  // the state file was read and parsed
    task_state state;          // meaningful only when state_valid
    bool state_file_present = false;
    bool init_data_present = false;
};

// Reads the state file (bounded, never following a link or blocking) and
// notes whether the slot still holds the task's files.
slot_look look_at_slot();

// Accumulated over the looks; times are seconds of a monotonic clock.
struct state_watch_type {
    bool have_state = false;         // a valid state has been seen at least once
    task_state latest;               // the last valid state
    bool latest_is_current = false;  // the last look gave a valid state
    double sequence_changed_at = 0;
    double finished_seen_at = -1;
    int empty_looks_in_a_row = 0;
};

void note_slot_look(state_watch_type& watch, const slot_look& look, double now);

enum class end_reason { none, finished, writer_gone, slot_emptied };

// Whether the task is over, by the rules above; writer_alive asks about the
// process that the state names.
end_reason companion_end_reason(const state_watch_type& watch, double now,
                                bool (*writer_alive)(long pid));

// For the log line at the end.
const char* end_reason_text(end_reason reason);
