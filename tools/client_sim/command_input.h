// Where commands come from: a script read whole before the task starts, or
// standard input read line by line while the task runs.
#pragma once

#include <deque>
#include <string>

#include "tools/client_sim/commands.h"

class command_input {
  public:
    // Reads and checks a whole script; false with the reason (and line number) in error.
    bool load_script(const std::string& path, std::deque<command>& commands, std::string& error);

    // Takes whatever complete lines standard input holds now, without waiting.
    // A line that is not a command is reported on standard error and skipped.
    void read_available(std::deque<command>& commands);

    // The descriptor to wait on, or -1 once the input has ended.
    int wait_descriptor() const { return reading_stdin_ ? 0 : -1; }

    void use_stdin() { reading_stdin_ = true; }

  private:
    void take_line(const std::string& line, std::deque<command>& commands);

    bool reading_stdin_ = false;
    std::string pending_;
    int line_number_ = 0;
};
