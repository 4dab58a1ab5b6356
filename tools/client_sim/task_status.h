// What the task reports each second on its app-status channel.
#pragma once

#include <string>

struct task_status {
    double fraction_done = 0.0;
    double current_cpu_time = 0.0;
    double checkpoint_cpu_time = 0.0;
};

// Reads the figures that a status message holds; a figure that the message
// lacks keeps its value. False when the message holds none of them.
bool parse_task_status(const std::string& message, task_status& status);
