// The texture descriptor in real GL contexts: what a load leaves in the
// descriptor, the fitted size written back, and no drawing in a context that
// does not hold the texture (a window re-created during the poster phase).
#include "scene/texture_descriptor.h"

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "scene/ortho_view.h"
#include "tests/scene/offscreen_gl.h"
#include "tests/scene/test_jpeg.h"
#include "tests/support/real_part.h"
#include "tests/support/test_support.h"

namespace {

constexpr int width = 400, height = 300;
const rgb violet{0.1, 0, 0.5};

class TextureDescriptor : public testing::Test {
  protected:
    void SetUp() override {
        const std::optional<std::string> display = zf_test::test_display();
        ZF_REQUIRE_REAL_PART(display, "no X display in ZF_TEST_DISPLAY");
        ASSERT_TRUE(first.open(*display, width, height)) << first.error();
        ASSERT_TRUE(second.open(*display, width, height)) << second.error();
        first.make_current();
        ASSERT_TRUE(write_quarters_jpeg(image_path, 40, 30));
    }
    void TearDown() override { std::remove(image_path.c_str()); }

    // Clears to the poster's violet and draws the descriptor into the 1 x 1 box at the origin.
    frame_pixels draw(texture_descriptor& descriptor, const offscreen_gl& gl, float size[3]) {
        float pos[3] = {0, 0, 0};
        glViewport(0, 0, width, height);
        glClearColor(0.1f, 0.0f, 0.5f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glDepthFunc(GL_LEQUAL);
        enter_ortho_mode();
        enter_unshaded_mode();
        descriptor.draw(pos, size, align_centre, align_centre);
        leave_ortho_mode();
        return gl.read_frame();
    }

    offscreen_gl first, second;
    const std::string image_path = "/tmp/zf_texture_test_" + std::to_string(getpid()) + ".jpg";
};

TEST_F(TextureDescriptor, LoadFillsTheDescriptorAndDrawWritesBackTheFittedSize) {
    texture_descriptor descriptor{};
    ASSERT_EQ(descriptor.load(image_path.c_str()), texture_loaded);
    EXPECT_TRUE(descriptor.present);
    EXPECT_NE(descriptor.texture_name, 0u);
    EXPECT_EQ(descriptor.width, 40.0);
    EXPECT_EQ(descriptor.height, 30.0);
    float size[3] = {1, 1, 0};
    const frame_pixels frame = draw(descriptor, first, size);
    EXPECT_FLOAT_EQ(size[0], 1.0f);
    EXPECT_FLOAT_EQ(size[1], 0.75f);
    // A 4:3 image centred in the 1 x 1 box of a 4:3 viewport: its lower edge is at 0.125,
    // 50 pixels up, and its upper half is cut off.
    EXPECT_TRUE(colours_near(frame.at(100, 45), violet));
    EXPECT_TRUE(colours_near(frame.at(100, 100), quarter_colours[2], 0.06));
    EXPECT_TRUE(colours_near(frame.at(300, 100), quarter_colours[3], 0.06));
}

TEST_F(TextureDescriptor, FailedLoadLeavesNothingToDraw) {
    texture_descriptor descriptor{};
    EXPECT_EQ(descriptor.load("/nonexistent/poster.jpg"), texture_cannot_open);
    EXPECT_FALSE(descriptor.present);
    float size[3] = {1, 1, 0};
    const frame_pixels frame = draw(descriptor, first, size);
    EXPECT_TRUE(colours_near(frame.at(200, 150), violet));
}

TEST_F(TextureDescriptor, AnotherContextDoesNotDrawATextureItLacks) {
    texture_descriptor descriptor{};
    ASSERT_EQ(descriptor.load(image_path.c_str()), texture_loaded);
    second.make_current();
    float size[3] = {1, 1, 0};
    const frame_pixels frame = draw(descriptor, second, size);
    EXPECT_TRUE(colours_near(frame.at(100, 100), violet)) << describe(frame.at(100, 100));
}

}  // namespace
