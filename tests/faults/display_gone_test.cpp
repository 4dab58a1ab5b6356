// The X server dies under the program in each display mode and during the
// poster phase: the task must still finish with status 0. The cases run side
// by side, each on its own X server, as each waits out a poster phase.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <future>

#include "tests/faults/fault_support.h"

namespace {

struct display_gone_case {
    const char* name;
    int first_pass;
    // Commands that bring the task into the mode; the job is held suspended
    // meanwhile so that the X server dies while it still works.
    const char* commands;
    // client_sim's output once the mode is in force.
    const char* in_force;
    // Log text that must appear before the X server dies, or "".
    const char* wait_in_log;
};

const display_gone_case cases[] = {
    {"window", 1195, "suspend\nmode window\n", "reply <mode_window/>", ""},
    {"fullscreen", 1195, "suspend\nmode fullscreen\n", "reply <mode_fullscreen/>", ""},
    {"blankscreen", 1195, "suspend\nmode blankscreen\n", "reply <mode_blankscreen/>", ""},
    // Hidden after a window, so the program holds the connection but no window.
    {"hidden", 1195,
     "suspend\nmode window\nwait window 20\nmode hide_graphics\nwait hide_graphics 20\n",
     "wait <mode_hide_graphics/>: received", ""},
    {"poster phase", 1199, "mode window\n", "reply <mode_window/>", "poster display begins"},
};

// What went wrong in one case, or "" when it passed.
std::string run_case(const display_gone_case& c) {
    zf_fault::private_x_server server(zf_fault::fault_screen_size);
    if (server.name().empty()) return "no private Xvfb: " + server.failure();
    zf_test::temp_dir dir;
    const std::string slot = dir.file("slot");
    mkdir(slot.c_str(), 0755);
    zf_test::write_file(slot + "/ckpt_state", " " + std::to_string(c.first_pass) + " \n");
    zf_test::running_process client(
        {zf_test::client_sim_path(), "--slot", slot, "--program", zf_test::program_path()},
        dir.path(), zf_test::with_display(server.name()));
    client.write_input(c.commands);
    if (!client.wait_for_output(c.in_force, 30)) {
        return "mode never in force\n" + client.output() + zf_test::read_file(slot + "/stderr.txt");
    }
    if (*c.wait_in_log) {
        int waited = 0;
        while (zf_test::read_file(slot + "/stderr.txt").find(c.wait_in_log) == std::string::npos) {
            if (++waited > 300) {
                return std::string("never logged \"") + c.wait_in_log + "\"\n" +
                       zf_test::read_file(slot + "/stderr.txt");
            }
            zf_fault::pause_for(0.1);
        }
    }
    zf_fault::pause_for(0.5);
    server.kill_now();
    zf_fault::pause_for(0.5);
    client.write_input("resume\n");
    client.close_input();
    if (!client.wait(150)) {
        return "the task did not end\n" +
               zf_fault::thread_states(zf_test::task_pid_in(client.output())) + client.output() +
               zf_test::read_file(slot + "/stderr.txt");
    }
    const std::string log = zf_test::read_file(slot + "/stderr.txt");
    if (client.exit_status() != 0) {
        return "exit status " + std::to_string(client.exit_status()) + "\n" + client.output() + log;
    }
    if (log.find("worker: all done\n") == std::string::npos) return "no closing report\n" + log;
    return "";
}

TEST(DisplayGoes, InEveryModeTheTaskStillFinishesWithStatusZero) {
    std::vector<std::future<std::string>> outcomes;
    for (const display_gone_case& c : cases) {
        outcomes.push_back(std::async(std::launch::async, run_case, std::cref(c)));
    }
    int finished = 0;
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        const std::string failure = outcomes[i].get();
        EXPECT_EQ(failure, "") << "mode: " << cases[i].name;
        if (failure.empty()) ++finished;
    }
    zf_fault::report_figure("tasks that finished with status 0 after losing their X server",
                            std::to_string(finished) + " of " + std::to_string(outcomes.size()));
}

}  // namespace
