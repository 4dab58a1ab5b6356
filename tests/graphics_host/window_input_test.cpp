// Input to the graphics window through the real X server: keys and the mouse
// reach the scene in window and blank-screen modes, and the first sign of a
// user ends a full-screen display. Input is injected with XTest.
#include "tests/graphics_host/window_fixture.h"

// Xlib last: its macros (None, Bool, Always) break the headers above, and
// this comment keeps clang-format, which sorts only within a group, from
// moving it up.
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

using WindowInput = window_test;

void fake_key(Display* d, KeySym sym, bool press) {
    XTestFakeKeyEvent(d, XKeysymToKeycode(d, sym), press ? True : False, CurrentTime);
}

// XTest moves the pointer only within the screen it is on, and another test
// may have left it on the display's second screen: a warp brings it back.
void fake_motion(Display* d, int x, int y) {
    ::Window root = None, child = None;
    int root_x = 0, root_y = 0, window_x = 0, window_y = 0;
    unsigned mask = 0;
    const ::Window screen_root = RootWindow(d, DefaultScreen(d));
    if (!XQueryPointer(d, screen_root, &root, &child, &root_x, &root_y, &window_x, &window_y,
                       &mask)) {
        XWarpPointer(d, None, screen_root, 0, 0, 0, 0, x, y);
    }
    XTestFakeMotionEvent(d, DefaultScreen(d), x, y, CurrentTime);
}

struct activity_case {
    const char* name;
    void (*act)(Display*);
    // Input before the full-screen window exists, if any.
    void (*before)(Display*) = nullptr;
};

class FullScreenExit : public window_test, public ::testing::WithParamInterface<activity_case> {};

TEST_P(FullScreenExit, FirstActivityEndsTheDisplayAndTheSceneGetsNothing) {
    if (GetParam().before) GetParam().before(observer);
    fake_motion(observer, 300, 200);
    settle();
    set_graphics_mode(mode_fullscreen);
    ASSERT_NE(host_xid(), static_cast<::Window>(None));
    EXPECT_EQ(host_state.creation_cursor_pos.x, 300);
    EXPECT_EQ(host_state.creation_cursor_pos.y, 200);
    settle();
    ASSERT_EQ(host_state.current_graphics_mode, mode_fullscreen);

    GetParam().act(observer);
    XSync(observer, False);
    EXPECT_TRUE(pump_until([] { return host_state.current_graphics_mode == mode_quit; }));
    EXPECT_EQ(host_state.graphics_window, nullptr);
    pump_for(0.1);  // whatever followed the activity goes nowhere
    EXPECT_TRUE(scene_calls.keys.empty());
    EXPECT_TRUE(scene_calls.moves.empty());
    EXPECT_TRUE(scene_calls.buttons.empty());
    EXPECT_LT(cursor_count(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Activities, FullScreenExit,
    ::testing::Values(
        activity_case{"KeyPress", [](Display* d) { fake_key(d, XK_space, true); }},
        activity_case{"KeyPressAndRelease",
                      [](Display* d) {
                          fake_key(d, XK_a, true);
                          fake_key(d, XK_a, false);
                      }},
        activity_case{"ReleaseOfAKeyPressedBefore", [](Display* d) { fake_key(d, XK_b, false); },
                      [](Display* d) { fake_key(d, XK_b, true); }},
        activity_case{"LeftButton", [](Display* d) { XTestFakeButtonEvent(d, 1, True, 0); }},
        activity_case{"MiddleButton", [](Display* d) { XTestFakeButtonEvent(d, 2, True, 0); }},
        activity_case{"RightButtonRelease",
                      [](Display* d) {
                          XTestFakeButtonEvent(d, 3, True, 0);
                          XTestFakeButtonEvent(d, 3, False, 0);
                      }},
        activity_case{"OnePixelRight", [](Display* d) { fake_motion(d, 301, 200); }},
        activity_case{"OnePixelUp", [](Display* d) { fake_motion(d, 300, 199); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WindowInput, InFullScreenAMoveAtTheCreationPointTheWheelAndSystemKeysDoNotEndIt) {
    fake_motion(observer, 300, 200);
    settle();
    set_graphics_mode(mode_fullscreen);
    settle();
    graphics_window_proc(host_state.graphics_window, platform::wm_mousemove, 0, 0);
    XTestFakeButtonEvent(observer, 4, True, 0);
    XTestFakeButtonEvent(observer, 4, False, 0);
    fake_key(observer, XK_F10, true);  // a system key
    fake_key(observer, XK_F10, false);
    settle();
    EXPECT_EQ(host_state.current_graphics_mode, mode_fullscreen);
    EXPECT_NE(host_state.graphics_window, nullptr);
}

class SceneInput : public window_test, public ::testing::WithParamInterface<int> {};

TEST_P(SceneInput, KeysReachTheSceneWithWindowsKeyData) {
    set_graphics_mode(GetParam());
    settle();
    const KeySym keys[] = {XK_Shift_L, XK_F1, XK_a, XK_b, XK_Left};
    const int expected_vk[] = {16, 112, 65, 66, 37};
    for (KeySym sym : keys) {
        fake_key(observer, sym, true);
        fake_key(observer, sym, false);
    }
    XSync(observer, False);
    ASSERT_TRUE(pump_until([] { return scene_calls.keys.size() >= 10; }));
    for (std::size_t i = 0; i < 5; ++i) {
        const int scan_code = XKeysymToKeycode(observer, keys[i]) - 8;
        const key_call& press = scene_calls.keys[2 * i];
        const key_call& release = scene_calls.keys[2 * i + 1];
        EXPECT_TRUE(press.press);
        EXPECT_EQ(press.key, expected_vk[i]);
        EXPECT_EQ(static_cast<unsigned>(press.key_data), 1u | (scan_code << 16));
        EXPECT_FALSE(release.press);
        EXPECT_EQ(release.key, expected_vk[i]);
        EXPECT_EQ(static_cast<unsigned>(release.key_data),
                  1u | (scan_code << 16) | (1u << 30) | (1u << 31));
    }
    EXPECT_EQ(host_state.current_graphics_mode, GetParam());
}

TEST_P(SceneInput, HeldKeyRepeatsWithTheRepeatBitAndReleasesOnce) {
    set_graphics_mode(GetParam());
    settle();
    fake_key(observer, XK_a, true);
    XSync(observer, False);
    // The server's own auto-repeat starts after about half a second.
    pump_for(1.2);
    fake_key(observer, XK_a, false);
    XSync(observer, False);
    ASSERT_TRUE(
        pump_until([] { return !scene_calls.keys.empty() && !scene_calls.keys.back().press; }));
    ASSERT_GE(scene_calls.keys.size(), 3u) << "no auto-repeat seen";
    EXPECT_FALSE(scene_calls.keys[0].key_data & (1 << 30));
    for (std::size_t i = 1; i + 1 < scene_calls.keys.size(); ++i) {
        EXPECT_TRUE(scene_calls.keys[i].press) << "a repeat must not be released in between";
        EXPECT_TRUE(scene_calls.keys[i].key_data & (1 << 30));
    }
}

TEST_P(SceneInput, PointerGoesToTheSceneInScreenCoordinatesWithItsButtons) {
    set_graphics_mode(GetParam());
    XMoveWindow(observer, host_xid(), 200, 150);
    fake_motion(observer, 260, 170);
    settle();
    scene_calls.moves.clear();
    // The position is read when each message is handled, so each step settles first.
    XTestFakeButtonEvent(observer, 1, True, 0);
    settle();
    XTestFakeButtonEvent(observer, 3, True, 0);
    fake_motion(observer, 270, 180);
    settle();
    XTestFakeButtonEvent(observer, 3, False, 0);
    XTestFakeButtonEvent(observer, 1, False, 0);
    XSync(observer, False);
    ASSERT_TRUE(pump_until([] { return scene_calls.buttons.size() >= 4; }));
    ASSERT_FALSE(scene_calls.moves.empty());
    const pointer_move_call& move = scene_calls.moves.back();
    EXPECT_EQ(move.x, 270);
    EXPECT_EQ(move.y, 180);
    EXPECT_TRUE(move.left);
    EXPECT_FALSE(move.middle);
    EXPECT_TRUE(move.right);
    const pointer_button_call& first = scene_calls.buttons[0];
    EXPECT_EQ(first.x, 260);
    EXPECT_EQ(first.y, 170);
    EXPECT_EQ(first.which, 0);
    EXPECT_TRUE(first.down);
    EXPECT_EQ(scene_calls.buttons[1].which, 2);
    EXPECT_FALSE(scene_calls.buttons[2].down);
    EXPECT_EQ(host_state.current_graphics_mode, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Modes, SceneInput,
                         ::testing::Values(static_cast<int>(mode_window),
                                           static_cast<int>(mode_blankscreen)),
                         [](const auto& info) {
                             return std::string(info.param == mode_window ? "Window" : "Blank");
                         });

TEST(DecodeMouseButton, MapsEachButtonMessage) {
    struct {
        unsigned message;
        int which;
        bool down;
    } const cases[] = {{platform::wm_lbuttondown, 0, true}, {platform::wm_lbuttonup, 0, false},
                       {platform::wm_mbuttondown, 1, true}, {platform::wm_mbuttonup, 1, false},
                       {platform::wm_rbuttondown, 2, true}, {platform::wm_rbuttonup, 2, false}};
    for (const auto& c : cases) {
        int which = -1;
        bool down = !c.down;
        decode_mouse_button(c.message, which, down);
        EXPECT_EQ(which, c.which) << c.message;
        EXPECT_EQ(down, c.down) << c.message;
    }
}

void send_client_message(Display* d, ::Window xid, Atom type, long data0) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = xid;
    event.xclient.message_type = type;
    event.xclient.format = 32;
    event.xclient.data.l[0] = data0;
    XSendEvent(d, xid, False, NoEventMask, &event);
    XSync(d, False);
}

TEST_F(WindowInput, CloseUnderACoreClientHidesTheWindow) {
    set_graphics_mode(mode_window);
    send_client_message(observer, host_xid(), XInternAtom(observer, "WM_PROTOCOLS", False),
                        static_cast<long>(XInternAtom(observer, "WM_DELETE_WINDOW", False)));
    EXPECT_TRUE(pump_until([] { return host_state.current_graphics_mode == mode_hide_graphics; }));
    EXPECT_EQ(host_state.graphics_window, nullptr);
}

TEST_F(WindowInput, RegisteredMessageBringsTheWindowToTheFront) {
    EXPECT_GE(set_foreground_message, 0xC000u);
    EXPECT_LE(set_foreground_message, 0xFFFFu);
    EXPECT_EQ(platform::register_window_message("BOINCSetForegroundWindow"),
              set_foreground_message);
    set_graphics_mode(mode_window);
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    const ::Window cover =
        XCreateWindow(observer, DefaultRootWindow(observer), 0, 0, 800, 600, 0, CopyFromParent,
                      InputOutput, CopyFromParent, CWOverrideRedirect, &attributes);
    XMapRaised(observer, cover);
    XSync(observer, False);
    auto topmost = [&] {
        ::Window root = None;
        ::Window parent = None;
        ::Window* children = nullptr;
        unsigned count = 0;
        XQueryTree(observer, DefaultRootWindow(observer), &root, &parent, &children, &count);
        const ::Window top = count ? children[count - 1] : None;
        if (children) XFree(children);
        return top;
    };
    ASSERT_EQ(topmost(), cover);
    send_client_message(observer, host_xid(),
                        XInternAtom(observer, "BOINCSetForegroundWindow", False), 0);
    settle();
    EXPECT_EQ(topmost(), host_xid());
    XDestroyWindow(observer, cover);
}

}  // namespace
