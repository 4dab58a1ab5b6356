// What the task publishes for its graphics companion, and the strict reader
// of it. The companion runs under another account than the task, so every
// byte of the file is treated as hostile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The fixed name of the state file in the slot directory.
constexpr const char task_state_file_name[] = "graphics_state.txt";
// Largest state file a reader accepts, in bytes.
constexpr std::size_t task_state_max_bytes = 4096;

struct task_state {
    std::uint64_t sequence = 0;  // +1 at every publication of one process
    double written_at = 0;       // wall-clock seconds since the epoch (dtime) of the write
    long writer_pid = 0;         // the task's process id (> 0)
    // The in-process window's title: init data app_name, else "BOINC Application"; <= 255 bytes.
    std::string app_name;
    std::string user_name;      // init data user_name; <= 255 bytes, may be empty
    double fraction_done = 0;   // [0, 1]
    double cpu_time = 0;        // seconds, earlier runs included (boinc_wu_cpu_time); >= 0, finite
    bool suspended = false;     // boinc_get_status().suspended
    bool poster_phase = false;  // show_poster
    bool finished = false;      // the worker has begun to finish (boinc_finish follows)
};

// The text written to the file; parse_task_state(format_task_state(s)) gives s back.
std::string format_task_state(const task_state& state);
// Strict: false (and `out` untouched) unless every field is present once, well formed and in range.
bool parse_task_state(const char* data, std::size_t size, task_state& out);
