// Shows what happens to the task: one line per event, and the status either
// as plain lines or, on a terminal, as a progress bar under the events.
#pragma once

#include <cstdio>
#include <string>

#include "tools/client_sim/task_status.h"

class progress_display {
  public:
    progress_display(std::FILE* out, bool terminal) : out_(out), terminal_(terminal) {}

    // Writes one event line, followed by the time.
    void event(const std::string& text);

    // Shows a status message that arrived at seconds after the task's start.
    void status(double seconds, const task_status& status);

    // Writes the latest status as a plain line, whatever the output is.
    void status_line(double seconds, const task_status& status);

    // Leaves the bar's line so that later output starts on a fresh line.
    void finish();

  private:
    void draw_bar();
    void erase_bar();

    std::FILE* out_;
    bool terminal_;
    bool bar_shown_ = false;
    double bar_seconds_ = 0.0;
    task_status bar_status_;
};

// "12.345": seconds since the task's start as the output lines give them.
std::string format_seconds(double seconds);
