// freeglut's set-up for the title font, in fresh processes since it runs once
// per process: a display that cannot be opened must not end the job.
#include "scene/bitmap_text.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>

#include "tests/support/private_x_server.h"
#include "tests/support/real_part.h"

namespace {

TEST(BitmapFontsDeathTest, UnopenableDisplayFailsTheSetUpInsteadOfEndingTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const zf_test::unopenable_display nowhere;
            if (nowhere.name().empty()) std::exit(2);
            const bool first = initialize_bitmap_fonts(nowhere.name().c_str());
            const bool again = initialize_bitmap_fonts(nowhere.name().c_str());
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
            zf_test::private_x_server server;
            if (server.name().empty() || !initialize_bitmap_fonts(server.name().c_str())) {
                server.kill_now();
                std::exit(3);
            }
            server.kill_now();
            std::exit(5);
        },
        testing::ExitedWithCode(5), "");
}

// The X server dies at moments spread over the set-up's talk with it: each
// time the set-up returns, and the process exits with the status it chose.
TEST(BitmapFonts, ServerDyingDuringTheSetUpNeverEndsTheProcess) {
    using clock = std::chrono::steady_clock;
    std::string failure;
    // The wait status, and the time from the fork to the child's end.
    auto run_set_up_while_server_dies = [&failure](std::chrono::microseconds delay) {
        zf_test::private_x_server server;
        failure = server.failure();
        if (server.name().empty()) return std::pair{-1, std::chrono::microseconds(0)};
        const auto start = clock::now();
        const pid_t child = fork();
        if (child == 0) {
            alarm(20);  // a hang shows as SIGALRM
            initialize_bitmap_fonts(server.name().c_str());
            // WORKAROUND(freeglut 3.4.0, Debian 12): the set-up is what is tested, not
            // freeglut's exit clean-up, which may hang on a lost server.
            _exit(7);
        }
        if (delay.count() >= 0) {
            std::this_thread::sleep_for(delay);
            server.kill_now();
        }
        int status = 0;
        waitpid(child, &status, 0);
        return std::pair{
            status, std::chrono::duration_cast<std::chrono::microseconds>(clock::now() - start)};
    };
    // The kill moments spread over the set-up alone, not the server's start.
    const auto [live_status, set_up] = run_set_up_while_server_dies(std::chrono::microseconds(-1));
    ZF_REQUIRE_REAL_PART(live_status != -1, "no private Xvfb: " + failure);
    ASSERT_TRUE(WIFEXITED(live_status) && WEXITSTATUS(live_status) == 7);
    const int attempts = 20;
    for (int i = 0; i < attempts; ++i) {
        const int status = run_set_up_while_server_dies(set_up * i / attempts).first;
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 7)
            << "server killed after " << (set_up * i / attempts).count() << " us: wait status "
            << status;
    }
}

}  // namespace
