// The core client dies (SIGKILL) under a running or suspended task: the task
// must notice by itself, end, and leave a checkpoint that the next start
// resumes from.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <ostream>

#include "tests/faults/fault_support.h"

namespace {

struct client_gone_case {
    const char* name;
    const char* commands_before_kill;
    // The suspended-task watch's line, when the task must end through it.
    const char* watch_line;
};

constexpr const char* client_gone_line =
    "APP: core client gone while suspended; ending the task.\n";

std::ostream& operator<<(std::ostream& out, const client_gone_case& c) { return out << c.name; }

class ClientGone : public ::testing::TestWithParam<client_gone_case> {};

// The library looks for its client about every ten seconds, and gives up on
// missing heartbeats after thirty: a minute is beyond either.
constexpr double longest_wait_seconds = 60;

TEST_P(ClientGone, TaskEndsByItselfAndANewStartResumesFromItsCheckpoint) {
    zf_test::temp_dir dir;
    const std::string slot = dir.file("slot");
    mkdir(slot.c_str(), 0755);
    zf_test::running_process client({zf_test::client_sim_path(), "--slot", slot, "--program",
                                     zf_test::program_path(), "--checkpoint-period", "1"},
                                    dir.path(), zf_test::without_display());
    // Past the first checkpoint, so that the restart has a number to show.
    for (int i = 0; i < 200 && zf_fault::read_checkpoint(slot).pass <= 0; ++i) {
        zf_fault::pause_for(0.1);
    }
    ASSERT_GT(zf_fault::read_checkpoint(slot).pass, 0) << client.output();
    client.write_input(GetParam().commands_before_kill);
    zf_fault::pause_for(1.5);
    const pid_t task = zf_test::task_pid_in(client.output());
    ASSERT_GT(task, 0) << client.output();

    kill(client.pid(), SIGKILL);
    ASSERT_TRUE(client.wait(5));
    const auto killed_at = std::chrono::steady_clock::now();
    while (zf_fault::process_running(task) &&
           std::chrono::steady_clock::now() - killed_at <
               std::chrono::duration<double>(longest_wait_seconds)) {
        zf_fault::pause_for(0.1);
    }
    const double took =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - killed_at).count();
    const bool ended = !zf_fault::process_running(task);
    if (!ended) kill(task, SIGKILL);
    ASSERT_TRUE(ended) << "the task outlived its client by " << took << " s";
    zf_fault::report_figure(
        std::string("task ended after its client died (") + GetParam().name + ")",
        std::to_string(took) + " s");

    const std::string ending_log = zf_test::read_file(slot + "/stderr.txt");
    if (*GetParam().watch_line) {
        EXPECT_NE(ending_log.find(GetParam().watch_line), std::string::npos) << ending_log;
    } else {
        EXPECT_EQ(ending_log.find(client_gone_line), std::string::npos) << ending_log;
    }

    const zf_fault::checkpoint_reading checkpoint = zf_fault::read_checkpoint(slot);
    ASSERT_FALSE(checkpoint.malformed) << "[" << checkpoint.content << "]";
    ASSERT_GT(checkpoint.pass, 0);

    const zf_test::run_result restart = zf_test::run_client_sim(slot, {}, "@1 quit\n", 30);
    ASSERT_TRUE(restart.ended) << restart.output;
    EXPECT_EQ(restart.exit_status, 0) << restart.output;
    const std::string log = zf_test::read_file(slot + "/stderr.txt");
    EXPECT_NE(log.find("worker: restarting at " + std::to_string(checkpoint.pass) + " \n"),
              std::string::npos)
        << log;
}

INSTANTIATE_TEST_SUITE_P(
    WhileTheTask, ClientGone,
    ::testing::Values(client_gone_case{"Runs", "", ""},
                      client_gone_case{"IsSuspended", "suspend\n", client_gone_line}),
    [](const ::testing::TestParamInfo<client_gone_case>& info) { return info.param.name; });

// The client's own ways to end a task must work while the task is suspended,
// as a client that shuts down sends "<quit/>" to its suspended tasks too.
struct ending_message_case {
    const char* message;
    int exit_status;
    const char* watch_line;
};

std::ostream& operator<<(std::ostream& out, const ending_message_case& c) {
    return out << c.message;
}

class SuspendedTask : public ::testing::TestWithParam<ending_message_case> {};

TEST_P(SuspendedTask, EndsOnTheClientsMessage) {
    zf_test::temp_dir dir;
    const std::string slot = dir.file("slot");
    mkdir(slot.c_str(), 0755);
    const std::string commands = std::string("suspend\nsleep 2\n") + GetParam().message + "\n";
    const zf_test::run_result run = zf_test::run_client_sim(slot, {}, commands, 20);
    ASSERT_TRUE(run.ended) << "a suspended task ignored " << GetParam().message << "\n"
                           << run.output;
    EXPECT_EQ(run.exit_status, GetParam().exit_status) << run.output;
    // The same statuses come from the library for a running task: only the
    // watch's line shows that the suspended task ended through it.
    const std::string log = zf_test::read_file(slot + "/stderr.txt");
    EXPECT_NE(log.find(GetParam().watch_line), std::string::npos) << log;
}

INSTANTIATE_TEST_SUITE_P(
    Messages, SuspendedTask,
    ::testing::Values(
        ending_message_case{"quit", 0, "APP: asked to quit while suspended; ending the task.\n"},
        ending_message_case{"abort", 194, "APP: aborted while suspended; ending the task.\n"}),
    [](const ::testing::TestParamInfo<ending_message_case>& info) {
        return std::string(info.param.message);
    });

}  // namespace
