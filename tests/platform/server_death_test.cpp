// A window's X server dies while the process goes on drawing into it, as
// happens between the server's death and the moment the program notices.
#include <gtest/gtest.h>

#include <vector>

#include "tests/support/private_x_server.h"
#include "tests/support/real_part.h"

// Xlib last: its macros (None, Bool, Always) break the headers above, and
// this comment keeps clang-format, which sorts only within a group, from
// moving it up.
#include <GL/gl.h>
#include <GL/glx.h>
#include <X11/Xlib.h>

namespace {

int keep_running(Display*) { return 0; }
void keep_running_too(Display*, void*) {}

// A connection to a private server that the test can kill without ending the process.
class DyingServer : public testing::Test {
  protected:
    void SetUp() override {
        ZF_REQUIRE_REAL_PART(!server_.name().empty(), "no private Xvfb: " + server_.failure());
        XSetIOErrorHandler(keep_running);
        display_ = XOpenDisplay(server_.name().c_str());
        ASSERT_NE(display_, nullptr);
        XSetIOErrorExitHandler(display_, keep_running_too, nullptr);
    }
    // The Display is left open: GLX may still refer to it, as in the program.

    Window open_window(int x, int y, unsigned width, unsigned height, XVisualInfo* visual) {
        XSetWindowAttributes attributes{};
        const Window root = RootWindow(display_, DefaultScreen(display_));
        attributes.colormap = XCreateColormap(display_, root, visual->visual, AllocNone);
        const Window w = XCreateWindow(display_, root, x, y, width, height, 0, visual->depth,
                                       InputOutput, visual->visual, CWColormap, &attributes);
        XMapWindow(display_, w);
        XSync(display_, False);
        return w;
    }

    void kill_server() {
        server_.kill_now();
        XSync(display_, False);  // finds the server gone
    }

    zf_test::private_x_server server_;
    Display* display_ = nullptr;
};

TEST_F(DyingServer, GeometryOfADeadServerIsTheLastOneItGave) {
    int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, None};
    XVisualInfo* visual = glXChooseVisual(display_, DefaultScreen(display_), attributes);
    ASSERT_NE(visual, nullptr);
    const Window known = open_window(10, 20, 300, 200, visual);
    const Window never_asked = open_window(0, 0, 50, 50, visual);
    XFree(visual);
    Window root;
    int x, y;
    unsigned width, height, border, depth;
    ASSERT_NE(XGetGeometry(display_, known, &root, &x, &y, &width, &height, &border, &depth), 0);
    kill_server();

    width = height = 12345;
    EXPECT_EQ(XGetGeometry(display_, known, &root, &x, &y, &width, &height, &border, &depth), 0)
        << "a dead server still answers as a failure";
    EXPECT_EQ(width, 300u);
    EXPECT_EQ(height, 200u);
    EXPECT_EQ(XGetGeometry(display_, never_asked, &root, &x, &y, &width, &height, &border, &depth),
              0);
    EXPECT_EQ(width, 0u);
    EXPECT_EQ(height, 0u);
}

// The renderer sizes its buffers from the window's geometry after each swap;
// with a dead server it must keep the size it had rather than take a stray one.
TEST_F(DyingServer, DrawingOnAfterTheServerDiedLeavesTheProcessWhole) {
    int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_DEPTH_SIZE, 16, None};
    XVisualInfo* visual = glXChooseVisual(display_, DefaultScreen(display_), attributes);
    ASSERT_NE(visual, nullptr);
    const Window w = open_window(0, 0, 400, 300, visual);
    GLXContext context = glXCreateContext(display_, visual, nullptr, True);
    XFree(visual);
    ASSERT_NE(context, nullptr);
    ASSERT_TRUE(glXMakeCurrent(display_, w, context));
    auto draw_frames = [&](int frames) {
        for (int i = 0; i < frames; ++i) {
            glClearColor(0.0f, 0.0f, 0.3f, 1.0f);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            glXSwapBuffers(display_, w);
        }
    };
    draw_frames(3);
    kill_server();
    draw_frames(200);
    std::vector<unsigned char> pixels(400 * 300 * 4);
    glReadPixels(0, 0, 400, 300, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    EXPECT_NEAR(pixels[pixels.size() - 2], 76, 1) << "the far corner is still the clear colour";
}

}  // namespace
