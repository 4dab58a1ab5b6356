#include "task_state/task_state.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <system_error>

#include "task_state/decimal_text.h"

namespace {

// The first line: the format and its version. A reader that meets another
// version says "waiting" rather than guess at fields it does not know.
constexpr const char format_line[] = "zorvath_fold_task_state 1";
constexpr std::size_t max_name_bytes = 255;
constexpr char hex_digits[] = "0123456789ABCDEF";

// A name goes out as one token of visible ASCII: every other byte, the space
// and '%' itself become %XX, so no newline or control byte reaches the file.
bool byte_needs_escape(unsigned char byte) { return byte <= ' ' || byte > '~' || byte == '%'; }

std::string escape_name(const std::string& name) {
    std::string escaped;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte_needs_escape(byte)) {
            escaped += '%';
            escaped += hex_digits[byte >> 4];
            escaped += hex_digits[byte & 0xF];
        } else {
            escaped += c;
        }
    }
    return escaped;
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool unescape_name(const std::string& value, std::string& name) {
    std::string decoded;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const auto byte = static_cast<unsigned char>(value[i]);
        if (byte <= ' ' || byte > '~') return false;
        if (byte != '%') {
            decoded += value[i];
            continue;
        }
        if (i + 2 >= value.size()) return false;
        const int high = hex_value(value[i + 1]);
        const int low = hex_value(value[i + 2]);
        if (high < 0 || low < 0) return false;
        decoded += static_cast<char>(high * 16 + low);
        i += 2;
    }
    if (decoded.size() > max_name_bytes) return false;
    name = std::move(decoded);
    return true;
}

// Numbers in the C locale's form whatever the process's locale, and doubles
// in the shortest text that reads back to the same value.
std::string number_text(double value) { return decimal_text(value); }

bool read_number(const std::string& value, double& number) { return read_decimal(value, number); }

template <class Number>
std::string number_text(Number value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

template <class Number>
bool read_number(const std::string& value, Number& number) {
    if (value.empty()) return false;
    const char* end = value.data() + value.size();
    const auto result = std::from_chars(value.data(), end, number);
    return result.ec == std::errc() && result.ptr == end;
}

bool read_finite(const std::string& value, double low, double high, double& number) {
    double parsed;
    if (!read_number(value, parsed) || !std::isfinite(parsed)) return false;
    if (parsed < low || parsed > high) return false;
    number = parsed;
    return true;
}

bool read_flag(const std::string& value, bool& flag) {
    if (value != "0" && value != "1") return false;
    flag = value == "1";
    return true;
}

struct field {
    const char* key;
    std::string (*format)(const task_state&);
    bool (*parse)(const std::string& value, task_state&);
};

constexpr double no_upper_bound = HUGE_VAL;

// Every field once, in the order written; the reader takes them in any order.
const field fields[] = {
    {"sequence", [](const task_state& s) { return number_text(s.sequence); },
     [](const std::string& v, task_state& s) { return read_number(v, s.sequence); }},
    {"written_at", [](const task_state& s) { return number_text(s.written_at); },
     [](const std::string& v, task_state& s) {
         return read_finite(v, 0, no_upper_bound, s.written_at);
     }},
    {"writer_pid", [](const task_state& s) { return number_text(s.writer_pid); },
     [](const std::string& v, task_state& s) {
         long pid;
         if (!read_number(v, pid) || pid <= 0 || pid > INT_MAX) return false;
         s.writer_pid = pid;
         return true;
     }},
    {"app_name", [](const task_state& s) { return escape_name(s.app_name); },
     [](const std::string& v, task_state& s) { return unescape_name(v, s.app_name); }},
    {"user_name", [](const task_state& s) { return escape_name(s.user_name); },
     [](const std::string& v, task_state& s) { return unescape_name(v, s.user_name); }},
    {"fraction_done", [](const task_state& s) { return number_text(s.fraction_done); },
     [](const std::string& v, task_state& s) { return read_finite(v, 0, 1, s.fraction_done); }},
    {"cpu_time", [](const task_state& s) { return number_text(s.cpu_time); },
     [](const std::string& v, task_state& s) {
         return read_finite(v, 0, no_upper_bound, s.cpu_time);
     }},
    {"suspended", [](const task_state& s) { return std::string(s.suspended ? "1" : "0"); },
     [](const std::string& v, task_state& s) { return read_flag(v, s.suspended); }},
    {"poster_phase", [](const task_state& s) { return std::string(s.poster_phase ? "1" : "0"); },
     [](const std::string& v, task_state& s) { return read_flag(v, s.poster_phase); }},
    {"finished", [](const task_state& s) { return std::string(s.finished ? "1" : "0"); },
     [](const std::string& v, task_state& s) { return read_flag(v, s.finished); }},
};
constexpr std::size_t field_count = sizeof fields / sizeof fields[0];

// The field named `key`, or field_count when there is none.
std::size_t field_index(const std::string& key) {
    for (std::size_t i = 0; i < field_count; ++i) {
        if (key == fields[i].key) return i;
    }
    return field_count;
}

// Takes one "key value\n" line: a line must end in a newline, so a file cut
// short anywhere but at a line's end is refused here.
bool take_line(const char*& cursor, const char* end, std::string& line) {
    const void* newline = std::memchr(cursor, '\n', static_cast<std::size_t>(end - cursor));
    if (!newline) return false;
    const char* line_end = static_cast<const char*>(newline);
    line.assign(cursor, line_end);
    cursor = line_end + 1;
    return true;
}

bool parse_field_line(const std::string& line, bool (&seen)[field_count], task_state& state) {
    const std::size_t space = line.find(' ');
    if (space == std::string::npos) return false;
    const std::size_t index = field_index(line.substr(0, space));
    if (index == field_count || seen[index]) return false;
    seen[index] = true;
    return fields[index].parse(line.substr(space + 1), state);
}

}  // namespace

std::string format_task_state(const task_state& state) {
    std::string text = std::string(format_line) + "\n";
    for (const field& f : fields) {
        text += f.key;
        text += ' ';
        text += f.format(state);
        text += '\n';
    }
    return text;
}

bool parse_task_state(const char* data, std::size_t size, task_state& out) {
    if (!data || size > task_state_max_bytes) return false;
    const char* cursor = data;
    const char* const end = data + size;
    std::string line;
    if (!take_line(cursor, end, line) || line != format_line) return false;

    task_state state;
    bool seen[field_count] = {};
    while (cursor != end) {
        if (!take_line(cursor, end, line) || !parse_field_line(line, seen, state)) return false;
    }
    for (const bool field_seen : seen) {
        if (!field_seen) return false;
    }
    out = std::move(state);
    return true;
}
