// freeglut's set-up for the title font, in fresh processes since it runs once
// per process: a display that cannot be opened must not end the job.
#include "scene/bitmap_text.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <string>

namespace {

// Starts an X server of this process's own, which the test may kill; returns its
// display name, or "" when none could be started.
std::string try_start_private_x_server(pid_t& server) {
    int pipe_ends[2];
    if (pipe(pipe_ends) != 0) return "";
    server = fork();
    if (server == 0) {
        close(pipe_ends[0]);
        const std::string fd = std::to_string(pipe_ends[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", nullptr);
        _exit(127);
    }
    close(pipe_ends[1]);
    char number[16] = "";
    ssize_t length;
    do {
        length = read(pipe_ends[0], number, sizeof(number) - 1);
    } while (length < 0 && errno == EINTR);
    close(pipe_ends[0]);
    if (server < 0 || length <= 0) {
        if (server > 0) waitpid(server, nullptr, 0);
        return "";
    }
    return ":" + std::string(number, static_cast<size_t>(length - 1));
}

// A busy machine sometimes loses a start ("Cannot write display number"): retry.
std::string start_private_x_server(pid_t& server) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        const std::string display = try_start_private_x_server(server);
        if (!display.empty()) return display;
    }
    return "";
}

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
            pid_t server = -1;
            const std::string display = start_private_x_server(server);
            if (display.empty() || !initialize_bitmap_fonts(display.c_str())) std::exit(3);
            kill(server, SIGTERM);
            waitpid(server, nullptr, 0);
            std::exit(5);
        },
        testing::ExitedWithCode(5), "");
}

}  // namespace
