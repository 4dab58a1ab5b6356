// Random mode requests from the core client, on named and unnamed displays
// and screens and on names that cannot be opened, mixed with keys and mouse
// moves in full screen: the program must never crash, never show more than one
// window, keep its memory bounded, and reply with the mode then in force.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <random>

#include "tests/faults/fault_support.h"
#include "tests/support/real_part.h"

// Xlib last: its macros (None, Bool, Always) break the headers above, and
// this comment keeps clang-format, which sorts only within a group, from
// moving it up.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

constexpr const char* title = "zf_mode_storm";

// The modes a request can ask for, by their tags.
const std::vector<std::string> requested_modes = {
    "hide_graphics", "window", "fullscreen", "blankscreen", "reread_prefs", "unsupported", "quit"};

bool shows_a_window(const std::string& mode) {
    return mode == "window" || mode == "fullscreen" || mode == "blankscreen";
}

bool switches_display(const std::string& mode) {
    return mode == "hide_graphics" || shows_a_window(mode);
}

// What the program is expected to hold: the mode in force and the names that
// the requests have left in place.
struct expected_state {
    std::string mode = "hide_graphics";
    std::string station;
    std::string desktop;
};

class mode_storm {
  public:
    mode_storm(std::string first_display, std::string second_display)
        : displays_{std::move(first_display), std::move(second_display)} {
        for (const std::string& name : displays_) {
            connections_.push_back(std::make_unique<zf_fault::x_connection>(name));
        }
    }

    bool connected() const {
        for (const auto& c : connections_) {
            if (!c->get()) return false;
        }
        return true;
    }

    // The request text, and its effect on the expected state; true when the
    // mode in force changes.
    std::string next_request(std::mt19937& random, bool& changes) {
        const std::string mode = requested_modes[random() % requested_modes.size()];
        std::string text = "<mode_" + mode + "/>";
        if (mode == "reread_prefs") text = "<reread_prefs/>";
        if (mode == "quit") text = "<mode_quit/>";
        if (mode == "unsupported") text = "<mode_unsupported/>";
        // Names stay in force until a request names others, so most requests name none.
        if (random() % 3 == 0) {
            const std::string stations[] = {displays_[0], displays_[1], ":76543", ""};
            expected_.station = stations[random() % 4];
            text += "<window_station> " + expected_.station + " </window_station>";
        }
        if (random() % 3 == 0) {
            const std::string desktops[] = {"0", "1", "7", ""};
            expected_.desktop = desktops[random() % 4];
            text += "<desktop>" + expected_.desktop + "</desktop>";
        }
        if (random() % 5 == 0) text += "<display>:0</display>";
        changes = false;
        // A switch to the mode in force does nothing; a switch that fails ends
        // in "unsupported", which is replied only when it was not in force.
        if (switches_display(mode) && mode != expected_.mode) {
            const std::string now_in_force = target_opens() ? mode : "unsupported";
            changes = now_in_force != expected_.mode;
            expected_.mode = now_in_force;
        }
        return text;
    }

    const expected_state& expected() const { return expected_; }
    void user_ended_fullscreen() { expected_.mode = "hide_graphics"; }

    // Where a window of the expected state stands: display index and screen.
    std::pair<int, int> target() const {
        if (expected_.station.empty() || expected_.desktop.empty()) return {0, 0};
        return {expected_.station == displays_[0] ? 0 : 1, std::stoi(expected_.desktop)};
    }

    // The program's windows on both displays, with the display of each.
    std::vector<std::pair<int, zf_test::titled_window>> windows() const {
        std::vector<std::pair<int, zf_test::titled_window>> found;
        for (int d = 0; d < 2; ++d) {
            for (const auto& w : zf_test::windows_titled(connections_[d]->get(), title)) {
                found.emplace_back(d, w);
            }
        }
        return found;
    }

    // Activity in full screen: a key, a button or a move of the pointer;
    // returns what it was.
    std::string inject_activity(std::mt19937& random) {
        const auto [d, screen] = target();
        Display* x = connections_[d]->get();
        std::string what;
        switch (random() % 3) {
            case 0: {
                what = "key";
                const KeySym keys[] = {XK_space, XK_a, XK_Escape, XK_Shift_L, XK_F1, XK_Return};
                const KeyCode code = XKeysymToKeycode(x, keys[random() % 6]);
                XTestFakeKeyEvent(x, code, True, CurrentTime);
                XTestFakeKeyEvent(x, code, False, CurrentTime);
                break;
            }
            case 1:
                what = "button";
                // Over the window first: XTest moves the pointer only within
                // the screen that it is on, so a warp takes it across.
                XWarpPointer(x, None, RootWindow(x, screen), 0, 0, 0, 0,
                             1 + static_cast<int>(random() % 500),
                             1 + static_cast<int>(random() % 500));
                XTestFakeButtonEvent(x, 1, True, CurrentTime);
                XTestFakeButtonEvent(x, 1, False, CurrentTime);
                break;
            default: {
                what = "move";
                // Onto the screen first (a warp, as for the button), then a
                // move within it.
                const int to_x = 1 + static_cast<int>(random() % 500);
                const int to_y = 1 + static_cast<int>(random() % 500);
                XWarpPointer(x, None, RootWindow(x, screen), 0, 0, 0, 0, to_x, to_y);
                XTestFakeMotionEvent(x, screen, to_x + 1 + static_cast<int>(random() % 20),
                                     to_y + 1, CurrentTime);
            }
        }
        XSync(x, False);
        return what + " on display " + std::to_string(d) + " screen " + std::to_string(screen);
    }

  private:
    // Mirrors the X layer: a named display must open and have the named screen.
    bool target_opens() const {
        if (expected_.station.empty() || expected_.desktop.empty()) return true;
        if (expected_.station != displays_[0] && expected_.station != displays_[1]) return false;
        return expected_.desktop == "0" || expected_.desktop == "1";
    }

    std::string displays_[2];
    std::vector<std::unique_ptr<zf_fault::x_connection>> connections_;
    expected_state expected_;
};

std::string tag_of(const std::string& mode) { return "<mode_" + mode + "/>"; }

TEST(ModeStorm, OneWindowAtMostBoundedMemoryAndRepliesNameTheModeInForce) {
    const auto first = zf_test::test_display();
    const auto second = zf_test::second_test_display();
    ZF_REQUIRE_REAL_PART(first && second, "ZF_TEST_DISPLAY and ZF_TEST_DISPLAY2 name no X servers");
    const int requests = zf_fault::rounds("MODE_REQUESTS", 100, 1000);
    mode_storm storm(*first, *second);
    ASSERT_TRUE(storm.connected());

    zf_test::temp_dir dir;
    const std::string slot = dir.file("slot");
    mkdir(slot.c_str(), 0755);
    // The job sleeps through the storm, so that it neither ends nor competes.
    zf_test::running_process client({zf_test::client_sim_path(), "--slot", slot, "--program",
                                     zf_test::program_path(), "--app-name", title},
                                    dir.path(), zf_test::with_display(*first));
    client.write_input("suspend\n");
    ASSERT_TRUE(zf_fault::wait_for_replies(client, 1, 20)) << client.output();
    const pid_t task = zf_test::task_pid_in(client.output());

    std::mt19937 random(zf_fault::storm_seed());
    std::vector<std::string> expected_replies{"<mode_hide_graphics/>"};
    long rss_after_warm_up = -1;
    long rss_peak = 0;
    std::size_t most_windows = 0;
    int activities = 0;
    std::string inputs;  // each injected input, to tell what a failure followed
    for (int request = 0; request < requests; ++request) {
        SCOPED_TRACE("request " + std::to_string(request + 1) + "; input so far:" + inputs);
        bool changes = false;
        const std::string text = storm.next_request(random, changes);
        client.write_input("raw " + text + "\n");
        if (!changes) continue;
        expected_replies.push_back(tag_of(storm.expected().mode));
        ASSERT_TRUE(zf_fault::wait_for_replies(client, expected_replies.size(), 20))
            << text << "\n"
            << client.output();
        ASSERT_EQ(zf_fault::graphics_replies(client.output()), expected_replies) << text;

        auto windows = storm.windows();
        for (int i = 0;
             i < 50 && windows.size() != (shows_a_window(storm.expected().mode) ? 1u : 0u); ++i) {
            zf_fault::pause_for(0.05);
            windows = storm.windows();
        }
        most_windows = std::max(most_windows, windows.size());
        ASSERT_LE(windows.size(), 1u) << "more than one window";
        if (!shows_a_window(storm.expected().mode)) {
            ASSERT_TRUE(windows.empty()) << "a window in mode " << storm.expected().mode;
        } else {
            ASSERT_EQ(windows.size(), 1u) << "no window in mode " << storm.expected().mode;
            EXPECT_EQ(std::make_pair(windows[0].first, windows[0].second.screen), storm.target())
                << text;
        }

        if (storm.expected().mode == "fullscreen" && random() % 2 == 0) {
            const std::string activity = storm.inject_activity(random);
            inputs += " [" + std::to_string(request + 1) + ": " + activity + " in full screen]";
            ++activities;
            storm.user_ended_fullscreen();
            // "<mode_quit/>" may be lost when the reply channel is still full;
            // "<mode_hide_graphics/>" follows either way.
            const std::size_t before = expected_replies.size();
            ASSERT_TRUE(zf_fault::wait_for_replies(client, before + 1, 20)) << activity << "\n"
                                                                            << client.output();
            auto replies = zf_fault::graphics_replies(client.output());
            if (replies[before] == "<mode_quit/>") {
                expected_replies.push_back("<mode_quit/>");
                ASSERT_TRUE(zf_fault::wait_for_replies(client, before + 2, 20)) << client.output();
                replies = zf_fault::graphics_replies(client.output());
            }
            expected_replies.push_back("<mode_hide_graphics/>");
            ASSERT_EQ(replies, expected_replies) << "after activity in full screen";
            for (int i = 0; i < 50 && !storm.windows().empty(); ++i) zf_fault::pause_for(0.05);
            ASSERT_TRUE(storm.windows().empty()) << "the full-screen window outlived activity";
        } else if (storm.expected().mode != "fullscreen" && shows_a_window(storm.expected().mode) &&
                   random() % 4 == 0) {
            // Keys and moves elsewhere go to the scene and change no mode.
            inputs += " [" + std::to_string(request + 1) + ": " + storm.inject_activity(random) +
                      " in " + storm.expected().mode + "]";
        }

        const long rss = zf_fault::resident_kb(task);
        ASSERT_GT(rss, 0) << "the task is gone\n" << client.output();
        if (request >= requests / 5 && rss_after_warm_up < 0) rss_after_warm_up = rss;
        rss_peak = std::max(rss_peak, rss);
    }
    // Requests that change nothing are still taken: let the last ones through.
    client.write_input("raw <mode_hide_graphics/>\n");
    zf_fault::pause_for(1);
    const long rss_end = zf_fault::resident_kb(task);
    ASSERT_GT(rss_end, 0) << "the task is gone\n" << client.output();
    EXPECT_LE(storm.windows().size(), 0u + shows_a_window(storm.expected().mode));

    // A suspended task does not obey "<quit/>" (see the suspended-task test).
    client.write_input("resume\nquit\n");
    client.close_input();
    ASSERT_TRUE(client.wait(20)) << client.output();
    EXPECT_EQ(client.exit_status(), 0) << client.output();

    const auto replies = zf_fault::graphics_replies(client.output());
    zf_fault::report_figure(
        "mode storm",
        std::to_string(requests) + " requests, " + std::to_string(replies.size()) + " replies, " +
            std::to_string(activities) + " full-screen displays ended by input, at most " +
            std::to_string(most_windows) + " window, VmRSS " + std::to_string(rss_after_warm_up) +
            " kB after warm-up, " + std::to_string(rss_end) + " kB at the end, peak " +
            std::to_string(rss_peak) + " kB");
    // A small bound: a leak of a few kilobytes per window would pass it at 100
    // requests but not at 1000.
    ASSERT_GT(rss_after_warm_up, 0);
    // AddressSanitizer keeps freed memory in quarantine: only a plain build's
    // growth means a leak.
    if (!std::getenv("ZF_PROGRAM_SANITIZED")) {
        EXPECT_LE(rss_end - rss_after_warm_up, 16 * 1024);
    }
}

}  // namespace
