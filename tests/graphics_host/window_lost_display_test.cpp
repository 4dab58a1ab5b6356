// Losing the X server that shows the window: the host carries on as after a
// close under a core client, and a later window opens on a live display.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "tests/graphics_host/window_fixture.h"
#include "tests/support/private_x_server.h"

namespace {

using LostDisplay = window_test;

TEST_F(LostDisplay, WindowGoesAwayQuietlyAndTheNextOneOpensElsewhere) {
    zf_test::private_x_server server;
    ZF_REQUIRE_REAL_PART(!server.name().empty(), "no private Xvfb: " + server.failure());
    name_desktop(server.name(), "0");
    set_graphics_mode(mode_fullscreen);
    ASSERT_NE(host_state.graphics_window, nullptr);
    ASSERT_TRUE(pump_until([] { return scene_calls.frames >= 2; }));

    server.kill_now();
    EXPECT_TRUE(
        pump_until([] { return host_state.current_graphics_mode != mode_fullscreen; }, 5.0));
    EXPECT_EQ(host_state.current_graphics_mode, mode_unsupported)
        << "hidden on the named display, which is gone";
    EXPECT_EQ(host_state.graphics_window, nullptr);
    EXPECT_EQ(host_state.gl_context, nullptr);
    pump_for(0.3);  // ticks go on without the server

    name_desktop("", "");
    set_graphics_mode(mode_window);
    ASSERT_NE(host_state.graphics_window, nullptr);
    EXPECT_EQ(platform::x11_display_name(host_state.graphics_window), display_name);
    const int frames = scene_calls.frames;
    EXPECT_TRUE(pump_until([&] { return scene_calls.frames > frames + 1; }));
}

}  // namespace
