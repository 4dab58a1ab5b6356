// freeglut's set-up for the title font, in fresh processes since it runs once
// per process: a display that cannot be opened must not end the job.
#include "scene/bitmap_text.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <string>

#include "../graphics_host/private_x_server.h"

namespace {

TEST(BitmapFontsDeathTest, UnopenableDisplayFailsTheSetUpInsteadOfEndingTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const bool first = initialize_bitmap_fonts(":4321");
            const bool again = initialize_bitmap_fonts(":4321");
            std::exit(!first && !again ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST(BitmapFontsDeathTest, TextWithoutACurrentContextDrawsNothingAndLivesOn) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            draw_bitmap_text("Zorvath@Fold", GLUT_BITMAP_TIMES_ROMAN_24);
            std::exit(0);
        },
        testing::ExitedWithCode(0), "");
}

TEST(BitmapFontsDeathTest, LostXServerLeavesTheExitStatusAsTheJobGaveIt) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            // A hang at exit would otherwise stall the suite.
            alarm(20);
            private_x_server server(250);
            if (server.name().empty() || !initialize_bitmap_fonts(server.name().c_str())) {
                server.kill_now();
                std::exit(3);
            }
            server.kill_now();
            std::exit(5);
        },
        testing::ExitedWithCode(5), "");
}

}  // namespace
