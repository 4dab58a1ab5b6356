// A desktop whose test process dies without running a destructor (a crash,
// or Xlib's default error handler calling exit) ends with that process: its
// X server and window manager do not stay behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/desktop_session.h"
#include "tests/support/real_part.h"

namespace {

// The processes whose parent is this one, from /proc.
std::vector<pid_t> children_of_this_process() {
    std::vector<pid_t> children;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ignored)) {
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line)) continue;
        const std::size_t after_name = line.rfind(") ");
        if (after_name == std::string::npos) continue;
        char state = 0;
        long parent = 0;
        if (std::sscanf(line.c_str() + after_name + 2, "%c %ld", &state, &parent) == 2 &&
            parent == getpid()) {
            children.push_back(static_cast<pid_t>(std::stol(entry.path().filename().string())));
        }
    }
    return children;
}

// Reaps every child that has ended; true once none is left.
bool no_child_left() {
    for (;;) {
        const pid_t reaped = waitpid(-1, nullptr, WNOHANG);
        if (reaped > 0) continue;
        return reaped < 0 && errno == ECHILD;
    }
}

TEST(ChildLifetime, ADesktopEndsWithATestProcessThatDiesAbruptly) {
    // The dying process's orphans come here, where they can be counted.
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    int report[2];
    // Close-on-exec, so that the desktop's programs do not hold the pipe open.
    ASSERT_EQ(pipe2(report, O_CLOEXEC), 0);
    const pid_t test_process = fork();
    ASSERT_GE(test_process, 0);
    if (test_process == 0) {
        close(report[0]);
        zf_test::desktop_session desktop(zf_test::desktop_kind::openbox);
        const std::string said =
            desktop.display().empty() ? "-" + desktop.failure() : desktop.display();
        (void)!write(report[1], said.data(), said.size());
        _exit(0);  // no destructor runs
    }
    close(report[1]);
    std::string said;
    char buffer[256];
    for (ssize_t got; said.find('\n') == std::string::npos &&
                      (got = read(report[0], buffer, sizeof buffer)) > 0;) {
        said.append(buffer, static_cast<std::size_t>(got));
    }
    close(report[0]);
    ASSERT_EQ(waitpid(test_process, nullptr, 0), test_process);
    ZF_REQUIRE_REAL_PART(!said.empty() && said[0] == ':', "no Openbox desktop: " + said);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!no_child_left() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    const std::vector<pid_t> left = children_of_this_process();
    EXPECT_TRUE(left.empty()) << left.size()
                              << " of the desktop's processes outlived its test process";
    for (const pid_t child : left) kill(child, SIGKILL);
    no_child_left();
}

}  // namespace
