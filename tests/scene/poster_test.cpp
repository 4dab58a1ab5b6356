// The poster in fresh processes, since its load happens once per process: each
// case runs the snapshot tool in a slot-like directory and checks its log lines
// and the last frame's pixels.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "tests/scene/frame_pixels.h"
#include "tests/scene/test_jpeg.h"
#include "tests/support/real_part.h"
#include "tests/support/test_support.h"

namespace {

const rgb violet{0.1, 0, 0.5};
const std::string poster_name = "QuenlartPoster3.jpg";
const std::string scene_set_up_lines = "GFX: app_graphics_init() called. \n";
// A few frames in a fresh process; far more than they take on a loaded machine.
constexpr double snapshot_timeout_seconds = 60;

struct snapshot_run {
    int exit_status = -1;
    std::string log;
    frame_pixels frame;
};

class Poster : public testing::Test {
  protected:
    void SetUp() override {
        const std::optional<std::string> display = zf_test::test_display();
        ZF_REQUIRE_REAL_PART(display, "no X display in ZF_TEST_DISPLAY");
        display_name = *display;
        dir = std::make_unique<zf_test::temp_dir>();
        slot = dir->path();
    }

    // Draws poster frames (or scene frames) at 0.1-second steps in a fresh process.
    snapshot_run run(int width, int height, int frames, bool show_poster = true) {
        std::string times;
        for (int i = 0; i < frames; i++) times += (i ? "," : "") + std::to_string(100 + i * 0.1);
        zf_test::running_process snapshot(
            {SCENE_SNAPSHOT_PATH, "--display", display_name, "--size",
             std::to_string(width) + "x" + std::to_string(height), "--times", times, "--poster",
             show_poster ? "1" : "0", "--out", "frame.ppm"},
            slot);
        snapshot_run result;
        if (snapshot.wait(snapshot_timeout_seconds)) result.exit_status = snapshot.exit_status();
        result.log = snapshot.output();
        read_ppm(slot + "/frame.ppm", result.frame);
        return result;
    }

    std::string resize_line(int width, int height) {
        return "GFX: app_graphics_resize(" + std::to_string(width) + ", " + std::to_string(height) +
               ") called. \n";
    }

    std::string display_name;
    std::unique_ptr<zf_test::temp_dir> dir;
    std::string slot;
};

// The largest 4:3 area centred in the viewport, in pixels; x from 0 to 1 spans its width.
struct four_by_three_area {
    double left, bottom, width;
    four_by_three_area(int viewport_width, int viewport_height) {
        width = std::min<double>(viewport_width, viewport_height * 4.0 / 3);
        left = (viewport_width - width) / 2;
        bottom = (viewport_height - width * 0.75) / 2;
    }
    int x(double unit) const { return static_cast<int>(std::lround(left + unit * width)); }
    int y(double unit) const { return static_cast<int>(std::lround(bottom + unit * width)); }
};

bool inside(const frame_pixels& frame, int x, int y) {
    return x >= 0 && y >= 0 && x < frame.width && y < frame.height;
}

TEST_F(Poster, PresentPosterIsLoggedLoadedOnceAndCoversTheArea) {
    ASSERT_TRUE(write_quarters_jpeg(slot + "/" + poster_name, 400, 300));
    const snapshot_run result = run(800, 600, 3);
    ASSERT_EQ(result.exit_status, 0) << result.log;
    EXPECT_EQ(result.log, scene_set_up_lines + resize_line(800, 600) +
                              "GFX: kvx_poster_init() called. \n"
                              "GFX: loaded poster from QuenlartPoster3.jpg \n"
                              "GFX: image is indeed present.\n");
    const frame_pixels& frame = result.frame;
    ASSERT_EQ(frame.width, 800);
    // Shifted up by 0.005 of 800 pixels: 4 violet rows below, the top 4 rows cut off.
    for (const int x : {10, 400, 790}) {
        EXPECT_TRUE(colours_near(frame.at(x, 1), violet)) << describe(frame.at(x, 1));
        EXPECT_FALSE(colours_near(frame.at(x, 7), violet, 0.1)) << describe(frame.at(x, 7));
    }
    // Quarter centres of the image from its lower edge at y = 4.
    const struct {
        int x, y, quarter;
    } probes[] = {{200, 454, 0}, {600, 454, 1}, {200, 154, 2}, {600, 154, 3}};
    for (const auto& p : probes) {
        EXPECT_TRUE(colours_near(frame.at(p.x, p.y), quarter_colours[p.quarter], 0.06))
            << "quarter " << p.quarter << ": " << describe(frame.at(p.x, p.y));
    }
}

TEST_F(Poster, ShippedPosterLoadsAndFillsTheArea) {
    std::filesystem::copy_file(SHIPPED_POSTER_PATH, slot + "/" + poster_name);
    const snapshot_run result = run(640, 480, 1);
    ASSERT_EQ(result.exit_status, 0) << result.log;
    EXPECT_NE(result.log.find("GFX: image is indeed present.\n"), std::string::npos) << result.log;
    EXPECT_TRUE(colours_near(result.frame.at(320, 1), violet));
    EXPECT_FALSE(colours_near(result.frame.at(320, 240), violet, 0.1));
    EXPECT_FALSE(colours_near(result.frame.at(4, 470), violet, 0.1));
}

TEST_F(Poster, ImageIsFittedAndCentredInTheFourByThreeArea) {
    const struct {
        int viewport_width, viewport_height, image_width, image_height;
        double left, right, bottom, top;  // the image's box in the area's units
    } cases[] = {
        {800, 600, 400, 300, 0, 1, 0.005, 0.755},
        {1000, 600, 400, 300, 0, 1, 0.005, 0.755},
        {600, 800, 400, 300, 0, 1, 0.005, 0.755},
        {800, 600, 300, 400, 0.125, 0.875, -0.12, 0.88},
        {640, 480, 200, 400, 0.25, 0.75, -0.12, 0.88},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.viewport_width) + "x" + std::to_string(c.viewport_height) +
                     " viewport, " + std::to_string(c.image_width) + "x" +
                     std::to_string(c.image_height) + " image");
        ASSERT_TRUE(write_quarters_jpeg(slot + "/" + poster_name, c.image_width, c.image_height));
        const snapshot_run result = run(c.viewport_width, c.viewport_height, 1);
        ASSERT_EQ(result.exit_status, 0) << result.log;
        const frame_pixels& frame = result.frame;
        const four_by_three_area area(c.viewport_width, c.viewport_height);
        const int left = area.x(c.left), right = area.x(c.right);
        const int bottom = area.y(c.bottom), top = area.y(c.top);
        const int middle_x = (left + right) / 2,
                  middle_y = (std::max(bottom, 0) + std::min(top, frame.height)) / 2;
        // Three pixels either side of each edge: violet outside, image inside.
        const struct {
            int outside_x, outside_y, inside_x, inside_y;
        } edges[] = {{left - 3, middle_y + 20, left + 3, middle_y + 20},
                     {right + 2, middle_y + 20, right - 4, middle_y + 20},
                     {middle_x + 20, bottom - 3, middle_x + 20, bottom + 3},
                     {middle_x + 20, top + 2, middle_x + 20, top - 4}};
        for (const auto& e : edges) {
            if (inside(frame, e.outside_x, e.outside_y)) {
                EXPECT_TRUE(colours_near(frame.at(e.outside_x, e.outside_y), violet))
                    << "outside at " << e.outside_x << "," << e.outside_y << ": "
                    << describe(frame.at(e.outside_x, e.outside_y));
            }
            if (inside(frame, e.inside_x, e.inside_y)) {
                EXPECT_FALSE(colours_near(frame.at(e.inside_x, e.inside_y), violet, 0.1))
                    << "inside at " << e.inside_x << "," << e.inside_y;
            }
        }
        // The top-right quarter stays at the top right.
        const int quarter_y = std::min(top, frame.height) - 30;
        EXPECT_TRUE(colours_near(frame.at(right - 30, quarter_y), quarter_colours[1], 0.06))
            << describe(frame.at(right - 30, quarter_y));
    }
}

TEST_F(Poster, MissingPosterLogsTheErrorOnceAndShowsViolet) {
    const snapshot_run result = run(640, 480, 3);
    ASSERT_EQ(result.exit_status, 0) << result.log;
    EXPECT_EQ(result.log, scene_set_up_lines + resize_line(640, 480) +
                              "GFX: kvx_poster_init() called. \n"
                              "GFX: Error: could not load the background image from "
                              "QuenlartPoster3.jpg\n");
    for (const auto& point : {std::pair{1, 1}, std::pair{320, 240}, std::pair{638, 478}}) {
        EXPECT_TRUE(colours_near(result.frame.at(point.first, point.second), violet));
    }
}

TEST_F(Poster, UnreadablePostersGiveTheErrorLineAndNoCrash) {
    const std::string good = slot + "/good.jpg";
    ASSERT_TRUE(write_quarters_jpeg(good, 400, 300));
    const std::vector<unsigned char> bytes = read_file_bytes(good);
    std::vector<unsigned char> huge = bytes;
    ASSERT_TRUE(set_jpeg_header_size(huge, 65000, 65000));
    std::vector<unsigned char> wider_than_gl = bytes;
    ASSERT_TRUE(set_jpeg_header_size(wider_than_gl, 40000, 8));
    const std::string text = "GIF89a, or so it says\n";
    const struct {
        const char* what;
        std::vector<unsigned char> contents;
    } cases[] = {
        {"not a JPEG", {text.begin(), text.end()}},
        {"truncated", {bytes.begin(), bytes.begin() + bytes.size() / 3}},
        {"empty", {}},
        {"huge dimensions", huge},
        {"wider than GL textures go", wider_than_gl},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        write_file_bytes(slot + "/" + poster_name, c.contents);
        const snapshot_run result = run(320, 240, 2);
        EXPECT_EQ(result.exit_status, 0) << result.log;
        EXPECT_EQ(result.log, scene_set_up_lines + resize_line(320, 240) +
                                  "GFX: kvx_poster_init() called. \n"
                                  "GFX: Error: could not load the background image from "
                                  "QuenlartPoster3.jpg\n");
        EXPECT_TRUE(colours_near(result.frame.at(160, 120), violet));
    }
}

TEST_F(Poster, NothingIsLoadedWithoutAPosterFrame) {
    ASSERT_TRUE(write_quarters_jpeg(slot + "/" + poster_name, 400, 300));
    const snapshot_run result = run(320, 240, 3, false);
    ASSERT_EQ(result.exit_status, 0) << result.log;
    EXPECT_EQ(result.log, scene_set_up_lines + resize_line(320, 240));
}

TEST_F(Poster, LogNamesTheFileTheSlotLinksTo) {
    ASSERT_TRUE(write_quarters_jpeg(slot + "/project_poster.jpg", 400, 300));
    std::ofstream(slot + "/" + poster_name) << "<soft_link>project_poster.jpg</soft_link>\n";
    const snapshot_run result = run(320, 240, 1);
    ASSERT_EQ(result.exit_status, 0) << result.log;
    EXPECT_NE(result.log.find("GFX: loaded poster from project_poster.jpg \n"), std::string::npos)
        << result.log;
    EXPECT_NE(result.log.find("GFX: image is indeed present.\n"), std::string::npos);
}

}  // namespace
