#include "job/job_limits.h"

#include <gtest/gtest.h>

namespace {

TEST(ProcessorTimeLimit, OnlyReadingsAboveALimitEndTheLoop) {
    struct {
        double cpu_time;
        bool graphics;
        bool last_pass;
    } const cases[] = {
        {0.0, false, false},       {120.0, false, false},  // exactly the limit goes on
        {120.000001, false, true}, {120.5, false, true},
        {120.5, true, false},  // with graphics the lower limit does not apply
        {1200.0, true, false},     {1200.000001, true, true},
        {1200.5, false, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(passes_processor_time_limit(c.cpu_time, c.graphics), c.last_pass)
            << c.cpu_time << (c.graphics ? " with graphics" : " without graphics");
    }
}

TEST(FractionDone, NeverReachesOne) {
    EXPECT_EQ(fraction_done_for(0), 0.0);
    EXPECT_NEAR(fraction_done_for(600) * 100.0, 48.12, 0.005);
    EXPECT_NEAR(fraction_done_for(1140) * 100.0, 91.42, 0.005);
    EXPECT_LT(fraction_done_for(pass_limit - 1), 0.9616);
}

}  // namespace
