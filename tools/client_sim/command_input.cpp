#include "tools/client_sim/command_input.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>

bool command_input::load_script(const std::string& path, std::deque<command>& commands,
                                std::string& error) {
    std::ifstream script(path);
    if (!script) {
        error = "cannot read the script " + path;
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(script, line); ++number) {
        std::optional<command> parsed;
        std::string reason;
        if (!parse_command(line, parsed, reason)) {
            error = path + ":" + std::to_string(number) + ": " + reason;
            return false;
        }
        if (parsed) commands.push_back(*parsed);
    }
    return true;
}

void command_input::read_available(std::deque<command>& commands) {
    while (reading_stdin_) {
        pollfd input{STDIN_FILENO, POLLIN, 0};
        if (poll(&input, 1, 0) <= 0 || !(input.revents & (POLLIN | POLLHUP | POLLERR))) return;
        char buffer[4096];
        ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) return;
        if (got <= 0) {
            reading_stdin_ = false;
            if (!pending_.empty()) take_line(pending_, commands);
            pending_.clear();
            return;
        }
        pending_.append(buffer, static_cast<std::size_t>(got));
        for (std::size_t end; (end = pending_.find('\n')) != std::string::npos;) {
            take_line(pending_.substr(0, end), commands);
            pending_.erase(0, end + 1);
        }
    }
}

void command_input::take_line(const std::string& line, std::deque<command>& commands) {
    ++line_number_;
    std::optional<command> parsed;
    std::string reason;
    if (!parse_command(line, parsed, reason)) {
        std::fprintf(stderr, "client_sim: input line %d skipped: %s\n", line_number_,
                     reason.c_str());
        return;
    }
    if (parsed) commands.push_back(*parsed);
}
