// Losing the X server that shows the window: the host carries on as after a
// close under a core client, and a later window opens on a live display.
// clang-format off
#include "tests/graphics_host/window_fixture.h"
// clang-format on

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace {

// An X server of the test's own, so that it can be killed.
class private_x_server {
  public:
    private_x_server() {
        for (int n = 150; n < 200 && name_.empty(); ++n) {
            if (access(("/tmp/.X" + std::to_string(n) + "-lock").c_str(), F_OK) == 0) continue;
            start(n);
        }
    }
    ~private_x_server() { kill_now(); }
    const std::string& name() const { return name_; }
    void kill_now() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

  private:
    void start(int n) {
        const std::string display = ":" + std::to_string(n);
        pid_ = fork();
        if (pid_ == 0) {
            execlp("Xvfb", "Xvfb", display.c_str(), "-noreset", "-screen", "0", "640x480x24",
                   "-nolisten", "tcp", "+extension", "GLX", static_cast<char*>(nullptr));
            _exit(127);
        }
        for (int i = 0; i < 50; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (Display* d = XOpenDisplay(display.c_str())) {
                XCloseDisplay(d);
                name_ = display;
                return;
            }
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) break;
        }
        kill_now();
    }

    pid_t pid_ = -1;
    std::string name_;
};

using lost_display_test = window_test;

TEST_F(lost_display_test, WindowGoesAwayQuietlyAndTheNextOneOpensElsewhere) {
    private_x_server server;
    if (server.name().empty()) GTEST_SKIP() << "cannot start a private Xvfb";
    name_desktop(server.name(), "0");
    set_graphics_mode(mode_fullscreen);
    ASSERT_NE(window_state.graphics_window, nullptr);
    ASSERT_TRUE(pump_until([] { return scene_calls.frames >= 2; }));

    server.kill_now();
    EXPECT_TRUE(
        pump_until([] { return window_state.current_graphics_mode != mode_fullscreen; }, 5.0));
    EXPECT_EQ(window_state.current_graphics_mode, mode_unsupported)
        << "hidden on the named display, which is gone";
    EXPECT_EQ(window_state.graphics_window, nullptr);
    EXPECT_EQ(window_state.gl_context, nullptr);
    pump_for(0.3);  // ticks go on without the server

    name_desktop("", "");
    set_graphics_mode(mode_window);
    ASSERT_NE(window_state.graphics_window, nullptr);
    EXPECT_EQ(window_state.graphics_window->connection->name, display_name);
    const int frames = scene_calls.frames;
    EXPECT_TRUE(pump_until([&] { return scene_calls.frames > frames + 1; }));
}

}  // namespace
