// The job with a graphics window up, on the X server that scripts/test.sh starts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <regex>
#include <string>

#include "tests/job/job_fixture.h"
#include "tests/support/real_part.h"

namespace {

// Pass 1198 starts with a reading above 120 s. The task is held in it until
// the window is up, so that the lower limit no longer applies when it ends:
// pass 1199 follows, and then the poster phase.
TEST(JobWithGraphics, PassAbove120GoesOnAndThePosterPhaseFollows) {
    std::optional<std::string> display = zf_test::test_display();
    ZF_REQUIRE_REAL_PART(display, "ZF_TEST_DISPLAY names no X server");
    job_slot slot;
    slot.set_checkpoint(" 1198 \n");
    auto result = zf_test::run_client_sim(
        slot.path(), {"--wu-cpu-time", "120.5", "--checkpoint-period", "1"},
        "suspend\nmode window\nwait window 20\nresume\n", 180, zf_test::with_display(*display));
    ASSERT_TRUE(result.ended) << result.output;
    EXPECT_EQ(result.exit_status, 0) << result.output;
    ASSERT_NE(result.output.find("wait <mode_window/>: received"), std::string::npos)
        << result.output;
    std::vector<double> fractions = zf_test::reported_fractions(result.output);
    EXPECT_NE(std::find(fractions.begin(), fractions.end(), 0.961508), fractions.end())
        << "no report for pass 1199\n"
        << result.output;
    // The poster phase reports no progress of its own and takes no checkpoint.
    for (double fraction : fractions) EXPECT_TRUE(fraction <= 0.961508 || fraction == 1.0);
    EXPECT_LE(std::atoi(slot.checkpoint().c_str()), 1199) << slot.checkpoint();

    const std::string log = slot.log();
    std::size_t poster_begins =
        log.find("worker: begining of the end - poster display begins...\n");
    std::size_t poster_ends = log.find("worker: end of the end - poster display is done..\n");
    ASSERT_NE(poster_begins, std::string::npos) << log;
    ASSERT_NE(poster_ends, std::string::npos) << log;
    EXPECT_LT(poster_begins, poster_ends);
    EXPECT_NE(log.find("worker: graphics WERE initialized.\n"), std::string::npos) << log;
    std::smatch wall;
    ASSERT_TRUE(std::regex_search(log, wall, std::regex(R"(Wall clock time: ([0-9.]+) seconds)")));
    EXPECT_GE(std::stod(wall[1]), 47.0);
}

// The library ends the process on "<quit/>" while the graphics thread may be
// drawing; that must neither change the exit status nor log an error. The
// race is narrow, so a few rounds are run.
TEST(JobWithGraphics, QuitWithAWindowUpEndsWithStatusZero) {
    std::optional<std::string> display = zf_test::test_display();
    ZF_REQUIRE_REAL_PART(display, "ZF_TEST_DISPLAY names no X server");
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        job_slot slot;
        auto result = zf_test::run_client_sim(slot.path(), {"--wu-cpu-time", "30"},
                                              "mode window\nwait window 20\nsleep 1\nquit\n", 60,
                                              zf_test::with_display(*display));
        ASSERT_TRUE(result.ended) << result.output;
        EXPECT_NE(result.output.find("wait <mode_window/>: received"), std::string::npos)
            << result.output;
        EXPECT_EQ(result.exit_status, 0) << result.output << slot.log();
        EXPECT_EQ(slot.log().find("freeglut"), std::string::npos) << slot.log();
    }
}

}  // namespace
