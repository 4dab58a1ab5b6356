#include "tools/client_sim/commands.h"

#include <gtest/gtest.h>

#include <csignal>

namespace {

struct command_case {
    const char* line;
    command_kind kind;
    const char* text;
    double seconds;
};

TEST(CommandParse, BuildsTheMessageEachCommandSends) {
    const command_case cases[] = {
        {"suspend", command_kind::control, "<suspend/>", 0},
        {"  abort  ", command_kind::control, "<abort/>", 0},
        {"mode window", command_kind::graphics_request, "<mode_window/>", 0},
        {"mode <mode_blankscreen/>", command_kind::graphics_request, "<mode_blankscreen/>", 0},
        {"mode reread_prefs", command_kind::graphics_request, "<reread_prefs/>", 0},
        {"mode quit", command_kind::graphics_request, "<mode_quit/>", 0},
        // Names are escaped, so that a name cannot end its element early.
        {"mode fullscreen window_station=:1 desktop=\"a b\" display=<x&y>",
         command_kind::graphics_request,
         "<mode_fullscreen/><window_station>:1</window_station><desktop>a b</desktop>"
         "<display>&lt;x&amp;y></display>",
         0},
        {"raw   <mode_window/> <desktop> 1 </desktop>", command_kind::graphics_request,
         "  <mode_window/> <desktop> 1 </desktop>", 0},
        {"raw-unterminated ab", command_kind::graphics_unterminated, "ab", 0},
        {"wait fullscreen 2.5", command_kind::wait_reply, "<mode_fullscreen/>", 2.5},
        {"wait <odd/>", command_kind::wait_reply, "<odd/>", 10.0},
        {"sleep 0.25", command_kind::sleep, "", 0.25},
    };
    for (const command_case& c : cases) {
        SCOPED_TRACE(c.line);
        std::optional<command> parsed;
        std::string error;
        ASSERT_TRUE(parse_command(c.line, parsed, error)) << error;
        ASSERT_TRUE(parsed);
        EXPECT_EQ(parsed->kind, c.kind);
        EXPECT_EQ(parsed->text, c.text);
        EXPECT_DOUBLE_EQ(parsed->seconds, c.seconds);
        EXPECT_LT(parsed->not_before, 0.0);
    }
}

TEST(CommandParse, TimedStepsSignalsAndHeartbeats) {
    std::optional<command> parsed;
    std::string error;
    ASSERT_TRUE(parse_command("@2.5 kill TERM", parsed, error)) << error;
    EXPECT_EQ(parsed->kind, command_kind::kill_task);
    EXPECT_EQ(parsed->signal_number, SIGTERM);
    EXPECT_DOUBLE_EQ(parsed->not_before, 2.5);
    ASSERT_TRUE(parse_command("kill", parsed, error));
    EXPECT_EQ(parsed->signal_number, SIGKILL);
    ASSERT_TRUE(parse_command("heartbeat off", parsed, error));
    EXPECT_FALSE(parsed->heartbeat_on);
}

TEST(CommandParse, BlankAndCommentLinesAreNoCommand) {
    for (const char* line : {"", "   ", "# mode window"}) {
        std::optional<command> parsed;
        std::string error;
        EXPECT_TRUE(parse_command(line, parsed, error));
        EXPECT_FALSE(parsed) << line;
    }
}

TEST(CommandParse, RejectsMalformedLines) {
    for (const char* line : {"bogus", "mode", "mode sideways", "mode window colour=red", "raw",
                             "wait", "wait window soon", "sleep -1", "sleep", "kill NOSUCH",
                             "suspend now", "heartbeat maybe", "@ suspend", "@1.5", "@x quit"}) {
        std::optional<command> parsed;
        std::string error;
        EXPECT_FALSE(parse_command(line, parsed, error)) << line;
        EXPECT_FALSE(error.empty()) << line;
    }
}

}  // namespace
