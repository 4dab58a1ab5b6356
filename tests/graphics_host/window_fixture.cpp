#include "tests/graphics_host/window_fixture.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <dlfcn.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "graphics_host/frame_tick.h"
#include "platform/message_loop.h"
#include "platform/x11_native.h"
#include "tests/support/test_support.h"
#include "tests/support/x_windows.h"

namespace {

// WORKAROUND(Mesa 22.3, GCC 12.2's LeakSanitizer, Debian 12): Mesa unloads its
// driver when the last connection that used it closes, and
// LeakSanitizer then cannot tell the driver's process-long caches from leaks:
// the driver is loaded up front, never to be unloaded.
bool pin_mesa_driver() {
    return dlopen("/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so", RTLD_NOW | RTLD_NODELETE) !=
           nullptr;
}

}  // namespace

void window_test::SetUp() {
    const std::optional<std::string> name = zf_test::test_display();
    ZF_REQUIRE_REAL_PART(name, "ZF_TEST_DISPLAY is not set");
    set_up_on(*name);
}

void window_test::set_up_on(const std::string& name) {
    display_name = name;
    setenv("DISPLAY", name.c_str(), 1);
    static const bool registered = [] {
        platform::set_thread_timer(30, frame_timer_tick);
        return register_window_class();
    }();
    ASSERT_TRUE(registered);
    static const bool driver_pinned = pin_mesa_driver();
    (void)driver_pinned;
    observer = XOpenDisplay(name.c_str());
    ASSERT_NE(observer, nullptr);
    scene_calls = recorded_scene_calls{};
}

// Lets go of every key and button that a test left held, so that the
// server's auto-repeat does not type into the next test.
namespace {
void release_everything(Display* d) {
    char keys[32] = {};
    XQueryKeymap(d, keys);
    for (int code = 8; code < 256; ++code) {
        if (keys[code / 8] & (1 << (code % 8))) XTestFakeKeyEvent(d, code, False, CurrentTime);
    }
    for (unsigned button = 1; button <= 3; ++button) XTestFakeButtonEvent(d, button, False, 0);
    XSync(d, False);
}

}  // namespace

void window_test::TearDown() {
    if (!observer) return;
    release_everything(observer);
    set_graphics_mode(mode_hide_graphics);
    reset_host_state();
    XCloseDisplay(observer);
}

bool window_test::pump_until(const std::function<bool()>& done, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    platform::message msg;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        if (platform::get_message(msg)) platform::dispatch_message(msg);
    }
    return true;
}

void window_test::pump_for(double seconds) {
    pump_until([] { return false; }, seconds);
}

// Done when a round trip on both connections brings the host nothing but its
// timer tick: a tick is delivered only when no other message waits, and the
// round trips put every event that the requests caused in the host's queue.
void window_test::settle() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (bool quiet = false; !quiet && std::chrono::steady_clock::now() < deadline;) {
        XSync(observer, False);
        Display* host_display = platform::x11_display(host_state.graphics_window);
        if (host_display) XSync(host_display, False);
        quiet = true;
        platform::message msg;
        while (std::chrono::steady_clock::now() < deadline && platform::get_message(msg)) {
            platform::dispatch_message(msg);
            if (msg.id == platform::wm_timer && !msg.window) break;
            quiet = false;
        }
    }
}

zf_test::x_window window_test::host_xid() const {
    return platform::x11_window_id(host_state.graphics_window);
}

platform::rect window_test::server_rect(zf_test::x_window xid, zf_test::x_display* display) const {
    const zf_test::root_rect r = zf_test::rect_on_root(display ? display : observer, xid);
    return platform::rect{r.left, r.top, r.right, r.bottom};
}

int window_test::cursor_count() {
    platform::show_cursor(true);
    return platform::show_cursor(false);
}

std::string window_test::second_display() { return zf_test::second_test_display().value_or(""); }

void name_desktop(const std::string& window_station, const std::string& desktop) {
    graphics_request_type& request = host_state.graphics_request;
    std::strncpy(request.window_station, window_station.c_str(), graphics_request_name_max);
    std::strncpy(request.desktop, desktop.c_str(), graphics_request_name_max);
}
