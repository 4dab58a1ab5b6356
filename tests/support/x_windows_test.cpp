// The test support's own look at other clients' windows: a window destroyed
// before or while it is looked at reads as gone, and the test process lives
// on, while errors outside such a look still reach the handler in place.
#include "tests/support/x_windows.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/support/private_x_server.h"
#include "tests/support/real_part.h"

// Xlib last: its macros (None, Bool, Always) break the headers above, and
// this comment keeps clang-format, which sorts only within a group, from
// moving it up.
#include <X11/Xlib.h>

namespace {

int errors_passed_on = 0;
int count_error(Display*, XErrorEvent*) {
    ++errors_passed_on;
    return 0;
}

class ForeignWindows : public ::testing::Test {
  protected:
    void SetUp() override {
        server = std::make_unique<zf_test::private_x_server>();
        ZF_REQUIRE_REAL_PART(!server->name().empty(), "no private Xvfb: " + server->failure());
        owner = XOpenDisplay(server->name().c_str());
        looker = XOpenDisplay(server->name().c_str());
        ASSERT_TRUE(owner && looker);
    }
    void TearDown() override {
        if (looker) XCloseDisplay(looker);
        if (owner) XCloseDisplay(owner);
    }

    // A mapped, titled window of the other client, destroyed at once.
    ::Window destroyed_window() {
        const ::Window window =
            XCreateSimpleWindow(owner, DefaultRootWindow(owner), 10, 20, 64, 48, 0, 0, 0);
        XStoreName(owner, window, "soon gone");
        XMapWindow(owner, window);
        XDestroyWindow(owner, window);
        XSync(owner, False);
        return window;
    }

    std::unique_ptr<zf_test::private_x_server> server;
    Display* owner = nullptr;
    Display* looker = nullptr;
};

TEST_F(ForeignWindows, ADestroyedWindowReadsAsGone) {
    const ::Window gone = destroyed_window();
    EXPECT_EQ(zf_test::title_of(looker, gone), "");
    EXPECT_FALSE(zf_test::viewable(looker, gone));
    const zf_test::root_rect rect = zf_test::rect_on_root(looker, gone);
    EXPECT_EQ(rect.right - rect.left, 0);
    EXPECT_TRUE(zf_test::windows_titled(looker, "soon gone").empty());
    EXPECT_FALSE(zf_test::query_foreign_windows(looker, [&] {
        XWindowAttributes attributes{};
        XGetWindowAttributes(looker, gone, &attributes);
        return true;
    }));
}

TEST_F(ForeignWindows, ALiveWindowIsSeen) {
    const ::Window window =
        XCreateSimpleWindow(owner, DefaultRootWindow(owner), 10, 20, 64, 48, 0, 0, 0);
    XStoreName(owner, window, "here");
    XMapWindow(owner, window);
    XSync(owner, False);
    EXPECT_EQ(zf_test::title_of(looker, window), "here");
    EXPECT_TRUE(zf_test::viewable(looker, window));
    const zf_test::root_rect rect = zf_test::rect_on_root(looker, window);
    EXPECT_EQ(rect.right - rect.left, 64);
    EXPECT_EQ(rect.bottom - rect.top, 48);
    EXPECT_EQ(zf_test::windows_titled(looker, "here").size(), 1u);
}

// The trap stays installed once made; an error outside every query goes to
// the handler that was there before it, or that replaced it meanwhile.
TEST_F(ForeignWindows, ErrorsOutsideAQueryReachTheHandlerInPlace) {
    const ::Window gone = destroyed_window();
    const XErrorHandler before = XSetErrorHandler(count_error);
    zf_test::viewable(looker, gone);
    errors_passed_on = 0;
    XWindowAttributes attributes{};
    XGetWindowAttributes(looker, gone, &attributes);
    XSync(looker, False);
    EXPECT_EQ(errors_passed_on, 1);
    XSetErrorHandler(before);
}

}  // namespace
