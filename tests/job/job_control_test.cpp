// The real program steered by client_sim while it runs: suspend and resume,
// quit and restart, and a checkpoint that cannot be written for a while.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <map>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <thread>

#include "tests/job/job_fixture.h"
#include "tests/support/thread_times.h"

namespace {

using zf_test::busiest_thread;
using zf_test::running_process;
using zf_test::thread_cpu_ticks;

void pause_for(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

std::string thread_file(pid_t pid, const std::string& tid, const char* name) {
    return "/proc/" + std::to_string(pid) + "/task/" + tid + "/" + name;
}

long voluntary_switches(pid_t pid, const std::string& tid) {
    std::string status = zf_test::read_file(thread_file(pid, tid, "status"));
    std::smatch match;
    if (!std::regex_search(status, match, std::regex(R"(voluntary_ctxt_switches:\s+(\d+))")))
        return -1;
    return std::stol(match[1]);
}

std::size_t count_of(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

class JobControl : public ::testing::Test {
  protected:
    // Starts client_sim on the slot; commands are written to it as the test goes.
    std::unique_ptr<running_process> start(const std::vector<std::string>& options) {
        std::vector<std::string> argv{zf_test::client_sim_path(), "--slot", slot.path(),
                                      "--program", zf_test::program_path()};
        argv.insert(argv.end(), options.begin(), options.end());
        auto process =
            std::make_unique<running_process>(argv, slot.path(), zf_test::without_display());
        EXPECT_TRUE(process->wait_for_output(" as pid ", 10)) << process->output();
        return process;
    }

    job_slot slot;
};

TEST_F(JobControl, SuspendStopsOnlyTheWorkerUntilResume) {
    auto client = start({"--wu-cpu-time", "30"});
    pid_t task = zf_test::task_pid_in(client->output());
    ASSERT_GT(task, 0);
    pause_for(2.0);
    const std::string main_thread = std::to_string(task);
    const std::string worker = busiest_thread(thread_cpu_ticks(task));
    ASSERT_NE(worker, main_thread) << "the job must not run on the main thread";

    client->write_input("suspend\n");
    ASSERT_TRUE(client->wait_for_output("sent <suspend/>", 5));
    // The library acts on its next timer tick.
    ASSERT_TRUE(zf_test::wait_until_thread_holds_still(task, worker, 1.0, 20))
        << "worker never stopped after the suspend";
    long worker_before = thread_cpu_ticks(task)[worker];
    long main_switches_before = voluntary_switches(task, main_thread);
    pause_for(2.0);
    long worker_suspended = thread_cpu_ticks(task)[worker] - worker_before;
    long main_switches = voluntary_switches(task, main_thread) - main_switches_before;
    EXPECT_LE(worker_suspended, 2) << "worker ran while suspended";
    // The main thread's event loop wakes for its timer all along.
    EXPECT_GE(main_switches, 10) << "main thread stopped while suspended";

    client->write_input("resume\n");
    ASSERT_TRUE(client->wait_for_output("sent <resume/>", 5));
    // The worker runs at the lowest priority, so a busy machine may give it little.
    EXPECT_TRUE(zf_test::wait_until_thread_runs(task, worker, 10, 30)) << "worker did not resume";

    client->write_input("quit\n");
    client->close_input();
    ASSERT_TRUE(client->wait(30)) << client->output();
}

TEST_F(JobControl, QuitEndsTheTaskAndANewStartResumesFromItsCheckpoint) {
    auto first = start({"--wu-cpu-time", "60", "--checkpoint-period", "1"});
    // Wait for a checkpoint past pass 0, so that the restart line tells.
    for (int i = 0; i < 300 && std::atoi(slot.checkpoint().c_str()) < 1; ++i) pause_for(0.1);
    first->write_input("quit\n");
    first->close_input();
    ASSERT_TRUE(first->wait(30)) << first->output();
    EXPECT_EQ(first->exit_status(), 0) << first->output();
    EXPECT_TRUE(first->output().find("sent <quit/>") != std::string::npos);
    EXPECT_EQ(count_of(slot.log(), "worker: all done"), 0u) << "the job ran to its end instead";

    const std::string checkpoint = slot.checkpoint();
    const int pass = std::atoi(checkpoint.c_str());
    ASSERT_GE(pass, 1) << '"' << checkpoint << '"';

    auto second = slot.run({"--wu-cpu-time", "120.5"});
    ASSERT_TRUE(second.ended) << second.output;
    EXPECT_EQ(second.exit_status, 0) << second.output;
    const std::string restart_line = "worker: restarting at " + std::to_string(pass) + " \n";
    EXPECT_EQ(count_of(slot.log(), restart_line), 1u) << slot.log();
    // The output file is appended to by every start.
    EXPECT_EQ(count_of(slot.out(), "Hello, BOINC World!\n"), 2u) << slot.out();
}

// Kills at moments spread over the first checkpoints. Each must leave a
// checkpoint that parses and never goes back, and the output file must hold
// pass 60's line once a checkpoint has passed it.
TEST_F(JobControl, KillsNeverLeaveABrokenOrOlderCheckpoint) {
    slot.set_checkpoint(" 58 \n");
    std::mt19937 moments(20261210);
    std::uniform_real_distribution<double> kill_at(0.8, 2.5);
    int last_pass = 58;
    for (int round = 0; round < 8; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        std::string commands = "@" + std::to_string(kill_at(moments)) + " kill\n";
        auto result = slot.run({"--wu-cpu-time", "30", "--checkpoint-period", "1"}, commands, 60);
        ASSERT_TRUE(result.ended) << result.output;
        EXPECT_EQ(result.exit_status, 137) << result.output;
        const std::string checkpoint = slot.checkpoint();
        std::smatch match;
        ASSERT_TRUE(std::regex_match(checkpoint, match, std::regex(R"( ([0-9]+) \n)")))
            << '"' << checkpoint << '"';
        int pass = std::stoi(match[1]);
        EXPECT_GE(pass, last_pass);
        if (pass > 60) {
            EXPECT_FALSE(zf_test::lines_containing(slot.out(), " i=   60 : ").empty())
                << slot.out();
        }
        last_pass = pass;
    }
    EXPECT_GT(last_pass, 60) << "too few checkpoints to tell";
}

// The library resolves the checkpoint's name through this link into a
// directory that does not exist yet, so no checkpoint can be written.
const char* const checkpoint_into_missing_dir = "<soft_link>later/ckpt_state</soft_link>\n";
const char* const checkpoint_failure = "do_checkpoint: Cannot open checkpoint file to write!";

TEST_F(JobControl, UnwritableCheckpointIsRetriedAtEveryPassUntilItWorks) {
    slot.set_checkpoint(checkpoint_into_missing_dir);
    const double period = 10.0;
    auto client = start({"--wu-cpu-time", "30", "--checkpoint-period", "10"});
    for (int i = 0; i < 300 && count_of(slot.log(), checkpoint_failure) == 0; ++i) pause_for(0.1);
    ASSERT_EQ(count_of(slot.log(), checkpoint_failure), 1u) << slot.log();
    // More failures within one period: the passes retry, not the period.
    for (int i = 0; i < 10 * period - 5 && count_of(slot.log(), checkpoint_failure) < 3; ++i)
        pause_for(0.1);
    EXPECT_GE(count_of(slot.log(), checkpoint_failure), 3u) << slot.log();

    ASSERT_EQ(mkdir(slot.file("later").c_str(), 0755), 0);
    std::string written;
    for (int i = 0; i < 200 && written.empty(); ++i) {
        pause_for(0.1);
        written = zf_test::read_file(slot.file("later/ckpt_state"));
    }
    EXPECT_TRUE(std::regex_match(written, std::regex(R"( [0-9]+ \n)"))) << '"' << written << '"';
    std::size_t failures = count_of(slot.log(), checkpoint_failure);
    pause_for(1.5);
    EXPECT_EQ(count_of(slot.log(), checkpoint_failure), failures) << "retries after a success";

    client->write_input("kill\n");
    client->close_input();
    ASSERT_TRUE(client->wait(30)) << client->output();
}

// A failed checkpoint must not leave the task deaf to the core client.
TEST_F(JobControl, TaskStillObeysQuitAfterAFailedCheckpoint) {
    slot.set_checkpoint(checkpoint_into_missing_dir);
    auto client = start({"--wu-cpu-time", "30", "--checkpoint-period", "1"});
    for (int i = 0; i < 300 && count_of(slot.log(), checkpoint_failure) == 0; ++i) pause_for(0.1);
    ASSERT_GE(count_of(slot.log(), checkpoint_failure), 1u) << slot.log();
    client->write_input("quit\n");
    EXPECT_TRUE(client->wait(15)) << "quit ignored\n" << client->output();
    client->write_input("kill\n");
    client->close_input();
    ASSERT_TRUE(client->wait(30)) << client->output();
}

}  // namespace
