// X servers of a test's own, which the test may kill, and a display name that
// no server can answer.
#pragma once

#include <sys/types.h>

#include <string>

namespace zf_test {

// An Xvfb that chooses a free display number itself and reports it
// (-displayfd), so that tests started together never race for a number and
// none ever talks to another test's server.
class private_x_server {
  public:
    explicit private_x_server(const std::string& screen_size = "640x480x24");
    ~private_x_server();
    private_x_server(const private_x_server&) = delete;
    private_x_server& operator=(const private_x_server&) = delete;

    // ":N", or "" when no server could be started; failure() then says why.
    const std::string& name() const { return name_; }
    const std::string& failure() const { return failure_; }
    // Ends the server at once, as a crash would.
    void kill_now();

  private:
    void start(const std::string& screen_size);

    pid_t pid_ = -1;
    std::string name_;
    std::string failure_;
};

// A display number whose socket this object holds without listening, so that
// connecting to name() is refused and no X server can take the number while
// it lives. name() is "" when no number could be held.
class unopenable_display {
  public:
    unopenable_display();
    ~unopenable_display();
    unopenable_display(const unopenable_display&) = delete;
    unopenable_display& operator=(const unopenable_display&) = delete;

    const std::string& name() const { return name_; }

  private:
    int socket_ = -1;
    std::string name_;
};

}  // namespace zf_test
