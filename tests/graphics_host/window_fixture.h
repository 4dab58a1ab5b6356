// Shared set-up of the window tests: the host on a test X server, an
// observer connection that looks at its windows and injects input through
// XTest, and a message pump that runs the host's queue and frame timer.
//
// Xlib is not included, so that its macros (None, Bool) cannot break the
// headers that a test includes after this one; a test that calls Xlib itself
// includes it after all other headers.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

#include "graphics_host/graphics_mode.h"
#include "graphics_host/host_state.h"
#include "graphics_host/mode_switch.h"
#include "graphics_host/window_procedure.h"
#include "platform/x11_native.h"
#include "tests/graphics_host/recording_scene.h"
#include "tests/support/real_part.h"
#include "tests/support/x_windows.h"

namespace platform {
inline bool operator==(const rect& a, const rect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline void PrintTo(const rect& r, std::ostream* out) {
    *out << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}
}  // namespace platform

class window_test : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // The set-up on a display that the test chose, such as a desktop of its own.
    void set_up_on(const std::string& display);

    // Runs the host's messages and frame ticks until done() holds or the time is up.
    bool pump_until(const std::function<bool()>& done, double seconds = 3.0);
    void pump_for(double seconds);
    // Makes the observer's requests reach the server, then lets the host see their events.
    void settle();

    zf_test::x_window host_xid() const;
    // Geometry of a host window as the server sees it, in root coordinates.
    platform::rect server_rect(zf_test::x_window xid, zf_test::x_display* display = nullptr) const;
    static int cursor_count();
    static std::string second_display();

    zf_test::x_display* observer = nullptr;
    std::string display_name;
};

// Names the window station and desktop of the next switches, as a request would.
void name_desktop(const std::string& window_station, const std::string& desktop);
