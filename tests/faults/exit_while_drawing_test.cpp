// Tasks that reach their end while their window is up and showing the poster:
// the process ends under a drawing graphics thread, and every one of them
// must end with status 0.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <future>

#include "tests/faults/fault_support.h"

namespace {

// What went wrong for one task, or "" when it ended well with its window up.
std::string run_task(int number) {
    zf_fault::private_x_server server(zf_fault::fault_screen_size);
    if (server.name().empty()) return "no private Xvfb: " + server.failure();
    zf_fault::x_connection observer(server.name());
    if (!observer.get()) return "cannot watch " + server.name();
    zf_test::temp_dir dir;
    const std::string slot = dir.file("slot");
    mkdir(slot.c_str(), 0755);
    zf_test::write_file(slot + "/ckpt_state", " 1199 \n");
    const std::string title = "zf_exit_while_drawing_" + std::to_string(number);
    zf_test::running_process client({zf_test::client_sim_path(), "--slot", slot, "--program",
                                     zf_test::program_path(), "--window", "--app-name", title},
                                    dir.path(), zf_test::with_display(server.name()));
    client.close_input();
    if (!client.wait_for_output("reply <mode_window/>", 30)) return "no window\n" + client.output();
    const pid_t task = zf_test::task_pid_in(client.output());
    // The last look taken while the task still ran tells whether its window
    // was up and drawn when it ended.
    bool window_up = false;
    bool drawn = false;
    while (zf_fault::process_running(task)) {
        const auto windows = zf_test::windows_titled(observer.get(), title);
        std::vector<unsigned long> pixels;
        if (windows.size() == 1) pixels = zf_fault::window_pixels(observer.get(), windows[0]);
        if (!zf_fault::process_running(task)) break;
        window_up = windows.size() == 1;
        drawn = std::any_of(pixels.begin(), pixels.end(), [](unsigned long p) { return p != 0; });
        zf_fault::pause_for(0.2);
    }
    if (!client.wait(30)) return "client_sim did not end\n" + client.output();
    const std::string log = zf_test::read_file(slot + "/stderr.txt");
    if (client.exit_status() != 0) {
        return "exit status " + std::to_string(client.exit_status()) + "\n" + client.output() + log;
    }
    if (!window_up) return "no window just before the end\n" + client.output();
    if (!drawn) return "the window was black just before the end";
    if (log.find("worker: all done\n") == std::string::npos) return "no closing report\n" + log;
    if (log.find("freeglut") != std::string::npos) return "freeglut complained\n" + log;
    return "";
}

TEST(ExitWhileDrawing, EveryTaskEndsWithStatusZero) {
    const int tasks = zf_fault::rounds("EXIT_TASKS", 5, 50);
    // Each task waits out its poster phase, so they run side by side.
    const int tasks_at_once = zf_fault::rounds("EXIT_TASKS_AT_ONCE", 5, 10);
    int ended_well = 0;
    for (int first = 0; first < tasks; first += tasks_at_once) {
        std::vector<std::future<std::string>> outcomes;
        for (int n = first; n < std::min(tasks, first + tasks_at_once); ++n) {
            outcomes.push_back(std::async(std::launch::async, run_task, n));
        }
        for (auto& outcome : outcomes) {
            const std::string failure = outcome.get();
            EXPECT_EQ(failure, "");
            if (failure.empty()) ++ended_well;
        }
    }
    zf_fault::report_figure("tasks that ended with status 0 while drawing",
                            std::to_string(ended_well) + " of " + std::to_string(tasks));
}

}  // namespace
