// Display modes on a real X server: the windows that each mode makes, the
// rectangle that an ordinary window leaves behind, the cursor count, and
// the move to a named window station and desktop.
#include <algorithm>

#include "tests/graphics_host/window_fixture.h"
#include "tests/support/x_windows.h"

// Xlib last: its macros (None, Bool, Always) break the headers above, and
// this comment keeps clang-format, which sorts only within a group, from
// moving it up.
#include <X11/Xatom.h>
#include <X11/Xutil.h>

namespace {

using WindowModes = window_test;

bool override_redirect(Display* d, ::Window xid) {
    XWindowAttributes attributes{};
    XGetWindowAttributes(d, xid, &attributes);
    return attributes.override_redirect;
}

// Plays a window manager that has iconified or maximised the window.
void set_wm_state(Display* d, ::Window xid, bool iconic, bool maximized) {
    if (iconic) {
        const Atom wm_state = XInternAtom(d, "WM_STATE", False);
        const long state[2] = {3, None};
        XChangeProperty(d, xid, wm_state, wm_state, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(state), 2);
    }
    if (maximized) {
        const long atoms[2] = {
            static_cast<long>(XInternAtom(d, "_NET_WM_STATE_MAXIMIZED_VERT", False)),
            static_cast<long>(XInternAtom(d, "_NET_WM_STATE_MAXIMIZED_HORZ", False))};
        XChangeProperty(d, xid, XInternAtom(d, "_NET_WM_STATE", False), XA_ATOM, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(atoms), 2);
    }
    XSync(d, False);
}

TEST_F(WindowModes, OrdinaryWindowOpensAtTheDefaultRectangleWithItsTitleAndAGlContext) {
    set_graphics_mode(mode_window);
    ASSERT_NE(host_xid(), static_cast<::Window>(None));
    EXPECT_EQ(host_state.current_graphics_mode, mode_window);
    EXPECT_EQ(server_rect(host_xid()), (platform::rect{50, 50, 690, 530}));
    platform::rect outer{};
    ASSERT_TRUE(platform::get_window_rect(host_state.graphics_window, outer));
    EXPECT_EQ(outer, (platform::rect{50, 50, 690, 530}));
    EXPECT_EQ(zf_test::title_of(observer, host_xid()), "BOINC Application");
    EXPECT_FALSE(override_redirect(observer, host_xid()));
    EXPECT_NE(host_state.window_dc, nullptr);
    EXPECT_NE(host_state.gl_context, nullptr);
    // Once from WM_CREATE without a context, once at the end with it current.
    EXPECT_EQ(scene_calls.init_with_context, (std::vector<bool>{false, true}));
    EXPECT_GE(cursor_count(), 0);
    EXPECT_TRUE(pump_until([] { return scene_calls.frames >= 2; }));
}

struct rect_case {
    const char* name;
    int via_mode;     // the mode visited between the two ordinary windows
    bool move_first;  // the user moved and resized the first window
    bool iconic;      // a window manager had iconified it
    bool maximized;   // or maximised it
    platform::rect expected;
};

class SavedWindowRect : public window_test, public ::testing::WithParamInterface<rect_case> {};

TEST_P(SavedWindowRect, NextOrdinaryWindowOpensWhereTheLastOneWasLeft) {
    const rect_case& c = GetParam();
    set_graphics_mode(mode_window);
    ASSERT_NE(host_xid(), static_cast<::Window>(None));
    if (c.move_first) XMoveResizeWindow(observer, host_xid(), 120, 90, 300, 200);
    set_wm_state(observer, host_xid(), c.iconic, c.maximized);
    settle();
    // The server's size and state changes reach the window procedure as WM_SIZE.
    if (c.move_first) {
        EXPECT_NE(std::find(scene_calls.resizes.begin(), scene_calls.resizes.end(),
                            std::make_pair(300, 200)),
                  scene_calls.resizes.end());
    }
    EXPECT_EQ(host_state.window_visible, !c.iconic);
    set_graphics_mode(c.via_mode);
    set_graphics_mode(mode_blankscreen);
    ASSERT_NE(host_xid(), static_cast<::Window>(None));
    EXPECT_EQ(server_rect(host_xid()), c.expected);
    EXPECT_EQ(host_state.saved_window_rect, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SavedWindowRect,
    ::testing::Values(
        rect_case{"MovedThenHidden", mode_hide_graphics, true, false, false, {120, 90, 420, 290}},
        rect_case{"MovedThenFullScreen", mode_fullscreen, true, false, false, {120, 90, 420, 290}},
        rect_case{
            "MinimisedGivesDefault", mode_hide_graphics, true, true, false, {50, 50, 690, 530}},
        rect_case{
            "MaximisedGivesDefault", mode_hide_graphics, true, false, true, {50, 50, 690, 530}},
        rect_case{
            "UntouchedStaysDefault", mode_fullscreen, false, false, false, {50, 50, 690, 530}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WindowModes, SwitchToTheModeInForceChangesNothing) {
    set_graphics_mode(mode_window);
    const platform::window_handle first = host_state.graphics_window;
    const ::Window xid = host_xid();
    const int count = cursor_count();
    const std::size_t inits = scene_calls.init_with_context.size();
    set_graphics_mode(mode_window);
    EXPECT_EQ(host_state.graphics_window, first);
    EXPECT_EQ(host_xid(), xid);
    EXPECT_EQ(cursor_count(), count);
    EXPECT_EQ(scene_calls.init_with_context.size(), inits);
}

TEST_F(WindowModes, EveryChangeMakesANewWindowEvenBetweenLookAlikeModes) {
    set_graphics_mode(mode_window);
    const ::Window first = host_xid();
    set_graphics_mode(mode_blankscreen);
    EXPECT_NE(host_xid(), first);
    EXPECT_EQ(scene_calls.init_with_context.size(), 4u);
    XWindowAttributes attributes{};
    XSync(observer, False);
    EXPECT_FALSE(XGetWindowAttributes(observer, first, &attributes)) << "old window still exists";
}

TEST_F(WindowModes, ManySwitchesKeepABoundedNumberOfWindowRecords) {
    for (int i = 0; i < 60; ++i) {
        set_graphics_mode(i % 2 ? mode_hide_graphics : mode_blankscreen);
        pump_for(0.005);
    }
    EXPECT_LE(platform::x11_window_records(), 20u);
}

TEST_F(WindowModes, FullScreenCoversTheScreenOnTopWithFocusAndHidesTheCursor) {
    set_graphics_mode(mode_window);
    set_graphics_mode(mode_fullscreen);
    ASSERT_NE(host_xid(), static_cast<::Window>(None));
    settle();
    const int screen = DefaultScreen(observer);
    EXPECT_EQ(server_rect(host_xid()), (platform::rect{0, 0, DisplayWidth(observer, screen),
                                                       DisplayHeight(observer, screen)}));
    EXPECT_TRUE(override_redirect(observer, host_xid()));
    ::Window focus = None;
    int revert = 0;
    XGetInputFocus(observer, &focus, &revert);
    EXPECT_EQ(focus, host_xid());
    EXPECT_LT(cursor_count(), 0);

    set_graphics_mode(mode_hide_graphics);
    EXPECT_LT(cursor_count(), 0) << "the cursor stays hidden until an ordinary window";
    set_graphics_mode(mode_window);
    EXPECT_GE(cursor_count(), 0);
}

TEST_F(WindowModes, MinimisedWindowDrawsNothingAndRestoringDrawsAgain) {
    set_graphics_mode(mode_window);
    ASSERT_TRUE(pump_until([] { return scene_calls.frames >= 1; }));
    graphics_window_proc(host_state.graphics_window, platform::wm_size, platform::size_minimized,
                         0);
    EXPECT_FALSE(host_state.window_visible);
    EXPECT_EQ(scene_calls.resizes.back(), std::make_pair(0, 0));
    const int frames = scene_calls.frames;
    pump_for(0.3);
    EXPECT_EQ(scene_calls.frames, frames);
    graphics_window_proc(host_state.graphics_window, platform::wm_size, platform::size_maximized,
                         (768 << 16) | 1024);
    EXPECT_TRUE(host_state.window_visible);
    EXPECT_EQ(scene_calls.resizes.back(), std::make_pair(1024, 768));
    EXPECT_TRUE(pump_until([&] { return scene_calls.frames > frames; }));
}

TEST_F(WindowModes, NamedStationAndDesktopOpenThereAndReleaseReturnsToTheInitialDisplay) {
    const std::string other = second_display();
    ZF_REQUIRE_REAL_PART(!other.empty(), "ZF_TEST_DISPLAY2 is not set");
    name_desktop(other, "1");
    set_graphics_mode(mode_fullscreen);
    ASSERT_EQ(host_state.current_graphics_mode, mode_fullscreen);
    ASSERT_NE(host_xid(), static_cast<::Window>(None));
    EXPECT_EQ(platform::x11_display_name(host_state.graphics_window), other);
    EXPECT_EQ(platform::x11_screen(host_state.graphics_window), 1);
    Display* second = XOpenDisplay(other.c_str());
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(server_rect(host_xid(), second), (platform::rect{0, 0, 800, 600}));
    XCloseDisplay(second);
    EXPECT_NE(host_state.initial_window_station, nullptr);
    EXPECT_EQ(platform::get_process_window_station(), host_state.opened_window_station);

    // The names stay: a switch to a mode without a window goes there too.
    set_graphics_mode(mode_hide_graphics);
    EXPECT_EQ(platform::get_thread_desktop(), host_state.opened_desktop);

    name_desktop("", "");
    set_graphics_mode(mode_window);
    EXPECT_EQ(platform::get_process_window_station(), host_state.initial_window_station);
    EXPECT_EQ(platform::get_thread_desktop(), host_state.initial_desktop);
    ASSERT_NE(host_xid(), static_cast<::Window>(None));
    EXPECT_EQ(platform::x11_display_name(host_state.graphics_window), display_name);
}

struct unopenable_case {
    const char* name;
    const char* window_station;  // empty: the test display
    const char* desktop;
};

class UnopenableDesktop : public window_test,
                          public ::testing::WithParamInterface<unopenable_case> {};

TEST_P(UnopenableDesktop, GivesUnsupportedWithoutAWindowAndTheNextSwitchRecovers) {
    const unopenable_case& c = GetParam();
    set_graphics_mode(mode_window);
    name_desktop(*c.window_station ? c.window_station : display_name, c.desktop);
    set_graphics_mode(mode_fullscreen);
    EXPECT_EQ(host_state.current_graphics_mode, mode_unsupported);
    EXPECT_EQ(host_state.graphics_window, nullptr);
    EXPECT_EQ(host_state.window_dc, nullptr);
    EXPECT_EQ(host_state.gl_context, nullptr);
    pump_for(0.1);  // ticks with no window draw nothing and crash nothing

    name_desktop("", "");
    set_graphics_mode(mode_window);
    EXPECT_EQ(host_state.current_graphics_mode, mode_window);
    ASSERT_NE(host_xid(), static_cast<::Window>(None));
    EXPECT_EQ(platform::x11_display_name(host_state.graphics_window), display_name);
    EXPECT_EQ(platform::get_process_window_station(), host_state.initial_window_station);
}

INSTANTIATE_TEST_SUITE_P(Cases, UnopenableDesktop,
                         ::testing::Values(unopenable_case{"NoSuchDisplay", ":87654", "0"},
                                           unopenable_case{"GarbageDisplay", "not a display", "0"},
                                           unopenable_case{"NoSuchScreen", "", "7"},
                                           unopenable_case{"ScreenNotANumber", "", "Default"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WindowModes, ClassCannotBeRegisteredTwiceNorUnregisteredWhileAWindowExists) {
    EXPECT_FALSE(register_window_class());
    set_graphics_mode(mode_window);
    ASSERT_NE(host_state.graphics_window, nullptr);
    EXPECT_TRUE(unregister_window_class());
    EXPECT_EQ(host_state.app_instance, nullptr) << "a failed unregistration clears the instance";
    host_state.app_instance = platform::get_module_handle();
}

}  // namespace
