// A volunteer's desktop of a test's own: an X server with a framing window
// manager, or XWayland under a headless Wayland compositor, on a display
// number that the server chooses itself. Every process that it starts is
// ended with it.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/private_x_server.h"

namespace zf_test {

enum class desktop_kind {
    bare_xvfb,        // Xvfb alone: no window manager, no frames
    openbox,          // Openbox 3.6 on Xvfb (LXDE, LXQt)
    metacity,         // Metacity 3.46 on Xvfb (GNOME Flashback)
    icewm,            // IceWM 3.3 on Xvfb, with its taskbar, as icewm-session runs it
    fvwm,             // FVWM 2.7 on Xvfb, with Debian's default configuration
    pekwm,            // pekwm 0.1.18 on Xvfb: frames it never publishes
    xwayland_weston,  // Xwayland under Weston's headless back-end
};

// "BareXvfb", "Openbox", "Metacity", "IceWm", "Fvwm", "Pekwm", "XwaylandWeston":
// names for test cases.
const char* desktop_name(desktop_kind kind);

class desktop_session {
  public:
    explicit desktop_session(desktop_kind kind);
    ~desktop_session();
    desktop_session(const desktop_session&) = delete;
    desktop_session& operator=(const desktop_session&) = delete;

    // ":N" once the display answers and its window manager (if any) runs;
    // "" when the desktop could not start, and failure() says why.
    const std::string& display() const { return display_; }
    const std::string& failure() const { return failure_; }

  private:
    void start_xvfb_with(const char* window_manager, const std::vector<std::string>& wm_argv);
    void start_weston();
    bool wait_for_window_manager(double seconds);
    bool wait_for_banner_to_go(double seconds);
    void stop();

    std::unique_ptr<private_x_server> x_server_;
    std::vector<pid_t> process_groups_;  // each started program leads its own group
    std::string runtime_dir_;
    std::string display_;
    std::string failure_;
};

}  // namespace zf_test
