// The companion beside the real task under client_sim, as the BOINC Manager
// starts it: in the slot, with no arguments, on an X server of its own.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <memory>

#include "tests/companion/companion_harness.h"
#include "tests/support/private_x_server.h"
#include "tests/support/real_part.h"

// Xlib last: its macros (None, Bool, Always) break the headers above, and
// this comment keeps clang-format, which sorts only within a group, from
// moving it up.
#include <X11/Xlib.h>

namespace {

using namespace zf_companion_test;

const std::string app_name = "Zorvath Task Under Test";

// The task is started a few passes before its end and its graphics are shown
// and hidden once, so that its poster phase comes and no window of its own
// remains beside the companion's.
TEST(CompanionBesideTheTask, FollowsTheTaskThroughItsPosterPhaseAndEndsWithIt) {
    zf_test::private_x_server server(screen_size);
    ZF_REQUIRE_REAL_PART(!server.name().empty(), "no private Xvfb: " + server.failure());
    Display* display = XOpenDisplay(server.name().c_str());
    ASSERT_NE(display, nullptr);
    std::unique_ptr<Display, int (*)(Display*)> closer(display, XCloseDisplay);

    zf_test::temp_dir dir;
    const std::string slot = dir.file("slot");
    mkdir(slot.c_str(), 0755);
    mkdir(dir.file("project").c_str(), 0755);
    std::filesystem::copy_file(SHIPPED_POSTER_PATH, dir.file("project/QuenlartPoster3.jpg"));
    zf_test::write_file(slot + "/QuenlartPoster3.jpg",
                        "<soft_link>../project/QuenlartPoster3.jpg</soft_link>\n");
    zf_test::write_file(slot + "/ckpt_state", " 1193 \n");
    zf_test::running_process client(
        {zf_test::client_sim_path(), "--slot", slot, "--program", zf_test::program_path(),
         "--app-name", app_name, "--user-name", "Ada Lovelace"},
        dir.path(), zf_test::with_display(server.name()));
    client.write_input("mode window\nwait window 20\nmode hide_graphics\nwait hide_graphics 20\n");
    client.close_input();
    ASSERT_TRUE(client.wait_for_output("wait <mode_hide_graphics/>: received", 30))
        << client.output();
    for (int waited = 0; !zf_test::file_exists(slot + "/graphics_state.txt"); ++waited) {
        ASSERT_LT(waited, 100) << "the task published no state\n" << client.output();
        pause_for(0.1);
    }

    running_companion companion(slot, server.name());
    const auto window = wait_for_window(display, app_name, 10);
    ASSERT_TRUE(window) << companion.log();
    const auto first = wait_for_picture(
        display, *window,
        [](const picture& p) { return shows_scene(p) && status_band_has_text(p); }, 10);
    ASSERT_TRUE(first && shows_scene(*first) && status_band_has_text(*first)) << companion.log();
    const auto later = wait_for_picture(
        display, *window,
        [&](const picture& p) { return status_text_pixels(p) != status_text_pixels(*first); }, 10);
    ASSERT_TRUE(later && status_text_pixels(*later) != status_text_pixels(*first))
        << "the status line never changed\n"
        << companion.log();

    for (int waited = 0; zf_test::read_file(slot + "/stderr.txt").find("poster display begins") ==
                         std::string::npos;
         ++waited) {
        ASSERT_LT(waited, 900) << "no poster phase\n" << zf_test::read_file(slot + "/stderr.txt");
        pause_for(0.1);
    }
    const auto poster = wait_for_picture(display, *window, shows_shipped_poster, 5);
    ASSERT_TRUE(poster && shows_shipped_poster(*poster)) << describe(poster) << companion.log();
    EXPECT_NE(companion.log().find("GFX: loaded poster from ../project/QuenlartPoster3.jpg \n"),
              std::string::npos)
        << companion.log();

    ASSERT_TRUE(client.wait(90)) << client.output();
    EXPECT_EQ(client.exit_status(), 0) << client.output();
    EXPECT_EQ(companion.status_after(5), 0) << "the companion outlived its task\n"
                                            << companion.log();
    EXPECT_NE(companion.log().find("graphics companion: the task has finished\n"),
              std::string::npos)
        << companion.log();
}

}  // namespace
