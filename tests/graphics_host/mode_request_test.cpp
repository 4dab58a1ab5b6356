// Decoding of the core client's graphics requests: the mode chosen, and the
// window station, desktop and display names kept, trimmed, unescaped and cut.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "graphics_host/graphics_mode.h"
#include "tests/support/case_names.h"

namespace {

graphics_request_type decoded(const std::string& text) {
    graphics_request_type record = {};
    decode_graphics_request(text.c_str(), record);
    return record;
}

struct mode_case {
    const char* name;
    const char* text;
    int mode;
};

class DecodedMode : public testing::TestWithParam<mode_case> {};

TEST_P(DecodedMode, IsTheHighestTagPresent) {
    EXPECT_EQ(decoded(GetParam().text).mode, GetParam().mode) << GetParam().text;
}

// Literal texts, so that a wrong entry in the tag table shows up here too.
INSTANTIATE_TEST_SUITE_P(
    Requests, DecodedMode,
    testing::Values(
        mode_case{"empty", "", mode_unsupported},
        mode_case{"unknown tag", "<quit/>", mode_unsupported},
        mode_case{"tag without its slash", "<mode_window>", mode_unsupported},
        mode_case{"unsupported", "<mode_unsupported/>", mode_unsupported},
        mode_case{"hide graphics", "<mode_hide_graphics/>", mode_hide_graphics},
        mode_case{"window", "<mode_window/>", mode_window},
        mode_case{"fullscreen", "<mode_fullscreen/>", mode_fullscreen},
        mode_case{"blank screen", "<mode_blankscreen/>", mode_blankscreen},
        mode_case{"reread prefs", "<reread_prefs/>", reread_prefs},
        mode_case{"quit", "<mode_quit/>", mode_quit},
        mode_case{"window then fullscreen", "<mode_window/><mode_fullscreen/>", mode_fullscreen},
        mode_case{"fullscreen then window on a new line", "<mode_fullscreen/>\n<mode_window/>",
                  mode_fullscreen},
        mode_case{"quit then hide", "<mode_quit/><mode_hide_graphics/>", mode_quit},
        mode_case{"inside a name tag", "<desktop><mode_blankscreen/></desktop>", mode_blankscreen}),
    zf_test::by_case_name{});

TEST(DecodeGraphicsRequest, ResetsTheModeWhenNoTagIsNamed) {
    graphics_request_type record = {};
    record.mode = mode_fullscreen;
    decode_graphics_request("<desktop>1</desktop>", record);
    EXPECT_EQ(record.mode, mode_unsupported);
}

struct name_case {
    const char* name;
    std::string text;
    std::string desktop;
};

class DecodedName : public testing::TestWithParam<name_case> {};

TEST_P(DecodedName, IsTrimmedUnescapedAndCut) {
    graphics_request_type record = {};
    std::strcpy(record.desktop, "previous");
    decode_graphics_request(GetParam().text.c_str(), record);
    EXPECT_EQ(std::string(record.desktop), GetParam().desktop) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Requests, DecodedName,
    testing::Values(name_case{"plain", "<desktop>1</desktop>", "1"},
                    name_case{"white space around", "<desktop> \t\n 0 1 \r\n</desktop>", "0 1"},
                    name_case{"escapes", "<desktop>&lt;a&amp;b&#65;&gt;</desktop>", "<a&bA>"},
                    name_case{"trimmed before unescaping", "<desktop> &#32;x </desktop>", " x"},
                    name_case{"empty", "<desktop></desktop>", ""},
                    name_case{"first occurrence", "<desktop>a</desktop><desktop>b</desktop>", "a"},
                    name_case{"up to the next tag whatever it is", "<desktop>a<b>c</desktop>", "a"},
                    name_case{"no tag keeps the name", "<mode_window/>", "previous"},
                    name_case{"no < after the tag keeps the name", "<desktop>new", "previous"},
                    name_case{"long name cut to 255",
                              "<desktop>" + std::string(300, 'n') + "</desktop>",
                              std::string(255, 'n')},
                    name_case{"cut after trimming",
                              "<desktop>" + std::string(300, ' ') + "abc</desktop>", "abc"},
                    name_case{"cut after unescaping",
                              [] {
                                  std::string text = "<desktop>";
                                  for (int i = 0; i < 300; ++i) text += "&amp;";
                                  return text + "</desktop>";
                              }(),
                              std::string(255, '&')}),
    zf_test::by_case_name{});

TEST(DecodeGraphicsRequest, FillsEachNameFromItsOwnTag) {
    graphics_request_type record = decoded(
        "<display>:7</display><desktop>1</desktop><window_station>:3</window_station>"
        "<mode_fullscreen/>");
    EXPECT_STREQ(record.window_station, ":3");
    EXPECT_STREQ(record.desktop, "1");
    EXPECT_STREQ(record.display, ":7");
    EXPECT_EQ(record.mode, mode_fullscreen);
}

TEST(DecodeGraphicsRequest, LaterRequestsKeepNamesTheyDoNotName) {
    graphics_request_type record = {};
    decode_graphics_request("<window_station>:1</window_station><desktop>1</desktop>", record);
    decode_graphics_request("<mode_window/><display>:2</display>", record);
    EXPECT_STREQ(record.window_station, ":1");
    EXPECT_STREQ(record.desktop, "1");
    EXPECT_STREQ(record.display, ":2");
}

}  // namespace
