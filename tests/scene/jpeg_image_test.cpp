// JPEG decoding: good files in the right orientation, and every kind of bad
// file refused with a status instead of a crash, an exit or a huge allocation.
#include "scene/jpeg_image.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "tests/scene/test_jpeg.h"

namespace {

const jpeg_limits roomy{16384, size_t{256} << 20};

class JpegImage : public testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/zf_jpeg_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        good = dir + "/good.jpg";
        ASSERT_TRUE(write_quarters_jpeg(good, 40, 30));
    }
    void TearDown() override { std::system(("rm -rf " + dir).c_str()); }

    std::string file_with(const std::string& name, const std::vector<unsigned char>& bytes) {
        const std::string path = dir + "/" + name;
        write_file_bytes(path, bytes);
        return path;
    }

    std::string dir;
    std::string good;
};

rgb pixel(const rgb_image& image, int x, int y) {
    const size_t offset = (static_cast<size_t>(y) * image.width + x) * 3;
    return rgb{image.pixels[offset] / 255.0, image.pixels[offset + 1] / 255.0,
               image.pixels[offset + 2] / 255.0};
}

TEST_F(JpegImage, DecodesToRgbRowsFromTheTop) {
    rgb_image image;
    ASSERT_EQ(decode_jpeg_file(good.c_str(), roomy, image), jpeg_ok);
    EXPECT_EQ(image.width, 40);
    EXPECT_EQ(image.height, 30);
    ASSERT_EQ(image.pixels.size(), 40u * 30 * 3);
    EXPECT_TRUE(colours_near(pixel(image, 5, 5), quarter_colours[0], 0.06));
    EXPECT_TRUE(colours_near(pixel(image, 34, 5), quarter_colours[1], 0.06));
    EXPECT_TRUE(colours_near(pixel(image, 5, 24), quarter_colours[2], 0.06));
    EXPECT_TRUE(colours_near(pixel(image, 34, 24), quarter_colours[3], 0.06));
}

TEST_F(JpegImage, RefusesBadFilesWithAStatus) {
    const std::vector<unsigned char> bytes = read_file_bytes(good);
    std::vector<unsigned char> huge = bytes;
    ASSERT_TRUE(set_jpeg_header_size(huge, 65000, 65000));
    std::vector<unsigned char> zero_width = bytes;
    ASSERT_TRUE(set_jpeg_header_size(zero_width, 0, 30));
    std::vector<unsigned char> corrupt = bytes;
    for (size_t i = bytes.size() / 2; i < bytes.size() - 2; i++) corrupt[i] = 0xFF;
    const std::string text = "this is a text file, not a picture\n";

    const struct {
        const char* what;
        std::string path;
        jpeg_limits limits;
        int status;
    } cases[] = {
        {"missing", dir + "/missing.jpg", roomy, jpeg_cannot_open},
        {"directory", dir, roomy, jpeg_bad_data},
        {"empty", file_with("empty.jpg", {}), roomy, jpeg_bad_data},
        {"not a JPEG", file_with("text.jpg", {text.begin(), text.end()}), roomy, jpeg_bad_data},
        {"truncated", file_with("cut.jpg", {bytes.begin(), bytes.begin() + bytes.size() / 2}),
         roomy, jpeg_bad_data},
        {"only the start marker", file_with("soi.jpg", {0xFF, 0xD8}), roomy, jpeg_bad_data},
        {"corrupt data", file_with("corrupt.jpg", corrupt), roomy, jpeg_bad_data},
        {"zero width", file_with("zero.jpg", zero_width), roomy, jpeg_bad_data},
        {"huge header", file_with("huge.jpg", huge), roomy, jpeg_too_large},
        {"wider than the GL allows", good, jpeg_limits{39, roomy.max_rgb_bytes}, jpeg_too_large},
        {"more bytes than allowed", good, jpeg_limits{16384, 40 * 30 * 3 - 1}, jpeg_too_large},
    };
    for (const auto& c : cases) {
        rgb_image image;
        EXPECT_EQ(decode_jpeg_file(c.path.c_str(), c.limits, image), c.status) << c.what;
        EXPECT_TRUE(image.pixels.empty()) << c.what;
        EXPECT_EQ(image.width, 0) << c.what;
    }
    rgb_image exact;
    EXPECT_EQ(decode_jpeg_file(good.c_str(), jpeg_limits{40, 40 * 30 * 3}, exact), jpeg_ok)
        << "limits are inclusive";
}

TEST_F(JpegImage, ProgressiveFileDecodesWithinTheTightestLimits) {
    const std::string progressive = dir + "/progressive.jpg";
    ASSERT_TRUE(write_quarters_jpeg(progressive, 400, 300, true));
    rgb_image image;
    ASSERT_EQ(decode_jpeg_file(progressive.c_str(), jpeg_limits{400, 400 * 300 * 3}, image),
              jpeg_ok);
    EXPECT_TRUE(colours_near(pixel(image, 300, 50), quarter_colours[1], 0.06));
    EXPECT_TRUE(colours_near(pixel(image, 100, 250), quarter_colours[2], 0.06));
}

}  // namespace
