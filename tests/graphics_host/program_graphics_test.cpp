// The real program's graphics, run by hand and under client_sim, on the
// test X servers: its window, the mode replies, input, and the loss of the
// X server while a window is up.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "tests/scene/frame_pixels.h"
#include "tests/scene/test_jpeg.h"
#include "tests/support/private_x_server.h"
#include "tests/support/real_part.h"
#include "tests/support/test_support.h"
#include "tests/support/thread_times.h"
#include "tests/support/x_windows.h"

// Xlib last: its macros (None, Bool, Always) break the headers above, and
// this comment keeps clang-format, which sorts only within a group, from
// moving it up.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

struct found_window {
    ::Window xid = None;
    int screen = -1;
    int count = 0;  // windows with that title
};

// The mapped top-level windows with this title, on every screen.
found_window find_window(Display* d, const std::string& title) {
    const auto windows = zf_test::windows_titled(d, title);
    found_window found;
    found.count = static_cast<int>(windows.size());
    if (!windows.empty()) {
        found.xid = windows.back().xid;
        found.screen = windows.back().screen;
    }
    return found;
}

found_window wait_for_window(Display* d, const std::string& title, double seconds = 10) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    found_window found = find_window(d, title);
    while (!found.count && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        found = find_window(d, title);
    }
    return found;
}

std::string geometry(Display* d, ::Window xid) {
    const zf_test::root_rect r = zf_test::rect_on_root(d, xid);
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

void send_close(Display* d, ::Window xid) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = xid;
    event.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    XSendEvent(d, xid, False, NoEventMask, &event);
    XSync(d, False);
}

std::size_t occurrences(const std::string& text, const std::string& needle) {
    std::size_t n = 0;
    for (auto at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
    return n;
}

bool wait_for_count(zf_test::running_process& p, const std::string& needle, std::size_t count,
                    double seconds = 10) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (occurrences(p.output(), needle) < count) {
        if (std::chrono::steady_clock::now() > deadline || p.ended()) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// Asks the task to quit and waits for it, so that its window is gone before
// the next test looks for windows.
void end_task(zf_test::running_process& client) {
    client.write_input("quit\n");
    client.close_input();
    if (!client.wait(15)) client.stop();
}

class ProgramGraphics : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::optional<std::string> name = zf_test::test_display();
        ZF_REQUIRE_REAL_PART(name, "ZF_TEST_DISPLAY is not set");
        display_name = *name;
        second_display = zf_test::second_test_display().value_or("");
        observer = XOpenDisplay(display_name.c_str());
        ASSERT_NE(observer, nullptr);
        slot = dir.file("slot");
        mkdir(slot.c_str(), 0755);
    }
    void TearDown() override {
        if (observer) XCloseDisplay(observer);
    }

    std::unique_ptr<zf_test::running_process> start_client_sim(
        const std::vector<std::string>& options = {}) {
        std::vector<std::string> argv{zf_test::client_sim_path(), "--slot", slot};
        argv.insert(argv.end(), options.begin(), options.end());
        return std::make_unique<zf_test::running_process>(argv, dir.path(), environment());
    }
    zf_test::environment_changes environment() const { return {{"DISPLAY", display_name}}; }

    Display* observer = nullptr;
    std::string display_name;
    std::string second_display;
    zf_test::temp_dir dir;
    std::string slot;
};

TEST_F(ProgramGraphics, StandaloneOpensOneWindowAtOnceAndClosingItEndsWithStatusZero) {
    zf_test::running_process program({zf_test::program_path()}, slot, environment());
    const found_window window = wait_for_window(observer, "BOINC Application");
    ASSERT_EQ(window.count, 1);
    EXPECT_EQ(geometry(observer, window.xid), "50,50,690,530");

    // Keys reach the scene, whose log names Shift, F1 and A.
    for (KeySym sym : {XK_Shift_L, XK_F1, XK_a, XK_b}) {
        XTestFakeKeyEvent(observer, XKeysymToKeycode(observer, sym), True, CurrentTime);
        XTestFakeKeyEvent(observer, XKeysymToKeycode(observer, sym), False, CurrentTime);
    }
    XSync(observer, False);
    const std::string log_file = slot + "/stderr.txt";
    for (int i = 0; i < 100 && occurrences(zf_test::read_file(log_file), "key_release") < 4; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    const std::string log = zf_test::read_file(log_file);
    const auto shift = log.find("GFX: boinc_app_key_press(16,");
    ASSERT_NE(shift, std::string::npos) << log;
    const std::string shift_line = " SHIFT key\n";
    EXPECT_EQ(log.substr(log.find('\n', shift) + 1, shift_line.size()), shift_line) << log;
    EXPECT_NE(log.find("GFX: boinc_app_key_release(16,"), std::string::npos) << log;
    EXPECT_NE(log.find(" F1 key\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" A key\n"), std::string::npos) << log;
    EXPECT_NE(log.find("GFX: boinc_app_key_press(66,"), std::string::npos) << log;
    EXPECT_FALSE(program.ended()) << "keys never end a window";

    send_close(observer, window.xid);
    ASSERT_TRUE(program.wait(5)) << "a standalone close ends the program at once";
    EXPECT_EQ(program.exit_status(), 0);
    EXPECT_EQ(occurrences(zf_test::read_file(slot + "/stderr.txt"),
                          "GFX: app_graphics_init() called. \n"),
              2u);
}

TEST_F(ProgramGraphics, UnderClientSimNoWindowUntilAskedThenEachModeIsReplied) {
    auto client = start_client_sim({"--app-name", "zorvath_fold"});
    ASSERT_TRUE(client->wait_for_output("reply <mode_hide_graphics/>", 10)) << client->output();
    EXPECT_EQ(find_window(observer, "zorvath_fold").count, 0);

    client->write_input("mode window\n");
    ASSERT_TRUE(client->wait_for_output("reply <mode_window/>", 5)) << client->output();
    found_window window = wait_for_window(observer, "zorvath_fold");
    ASSERT_EQ(window.count, 1);
    EXPECT_EQ(geometry(observer, window.xid), "50,50,690,530");

    client->write_input("raw <mode_window/><mode_fullscreen/>\n");
    ASSERT_TRUE(client->wait_for_output("reply <mode_fullscreen/>", 5)) << client->output();
    window = wait_for_window(observer, "zorvath_fold");
    ASSERT_EQ(window.count, 1);
    EXPECT_EQ(geometry(observer, window.xid), "0,0,1024,768");

    // A key ends the full-screen display: quit, then hidden on the next tick.
    XTestFakeKeyEvent(observer, XKeysymToKeycode(observer, XK_space), True, CurrentTime);
    XTestFakeKeyEvent(observer, XKeysymToKeycode(observer, XK_space), False, CurrentTime);
    XSync(observer, False);
    ASSERT_TRUE(wait_for_count(*client, "reply <mode_hide_graphics/>", 2)) << client->output();
    const std::string out = client->output();
    const auto quit = out.find("reply <mode_quit/>");
    ASSERT_NE(quit, std::string::npos) << out;
    EXPECT_LT(quit, out.rfind("reply <mode_hide_graphics/>"));
    EXPECT_EQ(find_window(observer, "zorvath_fold").count, 0);

    // A request with no NUL in its channel is read no further than the channel.
    client->write_input("raw-unterminated <mode_blankscreen/>\n");
    ASSERT_TRUE(client->wait_for_output("reply <mode_blankscreen/>", 5)) << client->output();

    window = wait_for_window(observer, "zorvath_fold");
    ASSERT_EQ(window.count, 1);
    send_close(observer, window.xid);
    ASSERT_TRUE(wait_for_count(*client, "reply <mode_hide_graphics/>", 3)) << client->output();
    EXPECT_FALSE(client->ended()) << "a close under a core client only hides";
    end_task(*client);
}

TEST_F(ProgramGraphics, NamedStationAndDesktopAreTrimmedUnescapedAndKept) {
    ZF_REQUIRE_REAL_PART(!second_display.empty(), "ZF_TEST_DISPLAY2 is not set");
    Display* second = XOpenDisplay(second_display.c_str());
    ASSERT_NE(second, nullptr);
    auto client = start_client_sim({"--app-name", "zorvath_fold"});
    ASSERT_TRUE(client->wait_for_output("reply <mode_hide_graphics/>", 10)) << client->output();

    // ":" written as a character reference, with blanks around both names.
    client->write_input("raw <mode_fullscreen/><window_station>  &#58;" + second_display.substr(1) +
                        " </window_station><desktop> 1 </desktop>\n");
    ASSERT_TRUE(client->wait_for_output("reply <mode_fullscreen/>", 5)) << client->output();
    const found_window window = wait_for_window(second, "zorvath_fold");
    ASSERT_EQ(window.count, 1);
    EXPECT_EQ(window.screen, 1);
    EXPECT_EQ(geometry(second, window.xid), "0,0,800,600");
    EXPECT_EQ(find_window(observer, "zorvath_fold").count, 0);

    // The names stay for a request that names none.
    client->write_input("mode blankscreen\n");
    ASSERT_TRUE(client->wait_for_output("reply <mode_blankscreen/>", 5)) << client->output();
    EXPECT_EQ(wait_for_window(second, "zorvath_fold").screen, 1);

    client->write_input("mode window window_station=:76543 desktop=0\n");
    ASSERT_TRUE(client->wait_for_output("reply <mode_unsupported/>", 5)) << client->output();
    EXPECT_EQ(find_window(second, "zorvath_fold").count, 0);
    EXPECT_EQ(find_window(observer, "zorvath_fold").count, 0);

    client->write_input("mode window window_station=" + display_name + " desktop=0\n");
    ASSERT_TRUE(client->wait_for_output("reply <mode_window/>", 5)) << client->output();
    EXPECT_EQ(wait_for_window(observer, "zorvath_fold").count, 1);
    end_task(*client);
    XCloseDisplay(second);
}

// The window's pixels, to tell one frame from another.
std::vector<unsigned long> window_pixels(Display* d, ::Window xid) {
    std::vector<unsigned long> pixels;
    XImage* image = XGetImage(d, xid, 0, 0, 640, 480, AllPlanes, ZPixmap);
    if (!image) return pixels;
    for (int y = 0; y < 480; y += 8) {
        for (int x = 0; x < 640; x += 8) pixels.push_back(XGetPixel(image, x, y));
    }
    XDestroyImage(image);
    return pixels;
}

TEST_F(ProgramGraphics, WindowKeepsDrawingWhileTheJobIsSuspended) {
    auto client = start_client_sim({"--window", "--app-name", "zorvath_fold"});
    ASSERT_TRUE(client->wait_for_output("reply <mode_window/>", 10)) << client->output();
    const found_window window = wait_for_window(observer, "zorvath_fold");
    ASSERT_EQ(window.count, 1);
    const pid_t task = zf_test::task_pid_in(client->output());
    ASSERT_GT(task, 0) << client->output();
    const std::string worker = zf_test::busiest_thread_during(task, 1.0);
    client->write_input("suspend\n");
    ASSERT_TRUE(client->wait_for_output("sent <suspend/>", 5)) << client->output();
    ASSERT_TRUE(zf_test::wait_until_thread_holds_still(task, worker, 1.0, 20))
        << "the worker never stopped";
    const auto before = window_pixels(observer, window.xid);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const auto after = window_pixels(observer, window.xid);
    ASSERT_FALSE(before.empty());
    EXPECT_NE(before, after) << "the scene stood still while the job was suspended";
    end_task(*client);
}

TEST_F(ProgramGraphics, KillingTheXServerUnderTheWindowLeavesTheTaskToFinishWithStatusZero) {
    zf_test::private_x_server server;
    ZF_REQUIRE_REAL_PART(!server.name().empty(), "no private Xvfb: " + server.failure());
    zf_test::write_file(slot + "/ckpt_state", "1195\n");
    std::vector<std::string> argv{zf_test::client_sim_path(), "--slot", slot, "--window"};
    zf_test::running_process client(argv, dir.path(), {{"DISPLAY", server.name()}});
    ASSERT_TRUE(client.wait_for_output("reply <mode_window/>", 10)) << client.output();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    server.kill_now();
    EXPECT_TRUE(client.wait_for_output("reply <mode_hide_graphics/>", 5)) << client.output();
    // The job still runs its last passes and, graphics having been shown, its poster phase.
    ASSERT_TRUE(client.wait(120)) << client.output();
    EXPECT_EQ(client.exit_status(), 0) << client.output();
    EXPECT_NE(client.output().find("exit status 0"), std::string::npos) << client.output();
    EXPECT_NE(zf_test::read_file(slot + "/stderr.txt").find("poster display begins"),
              std::string::npos)
        << "the poster phase never began";
}

// The colour of one window pixel, x and y from the top left, in 0..1.
rgb window_colour(Display* d, ::Window xid, int x, int y) {
    XImage* image = XGetImage(d, xid, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return {-1, -1, -1};
    const unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return {((pixel >> 16) & 255) / 255.0, ((pixel >> 8) & 255) / 255.0, (pixel & 255) / 255.0};
}

// In a 640 x 480 window the poster's 4:3 area is the whole width, and the
// image sits 0.005 of it above the lower edge: violet rows below, its top cut.
TEST_F(ProgramGraphics, PosterFillsTheWindowOnceThePosterPhaseBegins) {
    ASSERT_TRUE(write_quarters_jpeg(slot + "/QuenlartPoster3.jpg", 400, 300));
    zf_test::write_file(slot + "/ckpt_state", " 1199 \n");
    auto client = start_client_sim({"--window", "--app-name", "zorvath_fold"});
    ASSERT_TRUE(client->wait_for_output("reply <mode_window/>", 10)) << client->output();
    const found_window window = wait_for_window(observer, "zorvath_fold");
    ASSERT_EQ(window.count, 1);
    const std::string log_file = slot + "/stderr.txt";
    for (int i = 0;
         i < 600 && zf_test::read_file(log_file).find("poster display begins") == std::string::npos;
         ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_NE(zf_test::read_file(log_file).find("poster display begins"), std::string::npos)
        << zf_test::read_file(log_file);
    const rgb violet{0.1, 0, 0.5};
    for (int i = 0; i < 100 && !colours_near(window_colour(observer, window.xid, 10, 478), violet);
         ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    for (const int x : {10, 320, 630}) {
        const rgb below = window_colour(observer, window.xid, x, 478);
        EXPECT_TRUE(colours_near(below, violet)) << x << ": " << describe(below);
    }
    const struct {
        int x, y, quarter;
    } probes[] = {{160, 116, 0}, {480, 116, 1}, {160, 356, 2}, {480, 356, 3}};
    for (const auto& p : probes) {
        const rgb seen = window_colour(observer, window.xid, p.x, p.y);
        EXPECT_TRUE(colours_near(seen, quarter_colours[p.quarter], 0.06))
            << "quarter " << p.quarter << ": " << describe(seen);
    }
    end_task(*client);
}

}  // namespace
