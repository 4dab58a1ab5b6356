#include "tools/client_sim/commands.h"

#include <csignal>
#include <cstdlib>
#include <cstring>

#include "parse.h"

namespace {

const char* const mode_names[] = {"unsupported", "hide_graphics", "window", "fullscreen",
                                  "blankscreen", "reread_prefs",  "quit"};

const char* const blanks = " \t\r\n";

bool parse_seconds(const std::string& word, double& seconds) {
    char* end = nullptr;
    seconds = std::strtod(word.c_str(), &end);
    return !word.empty() && *end == '\0' && seconds >= 0.0 && seconds < 1e9;
}

bool parse_signal(const std::string& word, int& number) {
    char* end = nullptr;
    long value = std::strtol(word.c_str(), &end, 10);
    if (!word.empty() && *end == '\0') {
        number = static_cast<int>(value);
        return value > 0 && value < NSIG;
    }
    std::string name = word.compare(0, 3, "SIG") == 0 ? word.substr(3) : word;
    for (int n = 1; n < NSIG; ++n) {
        const char* abbrev = sigabbrev_np(n);
        if (abbrev && name == abbrev) {
            number = n;
            return true;
        }
    }
    return false;
}

std::string xml_escaped(const std::string& text) {
    std::vector<char> out(text.size() * 6 + 1);
    xml_escape(text.c_str(), out.data(), static_cast<int>(out.size()));
    return out.data();
}

// The text after the command word, with the one separating blank removed.
std::string rest_of_line(const std::string& line, const std::string& word) {
    std::size_t start = line.find(word) + word.size();
    if (start < line.size() && (line[start] == ' ' || line[start] == '\t')) ++start;
    std::string rest = line.substr(start);
    while (!rest.empty() && (rest.back() == '\n' || rest.back() == '\r')) rest.pop_back();
    return rest;
}

bool parse_mode_command(const std::vector<std::string>& words, command& c, std::string& error) {
    std::optional<std::string> tag = words.size() > 1 ? mode_tag_for(words[1]) : std::nullopt;
    if (!tag) {
        error =
            "mode needs a mode: hide_graphics, window, fullscreen, blankscreen, "
            "reread_prefs, quit or unsupported";
        return false;
    }
    std::optional<std::string> names[3];
    const char* keys[3] = {"window_station=", "desktop=", "display="};
    for (std::size_t i = 2; i < words.size(); ++i) {
        bool known = false;
        for (int k = 0; k < 3; ++k) {
            std::size_t length = std::strlen(keys[k]);
            if (words[i].compare(0, length, keys[k]) == 0) {
                names[k] = words[i].substr(length);
                known = true;
            }
        }
        if (!known) {
            error = "mode: \"" + words[i] + "\" is not window_station=, desktop= or display=";
            return false;
        }
    }
    c.kind = command_kind::graphics_request;
    c.text =
        graphics_request_text(*tag, names[0] ? &*names[0] : nullptr,
                              names[1] ? &*names[1] : nullptr, names[2] ? &*names[2] : nullptr);
    return true;
}

bool parse_plain_command(const std::string& line, const std::vector<std::string>& words, command& c,
                         std::string& error) {
    const std::string& verb = words[0];
    std::size_t count = words.size();
    if (verb == "suspend" || verb == "resume" || verb == "quit" || verb == "abort") {
        c.kind = command_kind::control;
        c.text = "<" + verb + "/>";
        return count == 1 || (error = verb + " takes no argument", false);
    }
    if (verb == "mode") return parse_mode_command(words, c, error);
    if (verb == "raw" || verb == "raw-unterminated") {
        c.kind =
            verb == "raw" ? command_kind::graphics_request : command_kind::graphics_unterminated;
        c.text = rest_of_line(line, verb);
        return !c.text.empty() || (error = verb + " needs text", false);
    }
    if (verb == "wait") {
        c.kind = command_kind::wait_reply;
        c.seconds = 10.0;
        if (count < 2 || count > 3 || (count == 3 && !parse_seconds(words[2], c.seconds))) {
            error = "usage: wait REPLY [SECONDS]";
            return false;
        }
        c.text = mode_tag_for(words[1]).value_or(words[1]);
        return true;
    }
    if (verb == "sleep") {
        c.kind = command_kind::sleep;
        return (count == 2 && parse_seconds(words[1], c.seconds)) ||
               (error = "usage: sleep SECONDS", false);
    }
    if (verb == "kill") {
        c.kind = command_kind::kill_task;
        c.signal_number = SIGKILL;
        return count == 1 || (count == 2 && parse_signal(words[1], c.signal_number)) ||
               (error = "usage: kill [SIGNAL]", false);
    }
    if (verb == "status") {
        c.kind = command_kind::show_status;
        return count == 1 || (error = "status takes no argument", false);
    }
    if (verb == "heartbeat") {
        c.kind = command_kind::set_heartbeat;
        c.heartbeat_on = count == 2 && words[1] == "on";
        return (count == 2 && (words[1] == "on" || words[1] == "off")) ||
               (error = "usage: heartbeat on|off", false);
    }
    error = "unknown command \"" + verb + "\"";
    return false;
}

}  // namespace

std::vector<std::string> split_command_words(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool in_word = false, quoted = false;
    for (char ch : line) {
        if (ch == '"') {
            quoted = !quoted;
            in_word = true;
        } else if (!quoted && std::strchr(blanks, ch)) {
            if (in_word) words.push_back(word);
            word.clear();
            in_word = false;
        } else {
            word += ch;
            in_word = true;
        }
    }
    if (in_word) words.push_back(word);
    return words;
}

std::optional<std::string> mode_tag_for(const std::string& word) {
    for (const char* name : mode_names) {
        std::string bare = name;
        if (word == bare || word == "mode_" + bare || word == "<" + bare + "/>" ||
            word == "<mode_" + bare + "/>") {
            bool is_mode = bare != "reread_prefs";
            return "<" + std::string(is_mode ? "mode_" : "") + bare + "/>";
        }
    }
    return std::nullopt;
}

std::string graphics_request_text(const std::string& mode_tag, const std::string* window_station,
                                  const std::string* desktop, const std::string* display) {
    std::string text = mode_tag;
    auto add = [&text](const char* tag, const std::string* value) {
        if (value) text += std::string("<") + tag + ">" + xml_escaped(*value) + "</" + tag + ">";
    };
    add("window_station", window_station);
    add("desktop", desktop);
    add("display", display);
    return text;
}

bool parse_command(const std::string& line, std::optional<command>& parsed, std::string& error) {
    parsed.reset();
    std::size_t first = line.find_first_not_of(blanks);
    if (first == std::string::npos || line[first] == '#') return true;
    std::string body = line.substr(first);
    command c;
    if (body[0] == '@') {
        std::size_t end = body.find_first_of(blanks);
        std::size_t next = body.find_first_not_of(blanks, end);
        if (next == std::string::npos || !parse_seconds(body.substr(1, end - 1), c.not_before)) {
            error = "usage: @SECONDS COMMAND";
            return false;
        }
        body = body.substr(next);
    }
    std::vector<std::string> words = split_command_words(body);
    if (!parse_plain_command(body, words, c, error)) return false;
    parsed = c;
    return true;
}
