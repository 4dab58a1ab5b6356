// The frame tick's exchange with the core client, on channels that the test
// plays the core client's side of, with real windows on the test display.
#include "graphics_host/mode_messages.h"

#include <gtest/gtest.h>

#include <cstring>

#include "app_ipc.h"
#include "boinc_api.h"
#include "graphics_host/frame_tick.h"
#include "graphics_host/graphics_mode.h"
#include "tests/graphics_host/window_fixture.h"

namespace {

class ModeMessages : public window_test {
  protected:
    void SetUp() override {
        window_test::SetUp();
        if (IsSkipped()) return;
        memory = SHARED_MEM{};
        client.shm = &memory;
        app_client_shm = &client;
    }
    void TearDown() override {
        app_client_shm = nullptr;
        window_test::TearDown();
    }

    void client_sends(const std::string& text) {
        char* buf = memory.graphics_request.buf;
        ASSERT_EQ(buf[0], 0) << "the previous request was not taken";
        std::strncpy(buf + 1, text.c_str(), MSG_CHANNEL_SIZE - 2);
        buf[0] = 1;
    }
    // The reply waiting in the channel, taken; "" when there is none.
    std::string client_takes() {
        char* buf = memory.graphics_reply.buf;
        if (!buf[0]) return "";
        std::string text(buf + 1);
        buf[0] = 0;
        return text;
    }
    // A tick, and the reply that it left.
    std::string tick() {
        frame_timer_tick();
        return client_takes();
    }
    // Starts from the first tick's report, which every test sees.
    void acknowledge_start() {
        ASSERT_EQ(tick(), "<mode_hide_graphics/>");
        ASSERT_EQ(tick(), "");
    }

    SHARED_MEM memory{};
    APP_CLIENT_SHM client;
};

TEST_F(ModeMessages, FirstTickReportsHiddenOnceAndNoWindowExists) {
    EXPECT_EQ(tick(), "<mode_hide_graphics/>");
    EXPECT_EQ(host_state.graphics_window, nullptr);
    EXPECT_EQ(tick(), "");
    EXPECT_EQ(tick(), "");
}

struct request_case {
    const char* name;
    const char* text;
    int mode_after;
    const char* reply;  // "" for none
};

class ModeRequest : public ModeMessages, public ::testing::WithParamInterface<request_case> {};

TEST_P(ModeRequest, RequestIsActedOnAndTheModeInForceReported) {
    const request_case& c = GetParam();
    acknowledge_start();
    client_sends(c.text);
    EXPECT_EQ(tick(), c.reply);
    EXPECT_EQ(host_state.current_graphics_mode, c.mode_after);
    EXPECT_EQ(host_state.graphics_window != nullptr, c.mode_after == mode_window ||
                                                         c.mode_after == mode_fullscreen ||
                                                         c.mode_after == mode_blankscreen);
    EXPECT_EQ(memory.graphics_request.buf[0], 0) << "the request was taken";
}

INSTANTIATE_TEST_SUITE_P(
    Requests, ModeRequest,
    ::testing::Values(
        request_case{"Window", "<mode_window/>", mode_window, "<mode_window/>"},
        request_case{"BlankScreen", "<mode_blankscreen/>", mode_blankscreen, "<mode_blankscreen/>"},
        request_case{"BothTagsGiveFullScreen", "<mode_fullscreen/><mode_window/>", mode_fullscreen,
                     "<mode_fullscreen/>"},
        request_case{"HiddenAlreadyInForce", "<mode_hide_graphics/>", mode_hide_graphics, ""},
        request_case{"QuitRequestDoesNothing", "<mode_quit/>", mode_hide_graphics, ""},
        request_case{"UnknownTagDoesNothing", "<mode_sparkle/>", mode_hide_graphics, ""},
        request_case{"UnopenableStation",
                     "<mode_window/><window_station>:76543</window_station><desktop>0</desktop>",
                     mode_unsupported, "<mode_unsupported/>"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ModeMessages, RereadPrefsReachesTheSceneOnlyInWindowAndFullScreen) {
    acknowledge_start();
    const struct {
        int mode;
        int rereads;
    } cases[] = {
        {mode_hide_graphics, 0}, {mode_window, 1}, {mode_fullscreen, 1}, {mode_blankscreen, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(graphics_mode_tags[c.mode]);
        set_graphics_mode(c.mode);
        tick();
        scene_calls.prefs_rereads = 0;
        client_sends("<reread_prefs/>");
        tick();
        EXPECT_EQ(scene_calls.prefs_rereads, c.rereads);
        EXPECT_EQ(host_state.current_graphics_mode, c.mode);
    }
}

TEST_F(ModeMessages, FullReplyChannelIsRetriedWithTheModeThenInForce) {
    acknowledge_start();
    memory.graphics_reply.buf[0] = 1;  // the core client has not taken a reply
    std::strcpy(memory.graphics_reply.buf + 1, "<old/>");
    client_sends("<mode_window/>");
    frame_timer_tick();
    client_sends("<mode_blankscreen/>");
    frame_timer_tick();
    EXPECT_EQ(client_takes(), "<old/>");
    EXPECT_EQ(tick(), "<mode_blankscreen/>") << "only the last change is reported";
    EXPECT_EQ(tick(), "");
}

TEST_F(ModeMessages, KeyInFullScreenRepliesQuitThenHidden) {
    acknowledge_start();
    client_sends("<mode_fullscreen/>");
    ASSERT_EQ(tick(), "<mode_fullscreen/>");
    graphics_window_proc(host_state.graphics_window, platform::wm_keydown, 65, 0x001e0001);
    EXPECT_EQ(host_state.current_graphics_mode, mode_quit);
    EXPECT_EQ(host_state.graphics_window, nullptr);
    EXPECT_EQ(tick(), "<mode_quit/>");
    EXPECT_EQ(host_state.current_graphics_mode, mode_hide_graphics);
    EXPECT_EQ(tick(), "<mode_hide_graphics/>");
    EXPECT_TRUE(scene_calls.keys.empty());
}

TEST_F(ModeMessages, RefusedQuitIsLostAndHiddenFollows) {
    acknowledge_start();
    client_sends("<mode_fullscreen/>");
    ASSERT_EQ(tick(), "<mode_fullscreen/>");
    memory.graphics_reply.buf[0] = 1;
    graphics_window_proc(host_state.graphics_window, platform::wm_lbuttondown, 1, 0);
    frame_timer_tick();
    EXPECT_EQ(host_state.current_graphics_mode, mode_hide_graphics);
    memory.graphics_reply.buf[0] = 0;
    EXPECT_EQ(tick(), "<mode_hide_graphics/>");
}

TEST_F(ModeMessages, CloseUnderACoreClientIsReportedAsHidden) {
    acknowledge_start();
    client_sends("<mode_window/>");
    ASSERT_EQ(tick(), "<mode_window/>");
    graphics_window_proc(host_state.graphics_window, platform::wm_close, 0, 0);
    EXPECT_EQ(host_state.graphics_window, nullptr);
    EXPECT_EQ(tick(), "<mode_hide_graphics/>");
}

TEST_F(ModeMessages, NamesAreKeptForLaterRequestsAndTakeEffectAtTheNextSwitch) {
    const std::string other = second_display();
    ZF_REQUIRE_REAL_PART(!other.empty(), "ZF_TEST_DISPLAY2 is not set");
    acknowledge_start();
    client_sends("<mode_window/><window_station>  " + other +
                 "\n</window_station><desktop> 1 </desktop>");
    ASSERT_EQ(tick(), "<mode_window/>");
    ASSERT_NE(host_state.graphics_window, nullptr);
    EXPECT_EQ(platform::x11_display_name(host_state.graphics_window), other);
    EXPECT_EQ(platform::x11_screen(host_state.graphics_window), 1);

    // A request for the mode in force stores new names without moving.
    client_sends("<mode_window/><window_station>" + display_name +
                 "</window_station><desktop>0</desktop>");
    EXPECT_EQ(tick(), "");
    EXPECT_EQ(platform::x11_display_name(host_state.graphics_window), other);

    client_sends("<mode_fullscreen/>");
    ASSERT_EQ(tick(), "<mode_fullscreen/>");
    EXPECT_EQ(platform::x11_display_name(host_state.graphics_window), display_name);
    EXPECT_EQ(platform::x11_screen(host_state.graphics_window), 0);
}

}  // namespace
