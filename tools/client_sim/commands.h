// The command language that steers a task: one command per line, from
// standard input or a script.
#pragma once

#include <optional>
#include <string>
#include <vector>

enum class command_kind {
    control,                // text goes to the process-control channel
    graphics_request,       // text goes to the graphics request channel
    graphics_unterminated,  // text fills the graphics request channel, no NUL
    wait_reply,             // text is the graphics reply awaited
    sleep,
    kill_task,
    show_status,
    set_heartbeat,
};

struct command {
    command_kind kind = command_kind::show_status;
    std::string text;
    double seconds = 0.0;      // wait time-out or sleep length
    int signal_number = 0;     // for kill_task
    bool heartbeat_on = true;  // for set_heartbeat
    double not_before = -1.0;  // seconds after the task's start; negative: at once
};

// Parses one line. Returns true with no command for a blank or comment line,
// false with a reason when the line is not a command.
bool parse_command(const std::string& line, std::optional<command>& parsed, std::string& error);

// The tag text for a mode written as "window", "mode_window" or "<mode_window/>".
std::optional<std::string> mode_tag_for(const std::string& word);

// A graphics request: the mode's tag followed by the names that are given,
// XML-escaped.
std::string graphics_request_text(const std::string& mode_tag, const std::string* window_station,
                                  const std::string* desktop, const std::string* display);

// Splits at blanks; a "..." part of a word keeps its blanks, without the quotes.
std::vector<std::string> split_command_words(const std::string& line);
