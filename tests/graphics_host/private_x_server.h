// An X server of a test's own, so that the test can kill it.
#pragma once

#include <X11/Xlib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

class private_x_server {
  public:
    // Tries display numbers from first_display on, skipping those in use;
    // name() is empty when no server could be started.
    explicit private_x_server(int first_display) {
        for (int n = first_display; n < first_display + 50 && name_.empty(); ++n) {
            if (access(("/tmp/.X" + std::to_string(n) + "-lock").c_str(), F_OK) == 0) continue;
            start(n);
        }
    }
    ~private_x_server() { kill_now(); }
    private_x_server(const private_x_server&) = delete;
    private_x_server& operator=(const private_x_server&) = delete;

    const std::string& name() const { return name_; }
    void kill_now() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
        if (name_.empty()) return;  // never ours: the lock may be another server's
        // A killed server leaves its lock and socket, which would keep the
        // number from the next test that looks for a free one.
        unlink(("/tmp/.X" + std::to_string(number_) + "-lock").c_str());
        unlink(("/tmp/.X11-unix/X" + std::to_string(number_)).c_str());
    }

  private:
    void start(int n) {
        const std::string display = ":" + std::to_string(n);
        number_ = n;
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
    int number_ = -1;
    std::string name_;
};
