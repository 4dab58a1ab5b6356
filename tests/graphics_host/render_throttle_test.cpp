// The render throttle's arithmetic, driven by a clock and a processor-time
// source that the test controls.
#include "graphics_host/render_throttle.h"

#include <gtest/gtest.h>

#include "tests/support/case_names.h"

namespace {

double fake_wall = 0;
double fake_cpu = 0;
double cpu_per_frame = 0;
int frames_drawn = 0;
int cpu_reads = 0;

double fake_wall_time() { return fake_wall; }
double fake_thread_cpu_time() {
    ++cpu_reads;
    return fake_cpu;
}
void fake_draw(int, int, double) {
    ++frames_drawn;
    fake_cpu += cpu_per_frame;
}

const render_clock test_clock{fake_wall_time, fake_thread_cpu_time};

class RenderThrottle : public ::testing::Test {
  protected:
    void SetUp() override {
        fake_wall = 1.0e9;
        fake_cpu = 0;
        cpu_per_frame = 0;
        frames_drawn = 0;
        cpu_reads = 0;
        max_frames_per_second = 30.0;
        max_graphics_cpu_fraction = 0.5;
    }

    // One throttle call `seconds` after the previous one.
    bool call_after(double seconds) {
        fake_wall += seconds;
        return render_within_limits_using(state, test_clock, fake_draw, 640, 480, fake_wall);
    }

    render_throttle_state state;
};

TEST_F(RenderThrottle, FirstCallOfTheProcessNeverDrawsAndTheNextOneDoes) {
    state.last_render_check_time = fake_wall;  // as after a first call at this moment
    EXPECT_FALSE(call_after(0.0)) << "interval 0 leaves the budget at exactly 0";
    EXPECT_TRUE(call_after(0.030));
}

TEST_F(RenderThrottle, VeryFirstCallCountsItsHugeIntervalAsNone) {
    // The previous time is 0, so the interval is ~1e9 s and counts as 0.
    EXPECT_FALSE(call_after(0.0));
    EXPECT_DOUBLE_EQ(state.total_render_elapsed, 0.0);
    EXPECT_DOUBLE_EQ(state.last_render_check_time, fake_wall);
}

TEST_F(RenderThrottle, BudgetOfExactlyZeroDoesNotDraw) {
    state.last_render_check_time = fake_wall;
    state.time_until_render = 0.25;
    EXPECT_FALSE(call_after(0.25));
    EXPECT_DOUBLE_EQ(state.time_until_render, 0.0);
}

TEST_F(RenderThrottle, ThirtyMillisecondTicksDrawNineInTen) {
    state.last_render_check_time = fake_wall;
    for (int tick = 0; tick < 100; ++tick) call_after(0.030);
    EXPECT_GE(frames_drawn, 88);
    EXPECT_LE(frames_drawn, 91);
}

TEST_F(RenderThrottle, CpuRatioEqualToTheLimitDoesNotBlock) {
    state.last_render_check_time = fake_wall;
    state.total_render_cpu = 0.5;
    state.total_render_elapsed = 0.5;
    EXPECT_TRUE(call_after(0.5)) << "0.5 / 1.0 equals the limit";
}

TEST_F(RenderThrottle, CpuRatioAboveTheLimitBlocksButStillSpendsTheFrameSlot) {
    state.last_render_check_time = fake_wall;
    state.total_render_cpu = 0.6;
    state.total_render_elapsed = 0.5;
    state.time_until_render = 0.01;
    EXPECT_FALSE(call_after(0.5));
    EXPECT_NEAR(state.time_until_render, 0.01 - 0.5 + 1.0 / 30.0, 1e-12);
    EXPECT_DOUBLE_EQ(state.total_render_elapsed, 1.0);
}

TEST_F(RenderThrottle, MeasuresOnlyTheFrameCallback) {
    state.last_render_check_time = fake_wall;
    cpu_per_frame = 0.004;
    fake_cpu = 7.0;  // time spent before the call does not count
    EXPECT_TRUE(call_after(0.5));
    EXPECT_NEAR(state.total_render_cpu, 0.004, 1e-12);
    EXPECT_EQ(cpu_reads, 2);
}

struct IntervalCase {
    const char* name;
    double interval;
    double counted;
};

class LongIntervals : public RenderThrottle, public ::testing::WithParamInterface<IntervalCase> {};

TEST_P(LongIntervals, CountInFullUpToAThousandSecondsAndAsNoneBeyond) {
    state.last_render_check_time = fake_wall;
    call_after(GetParam().interval);
    EXPECT_DOUBLE_EQ(state.total_render_elapsed, GetParam().counted);
}

INSTANTIATE_TEST_SUITE_P(
    RenderThrottle, LongIntervals,
    ::testing::Values(IntervalCase{"just under a thousand seconds", 999.5, 999.5},
                      IntervalCase{"a thousand seconds", 1000.0, 1000.0},
                      IntervalCase{"just over a thousand seconds", 1000.001, 0.0}),
    zf_test::by_case_name{});

TEST_F(RenderThrottle, ClockSetBackHoldsFramesBackUntilThatTimeHasPassed) {
    state.last_render_check_time = fake_wall;
    EXPECT_FALSE(call_after(-1.0));
    EXPECT_NEAR(state.time_until_render, 1.0, 1e-12);
    EXPECT_DOUBLE_EQ(state.total_render_elapsed, -1.0);
    int ticks_without_frame = 0;
    while (!call_after(0.030)) ++ticks_without_frame;
    EXPECT_NEAR(ticks_without_frame, 33, 1);
}

TEST_F(RenderThrottle, TenSecondGapLetsEveryTickDrawForAboutThreeThousandTicks) {
    state.last_render_check_time = fake_wall;
    call_after(10.0);
    int consecutive_frames = 0;
    while (call_after(0.030)) ++consecutive_frames;
    EXPECT_NEAR(consecutive_frames, 3000, 5);
}

TEST_F(RenderThrottle, BothLimitsOffDrawsEveryCallAndReadsNoProcessorTime) {
    max_frames_per_second = 0;
    max_graphics_cpu_fraction = 0;
    state.last_render_check_time = fake_wall;
    for (int tick = 0; tick < 10; ++tick) EXPECT_TRUE(call_after(0.0));
    EXPECT_EQ(cpu_reads, 0);
}

}  // namespace
