#include "task_state/task_state.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <limits>
#include <string>

#include "tests/support/case_names.h"

namespace {

task_state typical_state() {
    task_state state;
    state.sequence = 42;
    state.written_at = 1765400000.125;
    state.writer_pid = 4321;
    state.app_name = "Zorvath@Fold";
    state.user_name = "Ada Lovelace";
    state.fraction_done = 0.3125;
    state.cpu_time = 61.5;
    state.suspended = true;
    return state;
}

void expect_same_state(const task_state& got, const task_state& want) {
    EXPECT_EQ(got.sequence, want.sequence);
    EXPECT_EQ(got.written_at, want.written_at);
    EXPECT_EQ(got.writer_pid, want.writer_pid);
    EXPECT_EQ(got.app_name, want.app_name);
    EXPECT_EQ(got.user_name, want.user_name);
    EXPECT_EQ(got.fraction_done, want.fraction_done);
    EXPECT_EQ(got.cpu_time, want.cpu_time);
    EXPECT_EQ(got.suspended, want.suspended);
    EXPECT_EQ(got.poster_phase, want.poster_phase);
    EXPECT_EQ(got.finished, want.finished);
}

bool parses(const std::string& text, task_state& out) {
    return parse_task_state(text.data(), text.size(), out);
}

struct round_trip_case {
    std::string name;
    task_state state;
};

task_state with(void (*change)(task_state&)) {
    task_state state = typical_state();
    change(state);
    return state;
}

class TaskStateRoundTrip : public ::testing::TestWithParam<round_trip_case> {};

TEST_P(TaskStateRoundTrip, ParsingTheFormattedTextGivesTheStateBack) {
    const std::string text = format_task_state(GetParam().state);
    task_state parsed;
    ASSERT_TRUE(parses(text, parsed)) << text;
    expect_same_state(parsed, GetParam().state);
    EXPECT_LE(text.size(), task_state_max_bytes);
    // Whatever the names hold, the file has one field per line and only
    // visible ASCII besides the line ends and the single separating blanks.
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        EXPECT_TRUE(byte == '\n' || (byte >= ' ' && byte <= '~')) << int(byte);
    }
}

INSTANTIATE_TEST_SUITE_P(
    States, TaskStateRoundTrip,
    ::testing::Values(round_trip_case{"defaults with a pid", with([](task_state& s) {
                                          s = task_state{};
                                          s.writer_pid = 1;
                                      })},
                      round_trip_case{"typical", typical_state()},
                      round_trip_case{"every flag set", with([](task_state& s) {
                                          s.suspended = s.poster_phase = s.finished = true;
                                      })},
                      round_trip_case{"empty names",
                                      with([](task_state& s) { s.app_name = s.user_name = ""; })},
                      round_trip_case{"names of every byte", with([](task_state& s) {
                                          s.app_name.clear();
                                          for (int b = 0; b < 255; ++b)
                                              s.app_name += static_cast<char>(b + 1);
                                          s.user_name = std::string("a\0b", 3);
                                      })},
                      round_trip_case{"names that look like fields", with([](task_state& s) {
                                          s.app_name = "x\nfinished 1";
                                          s.user_name = "%41 100% \r\n";
                                      })},
                      round_trip_case{"longest names of escaped bytes", with([](task_state& s) {
                                          s.app_name = std::string(255, '\n');
                                          s.user_name = std::string(255, '\xff');
                                      })},
                      round_trip_case{"utf-8 names", with([](task_state& s) {
                                          s.user_name = "J\xc3\xbcrgen \xe6\x9d\xb1";
                                      })},
                      round_trip_case{"largest numbers", with([](task_state& s) {
                                          s.sequence = std::numeric_limits<std::uint64_t>::max();
                                          s.writer_pid = INT_MAX;
                                          s.fraction_done = 1;
                                          s.cpu_time = std::numeric_limits<double>::max();
                                          s.written_at = std::numeric_limits<double>::max();
                                      })},
                      round_trip_case{"awkward fractions", with([](task_state& s) {
                                          s.fraction_done = 0.1 + 0.2;
                                          s.cpu_time = 1.0 / 3.0;
                                          s.written_at = 1e-300;
                                      })},
                      // Not subnormals: every process that links the BOINC library
                      // flushes them to zero (see decimal_text.cpp).
                      round_trip_case{"smallest positive numbers", with([](task_state& s) {
                                          s.fraction_done = std::numeric_limits<double>::min();
                                          s.cpu_time = std::numeric_limits<double>::min();
                                      })}),
    zf_test::by_case_name());

// A valid file, written out so that edits to it read as the faults they make.
const std::string valid_text =
    "zorvath_fold_task_state 1\n"
    "sequence 7\n"
    "written_at 1765400000.5\n"
    "writer_pid 99\n"
    "app_name Zorvath@Fold\n"
    "user_name Ada%20Lovelace\n"
    "fraction_done 0.5\n"
    "cpu_time 12.25\n"
    "suspended 0\n"
    "poster_phase 1\n"
    "finished 0\n";

// valid_text with the line of `key` replaced by `line` ("" removes it).
std::string with_line(const std::string& key, const std::string& line) {
    const std::size_t start = valid_text.find("\n" + key + " ") + 1;
    const std::size_t end = valid_text.find('\n', start) + 1;
    return valid_text.substr(0, start) + line + valid_text.substr(end);
}

// A name value of `count` escaped newlines: `count` bytes once decoded.
std::string escaped_newlines(int count) {
    std::string value;
    for (int i = 0; i < count; ++i) value += "%0A";
    return value;
}

std::string with_value(const std::string& key, const std::string& value) {
    return with_line(key, key + " " + value + "\n");
}

TEST(TaskStateText, ReadsAHandWrittenFile) {
    task_state parsed;
    ASSERT_TRUE(parses(valid_text, parsed));
    EXPECT_EQ(parsed.sequence, 7u);
    EXPECT_EQ(parsed.written_at, 1765400000.5);
    EXPECT_EQ(parsed.writer_pid, 99);
    EXPECT_EQ(parsed.app_name, "Zorvath@Fold");
    EXPECT_EQ(parsed.user_name, "Ada Lovelace");
    EXPECT_EQ(parsed.fraction_done, 0.5);
    EXPECT_EQ(parsed.cpu_time, 12.25);
    EXPECT_FALSE(parsed.suspended);
    EXPECT_TRUE(parsed.poster_phase);
    EXPECT_FALSE(parsed.finished);
}

struct text_case {
    std::string name;
    std::string text;
};

// What valid_text says, field by field.
task_state valid_text_state() {
    task_state state;
    state.sequence = 7;
    state.written_at = 1765400000.5;
    state.writer_pid = 99;
    state.app_name = "Zorvath@Fold";
    state.user_name = "Ada Lovelace";
    state.fraction_done = 0.5;
    state.cpu_time = 12.25;
    state.poster_phase = true;
    return state;
}

task_state valid_text_state_with(void (*change)(task_state&)) {
    task_state state = valid_text_state();
    change(state);
    return state;
}

// valid_text grown to `size` bytes by zeros after its processor time's last
// digit: the same value, so that only the size can make it invalid.
std::string valid_text_of_size(std::size_t size) {
    return with_value("cpu_time", "12.25" + std::string(size - valid_text.size(), '0'));
}

struct valid_text_case {
    std::string name;
    std::string text;
    task_state decoded;
};

class ValidTaskStateText : public ::testing::TestWithParam<valid_text_case> {};

TEST_P(ValidTaskStateText, IsAcceptedAndDecoded) {
    task_state parsed;
    ASSERT_TRUE(parses(GetParam().text, parsed)) << GetParam().text;
    expect_same_state(parsed, GetParam().decoded);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ValidTaskStateText,
    ::testing::Values(
        valid_text_case{"fields in another order",
                        "zorvath_fold_task_state 1\nfinished 0\nposter_phase 1\nsuspended 0\n"
                        "cpu_time 12.25\nfraction_done 0.5\nuser_name x\napp_name y\n"
                        "writer_pid 99\nwritten_at 1\nsequence 7\n",
                        valid_text_state_with([](task_state& s) {
                            s.user_name = "x";
                            s.app_name = "y";
                            s.written_at = 1;
                        })},
        valid_text_case{"lower case escapes", with_value("user_name", "a%0ab%ff"),
                        valid_text_state_with([](task_state& s) { s.user_name = "a\nb\xff"; })},
        valid_text_case{"empty user name", with_value("user_name", ""),
                        valid_text_state_with([](task_state& s) { s.user_name.clear(); })},
        valid_text_case{"exponent", with_value("cpu_time", "1.5e3"),
                        valid_text_state_with([](task_state& s) { s.cpu_time = 1500; })},
        valid_text_case{"integral fraction", with_value("fraction_done", "1"),
                        valid_text_state_with([](task_state& s) { s.fraction_done = 1; })},
        valid_text_case{"zero cpu time", with_value("cpu_time", "0"),
                        valid_text_state_with([](task_state& s) { s.cpu_time = 0; })},
        valid_text_case{
            "name of 255 escaped bytes", with_value("app_name", escaped_newlines(255)),
            valid_text_state_with([](task_state& s) { s.app_name = std::string(255, '\n'); })},
        valid_text_case{"exactly the size bound", valid_text_of_size(task_state_max_bytes),
                        valid_text_state()}),
    zf_test::by_case_name());

class InvalidTaskStateText : public ::testing::TestWithParam<text_case> {};

TEST_P(InvalidTaskStateText, IsRefusedAndLeavesTheOutputAlone) {
    task_state out = typical_state();
    EXPECT_FALSE(parses(GetParam().text, out));
    expect_same_state(out, typical_state());
}

std::string removing(const std::string& text, const std::string& part) {
    const std::size_t at = text.find(part);
    return text.substr(0, at) + text.substr(at + part.size());
}

INSTANTIATE_TEST_SUITE_P(
    Framing, InvalidTaskStateText,
    ::testing::Values(
        text_case{"empty", ""}, text_case{"format line only", "zorvath_fold_task_state 1\n"},
        text_case{"no format line", removing(valid_text, "zorvath_fold_task_state 1\n")},
        text_case{"other version", "zorvath_fold_task_state 2\n" + valid_text.substr(26)},
        text_case{"format line not first",
                  with_line("sequence", "sequence 7\nzorvath_fold_task_state 1\n").substr(26)},
        text_case{"format line twice", valid_text + "zorvath_fold_task_state 1\n"},
        text_case{"no final newline", valid_text.substr(0, valid_text.size() - 1)},
        text_case{"empty line at the end", valid_text + "\n"},
        text_case{"empty line inside", with_line("cpu_time", "cpu_time 1\n\n")},
        text_case{"carriage returns", with_value("finished", "0\r")},
        text_case{"unknown key", valid_text + "colour red\n"},
        text_case{"unknown key without value", valid_text + "colour\n"},
        text_case{"key in capitals", with_line("finished", "FINISHED 0\n")},
        text_case{"key without value or blank", with_line("finished", "finished\n")},
        text_case{"two blanks", with_line("finished", "finished  0\n")},
        text_case{"tab for blank", with_line("finished", "finished\t0\n")},
        text_case{"trailing blank", with_value("finished", "0 ")},
        text_case{"nul byte in a line", with_value("sequence", std::string("7\0", 2))},
        // Valid but for its size, as "exactly the size bound" among the valid texts shows.
        text_case{"one byte over the size bound", valid_text_of_size(task_state_max_bytes + 1)}),
    zf_test::by_case_name());

INSTANTIATE_TEST_SUITE_P(Duplicates, InvalidTaskStateText,
                         ::testing::Values(text_case{"sequence twice", valid_text + "sequence 7\n"},
                                           text_case{"finished twice", valid_text + "finished 1\n"},
                                           text_case{"user name twice",
                                                     valid_text + "user_name Ada%20Lovelace\n"}),
                         zf_test::by_case_name());

INSTANTIATE_TEST_SUITE_P(
    Numbers, InvalidTaskStateText,
    ::testing::Values(text_case{"fraction below zero", with_value("fraction_done", "-0.0001")},
                      text_case{"fraction above one", with_value("fraction_done", "1.0000000001")},
                      text_case{"fraction nan", with_value("fraction_done", "nan")},
                      text_case{"fraction infinity", with_value("fraction_done", "inf")},
                      text_case{"fraction empty", with_value("fraction_done", "")},
                      text_case{"cpu time negative", with_value("cpu_time", "-1")},
                      text_case{"cpu time nan", with_value("cpu_time", "NaN")},
                      text_case{"cpu time infinity", with_value("cpu_time", "infinity")},
                      text_case{"cpu time overflows", with_value("cpu_time", "1e999")},
                      text_case{"cpu time hexadecimal", with_value("cpu_time", "0x1p3")},
                      text_case{"cpu time with plus", with_value("cpu_time", "+1")},
                      text_case{"cpu time with comma", with_value("cpu_time", "1,5")},
                      text_case{"cpu time with unit", with_value("cpu_time", "12s")},
                      text_case{"written at minus infinity", with_value("written_at", "-inf")},
                      text_case{"written at negative", with_value("written_at", "-5")},
                      text_case{"pid zero", with_value("writer_pid", "0")},
                      text_case{"pid negative", with_value("writer_pid", "-99")},
                      text_case{"pid beyond int", with_value("writer_pid", "2147483648")},
                      text_case{"pid fractional", with_value("writer_pid", "99.5")},
                      text_case{"pid with leading blank", with_value("writer_pid", " 99")},
                      text_case{"sequence negative", with_value("sequence", "-1")},
                      text_case{"sequence overflows",
                                with_value("sequence", "18446744073709551616")},
                      text_case{"sequence with plus", with_value("sequence", "+7")},
                      text_case{"sequence hexadecimal", with_value("sequence", "0x7")},
                      text_case{"flag two", with_value("suspended", "2")},
                      text_case{"flag word", with_value("suspended", "true")},
                      text_case{"flag empty", with_value("suspended", "")},
                      text_case{"flag padded", with_value("suspended", "01")}),
    zf_test::by_case_name());

INSTANTIATE_TEST_SUITE_P(
    Names, InvalidTaskStateText,
    ::testing::Values(text_case{"raw control byte", with_value("user_name", "Ada\x07")},
                      text_case{"raw escape sequence", with_value("user_name", "\x1b[2J")},
                      text_case{"raw delete", with_value("user_name", "a\x7f")},
                      text_case{"raw high byte", with_value("user_name", "J\xc3\xbcrgen")},
                      text_case{"raw blank", with_value("user_name", "Ada Lovelace")},
                      text_case{"escape not hexadecimal", with_value("user_name", "%G1")},
                      text_case{"escape cut short", with_value("user_name", "ab%4")},
                      text_case{"percent at the end", with_value("user_name", "ab%")},
                      text_case{"name of 256 bytes", with_value("app_name", std::string(256, 'a'))},
                      text_case{"name of 256 escaped bytes",
                                with_value("app_name", escaped_newlines(256))}),
    zf_test::by_case_name());

TEST(TaskStateText, EveryMissingFieldMakesTheFileInvalid) {
    for (const char* key : {"sequence", "written_at", "writer_pid", "app_name", "user_name",
                            "fraction_done", "cpu_time", "suspended", "poster_phase", "finished"}) {
        task_state out;
        EXPECT_FALSE(parses(with_line(key, ""), out)) << key;
    }
}

// A reader that catches a file half written sees a prefix of it: every
// prefix but the whole file must be refused.
TEST(TaskStateText, EveryTruncationIsRefused) {
    const std::string text = format_task_state(typical_state());
    for (std::size_t size = 0; size < text.size(); ++size) {
        task_state out;
        EXPECT_FALSE(parse_task_state(text.data(), size, out)) << "first " << size << " bytes";
    }
}

}  // namespace
