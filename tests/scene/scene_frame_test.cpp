// The scene's callbacks in a real GL context on Xvfb: set-up, resize, keys and
// the animated frame, read back pixel by pixel.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

#include "scene/animated_scene.h"
#include "scene/app_graphics.h"
#include "scene/scene_motion.h"
#include "scene/scene_state.h"
#include "tests/scene/frame_pixels.h"
#include "tests/scene/offscreen_gl.h"
#include "tests/scene/scene_view.h"
#include "tests/support/real_part.h"
#include "tests/support/test_support.h"

namespace {

constexpr int frame_size = 400;
// A wall-clock time like the host's; every test measures from it.
constexpr double first_frame_time = 1.7e9;
const rgb background{0, 0, 0.3};
const rgb yellow{1, 1, 0};

class SceneFrame : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        const std::optional<std::string> display = zf_test::test_display();
        if (!display) return;
        gl = std::make_unique<offscreen_gl>();
        gl_ready = gl->open(*display, frame_size, frame_size);
    }
    static void TearDownTestSuite() { gl.reset(); }

    void SetUp() override {
        ZF_REQUIRE_REAL_PART(gl, "no X display in ZF_TEST_DISPLAY");
        ASSERT_TRUE(gl_ready) << gl->error();
        gl->make_current();
        testing::internal::CaptureStderr();
        app_graphics_init();
        app_graphics_resize(frame_size, frame_size);
        testing::internal::GetCapturedStderr();
    }

    // The frame at this elapsed time, the process's first frame having been drawn at
    // first_frame_time.
    static frame_pixels frame_at(double elapsed) {
        if (scene_state.start_time < 0)
            app_graphics_draw_frame(frame_size, frame_size, first_frame_time);
        app_graphics_draw_frame(frame_size, frame_size, first_frame_time + elapsed);
        return gl->read_frame();
    }

    static screen_point on_screen(double elapsed, const world_point& point) {
        const eye_position eye = eye_position_at(elapsed);
        return project_scene_point({eye.x, eye.y, eye.z}, point, frame_size, frame_size);
    }

    static std::unique_ptr<offscreen_gl> gl;
    static bool gl_ready;
};

std::unique_ptr<offscreen_gl> SceneFrame::gl;
bool SceneFrame::gl_ready = false;

// True when some pixel within radius of the point has the colour, allowing for a
// software rasteriser's rounding of line and point edges.
bool colour_near_point(const frame_pixels& frame, screen_point point, const rgb& colour,
                       int radius = 2) {
    for (int dy = -radius; dy <= radius; dy++) {
        for (int dx = -radius; dx <= radius; dx++) {
            const int x = static_cast<int>(point.x) + dx;
            const int y = static_cast<int>(point.y) + dy;
            if (x < 0 || y < 0 || x >= frame.width || y >= frame.height) continue;
            if (colours_near(frame.at(x, y), colour)) return true;
        }
    }
    return false;
}

rgb additive_over_background(const square_colour& square) {
    auto clamp = [](double value) { return std::clamp(value, 0.0, 1.0); };
    const double a = square.alpha;
    return {clamp(background.red + a * clamp(square.red)),
            clamp(background.green + a * clamp(square.green)),
            clamp(background.blue + a * clamp(square.blue))};
}

TEST_F(SceneFrame, InitSetsTheWholeSceneStateAgainOnEveryCall) {
    glClearColor(0.1f, 0.0f, 0.5f, 0.0f);
    glDepthFunc(GL_LESS);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    graphics_initialized = false;
    testing::internal::CaptureStderr();
    app_graphics_init();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "GFX: app_graphics_init() called. \n");
    EXPECT_TRUE(graphics_initialized.load());

    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_NEAR(clear[0], 0.0, 1e-6);
    EXPECT_NEAR(clear[1], 0.0, 1e-6);
    EXPECT_NEAR(clear[2], 0.3, 1e-6);
    GLint depth_func = 0, matrix_mode = 0, shade_model = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &depth_func);
    glGetIntegerv(GL_MATRIX_MODE, &matrix_mode);
    glGetIntegerv(GL_SHADE_MODEL, &shade_model);
    EXPECT_EQ(depth_func, GL_LEQUAL);
    EXPECT_EQ(matrix_mode, GL_MODELVIEW);
    EXPECT_EQ(shade_model, GL_FLAT);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    // glFrustum(-1, 1, -1, 1, 1, 20) in column-major order.
    GLdouble projection[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    const double expected[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -21.0 / 19, -1, 0, 0, -40.0 / 19, 0};
    for (int i = 0; i < 16; i++) EXPECT_NEAR(projection[i], expected[i], 1e-6) << i;
}

TEST_F(SceneFrame, InitWithoutAContextStillLogsAndSetsTheFlag) {
    gl->release_current();
    graphics_initialized = false;
    testing::internal::CaptureStderr();
    app_graphics_init();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "GFX: app_graphics_init() called. \n");
    EXPECT_TRUE(graphics_initialized.load());
    gl->make_current();
}

TEST_F(SceneFrame, ResizeLogsAndSetsTheViewport) {
    for (const auto& size : {std::pair{640, 480}, std::pair{0, 0}}) {
        testing::internal::CaptureStderr();
        app_graphics_resize(size.first, size.second);
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "GFX: app_graphics_resize(" + std::to_string(size.first) + ", " +
                      std::to_string(size.second) + ") called. \n");
        GLint viewport[4];
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_EQ(viewport[0], 0);
        EXPECT_EQ(viewport[1], 0);
        EXPECT_EQ(viewport[2], size.first);
        EXPECT_EQ(viewport[3], size.second);
    }
}

TEST_F(SceneFrame, KeysAreLoggedWithTheirNamedLines) {
    const struct {
        int key;
        const char* named_line;
    } cases[] = {{16, " SHIFT key\n"}, {112, " F1 key\n"}, {65, " A key\n"}, {66, ""}, {17, ""}};
    for (const auto& c : cases) {
        const int key_data = 0x2a0001;
        testing::internal::CaptureStderr();
        boinc_app_key_press(c.key, key_data);
        boinc_app_key_release(c.key, key_data | static_cast<int>(0xC0000000u));
        const std::string key = std::to_string(c.key);
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "GFX: boinc_app_key_press(" + key + ",2752513)\n" + c.named_line +
                      "GFX: boinc_app_key_release(" + key + ",-1070989311)\n");
    }
}

TEST_F(SceneFrame, CubeCornersAreWhereTheCirclingCameraPutsThem) {
    for (const double elapsed : {0.0, 2.5, 5.0, 12.5, -5.0}) {
        SCOPED_TRACE("elapsed " + std::to_string(elapsed));
        const frame_pixels frame = frame_at(elapsed);
        EXPECT_TRUE(colours_near(frame.at(3, 3), background)) << describe(frame.at(3, 3));
        EXPECT_TRUE(colours_near(frame.at(frame_size - 3, frame_size - 3), background));
        for (const double x : {-0.5, 0.5}) {
            for (const double y : {-0.5, 0.5}) {
                for (const double z : {-0.5, 0.5}) {
                    const screen_point corner = on_screen(elapsed, {x, y, z});
                    EXPECT_TRUE(colour_near_point(frame, corner, yellow))
                        << "corner " << x << "," << y << "," << z << " at " << corner.x << ","
                        << corner.y;
                }
            }
        }
    }
}

TEST_F(SceneFrame, SquareAddsItsColourOverTheBackground) {
    // The square faces the camera (or shows its back) at these times; at 0 it is edge-on.
    for (const double elapsed : {5.0, 16.0, -5.0, 15.0}) {
        SCOPED_TRACE("elapsed " + std::to_string(elapsed));
        const frame_pixels frame = frame_at(elapsed);
        const rgb expected = additive_over_background(square_colour_at(elapsed));
        for (const world_point point : {world_point{0.15, 0.15, 0}, world_point{-0.15, -0.15, 0}}) {
            const screen_point spot = on_screen(elapsed, point);
            const rgb actual = frame.at(static_cast<int>(spot.x), static_cast<int>(spot.y));
            EXPECT_TRUE(colours_near(actual, expected, 0.025))
                << describe(actual) << " expected " << describe(expected);
        }
    }
}

TEST_F(SceneFrame, TitleIsDrawnInTheSquareColourInTheLowerHalfNearTheCentre) {
    for (const double elapsed : {5.0, 16.0, 0.0}) {
        SCOPED_TRACE("elapsed " + std::to_string(elapsed));
        const frame_pixels frame = frame_at(elapsed);
        const square_colour square = square_colour_at(elapsed);
        const rgb title{1, square.green, square.blue};
        const screen_point anchor = on_screen(elapsed, {-0.25, -1.5, 0});
        // A band around the baseline, which leaves out the red axis point at elapsed 0.
        const int band_bottom = std::max(0, static_cast<int>(anchor.y) - 10);
        const int band_top = std::min(frame_size, static_cast<int>(anchor.y) + 30);
        int count = 0, left = frame_size, right = -1, top = -1;
        for (int y = band_bottom; y < band_top; y++) {
            for (int x = 0; x < frame_size; x++) {
                if (!colours_near(frame.at(x, y), title)) continue;
                count++;
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::max(top, y);
            }
        }
        EXPECT_GT(count, 150);
        EXPECT_LT(top, frame_size / 2);
        EXPECT_NEAR(left, anchor.x, 3);
        EXPECT_NEAR((left + right) / 2, frame_size / 2, frame_size / 4);
        EXPECT_NEAR(right - left, 150, 40) << "twelve Times Roman 24 characters";
    }
}

TEST_F(SceneFrame, AxisPointsShowTheirColours) {
    // Not at 2.5 s: the near vertical edge then hides the origin.
    const double elapsed = 1.5;
    const frame_pixels frame = frame_at(elapsed);
    const struct {
        world_point point;
        rgb colour;
    } points[] = {{{0, 0, 0}, {1, 1, 1}},
                  {{0.75, 0, 0}, {1, 0, 0}},
                  {{0, 0.75, 0}, {0, 1, 0}},
                  {{0, 0, 0.75}, {0, 0, 1}}};
    for (const auto& p : points) {
        const screen_point spot = on_screen(elapsed, p.point);
        EXPECT_TRUE(colour_near_point(frame, spot, p.colour, 1))
            << describe(p.colour) << " at " << spot.x << "," << spot.y << " is "
            << describe(frame.at(static_cast<int>(spot.x), static_cast<int>(spot.y)));
    }
}

}  // namespace
