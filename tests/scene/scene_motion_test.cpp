// The scene's colour cycle and camera path as pure functions of elapsed time.
#include "scene/scene_motion.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <random>

namespace {

struct colour_case {
    double elapsed;
    square_colour expected;
    const char* fault;
};

TEST(SquareColour, FollowsTheTruncatedRemainderArithmetic) {
    const colour_case cases[] = {
        {0.0, {1, 0, 0, 1}, "first frame is opaque red"},
        {5.0,
         {1, 55.0 / 256, 85.0 / 256, 0.5 * std::cos(1.25) + 0.5},
         "ramps at 11 and 17 a second"},
        {16.0, {1, 176.0 / 256, 16.0 / 256, 0.5 * std::cos(4.0) + 0.5}, "blue wraps after 256"},
        {-5.0,
         {1, -55.0 / 256, -85.0 / 256, 0.5 * std::cos(-1.25) + 0.5},
         "remainder keeps the sign of a negative product"},
        {-0.05, {1, 0, 0, 0.5 * std::cos(-0.0125) + 0.5}, "truncation goes toward zero"},
        {23.28, {1, 0, 139.0 / 256, 0.5 * std::cos(5.82) + 0.5}, "green falls back to zero"},
    };
    for (const colour_case& c : cases) {
        SCOPED_TRACE(c.fault);
        const square_colour colour = square_colour_at(c.elapsed);
        EXPECT_EQ(colour.red, 1.0);
        EXPECT_DOUBLE_EQ(colour.green, c.expected.green);
        EXPECT_DOUBLE_EQ(colour.blue, c.expected.blue);
        EXPECT_DOUBLE_EQ(colour.alpha, c.expected.alpha);
    }
    EXPECT_NEAR(square_colour_at(5.0).alpha, 0.6577, 5e-5);
}

TEST(SquareColour, RemainderMatchesIntTruncationAcrossTheIntRange) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> products(INT_MIN + 1.0, INT_MAX - 1.0);
    for (int i = 0; i < 100000; i++) {
        const double product = products(random) / (i % 2 ? 1.0 : 1e6);
        ASSERT_EQ(ramp_remainder_256(product), static_cast<int>(product) % 256) << product;
    }
}

TEST(SquareColour, RemainderStaysDefinedOutsideTheIntRange) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double product;
        double low, high;
    } cases[] = {
        {3.0e9, 0, 255},      {4294967296.0 + 300.5, 44, 44},
        {1e300, 0, 255},      {-1e300, -255, 0},
        {inf, 0, 0},          {-inf, 0, 0},
        {std::nan(""), 0, 0},
    };
    for (const auto& c : cases) {
        const double remainder = ramp_remainder_256(c.product);
        EXPECT_GE(remainder, c.low) << c.product;
        EXPECT_LE(remainder, c.high) << c.product;
    }
}

TEST(EyePosition, CirclesEveryTwentySecondsAndBobs) {
    const struct {
        double elapsed;
        eye_position expected;
    } cases[] = {
        {0.0, {2.0, 0.73, 0.0}},
        {5.0, {0.0, 0.5760, 2.0}},
        {10.0, {-2.0, 0.73 * std::cos(3.1415926535897 / 2.3748), 0.0}},
        {20.0, {2.0, 0.73 * std::cos(6.2831853071794 / 2.3748), 0.0}},
        {47.496,
         {2.0 * std::cos(0.31415926535897 * 47.496), 0.73,
          2.0 * std::sin(0.31415926535897 * 47.496)}},
    };
    for (const auto& c : cases) {
        const eye_position eye = eye_position_at(c.elapsed);
        EXPECT_NEAR(eye.x, c.expected.x, 1e-3) << c.elapsed;
        EXPECT_NEAR(eye.y, c.expected.y, 1e-4) << c.elapsed;
        EXPECT_NEAR(eye.z, c.expected.z, 1e-3) << c.elapsed;
    }
}

}  // namespace
