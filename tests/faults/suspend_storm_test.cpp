// Suspend and resume at random intervals while a window is up: the window
// draws on while the job sleeps, nothing deadlocks, and the task completes
// with the whole of its output.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <random>

#include "tests/faults/fault_support.h"
#include "tests/support/real_part.h"

namespace {

constexpr const char* title = "zf_suspend_storm";

std::size_t occurrences(const std::string& text, const std::string& needle) {
    std::size_t n = 0;
    for (auto at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
    return n;
}

TEST(SuspendResumeStorm, WindowDrawsWhileSuspendedAndTheTaskCompletes) {
    const int pairs = zf_fault::rounds("SUSPEND_PAIRS", 20, 200);
    zf_fault::private_x_server server(zf_fault::fault_screen_size);
    ZF_REQUIRE_REAL_PART(!server.name().empty(), "no private Xvfb: " + server.failure());
    zf_fault::x_connection observer(server.name());
    ASSERT_NE(observer.get(), nullptr);
    zf_test::temp_dir dir;
    const std::string slot = dir.file("slot");
    mkdir(slot.c_str(), 0755);
    // The job works on through the storm: a frame of the animated scene
    // differs from the one before, while the poster stands still.
    const std::string first_pass = std::to_string(1200 - pairs);
    zf_test::write_file(slot + "/ckpt_state", " " + first_pass + " \n");
    zf_test::running_process client({zf_test::client_sim_path(), "--slot", slot, "--program",
                                     zf_test::program_path(), "--window", "--app-name", title},
                                    dir.path(), zf_test::with_display(server.name()));
    ASSERT_TRUE(client.wait_for_output("reply <mode_window/>", 20)) << client.output();

    std::mt19937 random(zf_fault::storm_seed());
    std::uniform_real_distribution<double> interval(0.02, 0.4);
    int drawing_checks = 0;
    int drew_while_suspended = 0;
    for (int pair = 0; pair < pairs && !client.wait(0); ++pair) {
        client.write_input("suspend\n");
        // Every tenth suspension lasts long enough for the library to act on
        // it, and the window is looked at twice meanwhile.
        const bool poster_shown =
            zf_test::read_file(slot + "/stderr.txt").find("poster display begins") !=
            std::string::npos;
        if (pair % 10 == 0 && !poster_shown) {
            zf_fault::pause_for(1.3);
            const auto windows = zf_test::windows_titled(observer.get(), title);
            ASSERT_EQ(windows.size(), 1u);
            const auto before = zf_fault::window_pixels(observer.get(), windows[0]);
            zf_fault::pause_for(0.4);
            const auto after = zf_fault::window_pixels(observer.get(), windows[0]);
            ASSERT_FALSE(before.empty()) << "the window cannot be read";
            ++drawing_checks;
            if (!before.empty() && before != after) ++drew_while_suspended;
        } else {
            zf_fault::pause_for(interval(random));
        }
        client.write_input("resume\n");
        zf_fault::pause_for(interval(random));
    }
    client.close_input();
    ASSERT_TRUE(client.wait(180)) << "the task did not end: a deadlock?\n" << client.output();
    EXPECT_EQ(client.exit_status(), 0) << client.output();
    zf_fault::report_figure("suspend/resume pairs",
                            std::to_string(pairs) + ", window drew while suspended in " +
                                std::to_string(drew_while_suspended) + " of " +
                                std::to_string(drawing_checks) + " looks");
    EXPECT_EQ(drew_while_suspended, drawing_checks);

    const std::string out = zf_test::read_file(slot + "/out.txt");
    EXPECT_EQ(out.rfind("Hello, BOINC World!\n===================\n\n", 0), 0u) << out;
    EXPECT_EQ(occurrences(out, "Hello, BOINC World!"), 1u) << out;
    EXPECT_NE(out.find("\n CPU is "), std::string::npos) << out;
    const std::string ending = "\nBlow me down!\n";
    EXPECT_EQ(out.substr(out.size() - std::min(out.size(), ending.size())), ending) << out;
    const std::string log = zf_test::read_file(slot + "/stderr.txt");
    EXPECT_NE(log.find("worker: restarting at " + first_pass + " \n"), std::string::npos) << log;
    EXPECT_NE(log.find("worker: end of the end - poster display is done..\n"), std::string::npos);
    EXPECT_NE(log.find("worker: all done\n"), std::string::npos) << log;
}

}  // namespace
