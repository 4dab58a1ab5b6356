#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <regex>
#include <string>

#include "tests/support/test_support.h"

namespace {

using zf_test::run_client_sim;
using zf_test::temp_dir;

std::string write_script_program(const temp_dir& dir, const std::string& body) {
    std::string path = dir.file("program.sh");
    zf_test::write_file(path, "#!/bin/sh\n" + body + "\n");
    chmod(path.c_str(), 0755);
    return path;
}

double seconds_of(const std::string& output, const std::string& line_start) {
    std::smatch match;
    std::regex pattern(line_start + R"( at ([0-9.]+) s)");
    return std::regex_search(output, match, pattern) ? std::stod(match[1]) : -1.0;
}

TEST(ClientSimSession, RunsTheProgramInThePreparedSlotAndPassesOnItsStatus) {
    temp_dir dir;
    std::string slot = dir.file("slot");
    std::string program =
        write_script_program(dir, "pwd > started_in; wc -c < boinc_mmap_file > shm_size; exit 3");
    auto result = run_client_sim(slot, {"--program", program}, "", 20);
    ASSERT_TRUE(result.ended) << result.output;
    EXPECT_EQ(result.exit_status, 3) << result.output;
    EXPECT_EQ(zf_test::read_file(slot + "/started_in"), slot + "\n");
    EXPECT_EQ(zf_test::read_file(slot + "/shm_size"), "8192\n");
    EXPECT_TRUE(zf_test::file_exists(slot + "/init_data.xml"));
    EXPECT_NE(result.output.find("exit status 3 (exited with 3 without calling boinc_finish)"),
              std::string::npos)
        << result.output;
}

TEST(ClientSimSession, TaskKilledBySignalGives128PlusItsNumber) {
    temp_dir dir;
    std::string program = write_script_program(dir, "kill -9 $$");
    auto result = run_client_sim(dir.file("slot"), {"--program", program}, "", 20);
    ASSERT_TRUE(result.ended);
    EXPECT_EQ(result.exit_status, 137);
    EXPECT_NE(result.output.find("killed by signal 9 (SIGKILL)"), std::string::npos)
        << result.output;
}

TEST(ClientSimSession, ProgramThatCannotRunIsReported) {
    temp_dir dir;
    auto result = run_client_sim(dir.file("slot"), {"--program", dir.file("missing")}, "", 20);
    ASSERT_TRUE(result.ended);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_NE(result.output.find("cannot run"), std::string::npos) << result.output;
}

TEST(ClientSimSession, BadScriptLineStopsBeforeAnythingRuns) {
    temp_dir dir;
    zf_test::write_file(dir.file("steps"), "suspend\nmode sideways\n");
    auto result = run_client_sim(dir.file("slot"), {"--script", dir.file("steps")}, "", 20);
    ASSERT_TRUE(result.ended);
    EXPECT_EQ(result.exit_status, 2);
    EXPECT_NE(result.output.find("steps:2:"), std::string::npos) << result.output;
    EXPECT_FALSE(zf_test::file_exists(dir.file("slot")));
}

class ClientSimWithStandIn : public ::testing::Test {
  protected:
    zf_test::run_result run(const std::string& commands, std::vector<std::string> options = {}) {
        options.insert(options.begin(), {"--program", ZF_FAKE_TASK_PATH});
        return run_client_sim(dir.file("slot"), options, commands, 30);
    }
    temp_dir dir;
};

// The stand-in echoes each request slowly, so the second request has to wait
// in client_sim's queue while the first still occupies the channel.
TEST_F(ClientSimWithStandIn, RequestsGoOutInOrderAndRepliesAreShownAndAwaited) {
    auto result =
        run("mode window\n"
            "mode fullscreen desktop=d\n"
            "sleep 1\n"
            "wait echo:<mode_window/> 3\n"
            "wait echo:<mode_fullscreen/><desktop>d</desktop> 3\n"
            "wait <nothing/> 0.3\n"
            "raw exit 5\n");
    ASSERT_TRUE(result.ended) << result.output;
    EXPECT_EQ(result.exit_status, 5) << result.output;
    const std::string& out = result.output;
    double first_sent = seconds_of(out, "sent <mode_window/>");
    double second_sent = seconds_of(out, "sent <mode_fullscreen/><desktop>d</desktop>");
    double first_reply = seconds_of(out, "reply echo:<mode_window/>");
    ASSERT_GE(first_sent, 0.0) << out;
    EXPECT_GT(second_sent, first_sent) << out;
    EXPECT_GT(first_reply, first_sent) << out;
    // The reply came during the sleep, before its wait began, and still counts.
    EXPECT_NE(out.find("wait echo:<mode_window/>: received"), std::string::npos) << out;
    EXPECT_NE(out.find("wait echo:<mode_fullscreen/><desktop>d</desktop>: received"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("wait <nothing/>: timed out"), std::string::npos) << out;
}

TEST_F(ClientSimWithStandIn, AWaitOnlyCountsRepliesAfterThePreviousWait) {
    auto result =
        run("mode window\n"
            "wait echo:<mode_window/> 3\n"
            "wait echo:<mode_window/> 0.5\n"
            "quit\n");
    ASSERT_TRUE(result.ended) << result.output;
    EXPECT_NE(result.output.find("wait echo:<mode_window/>: timed out"), std::string::npos)
        << result.output;
}

TEST_F(ClientSimWithStandIn, TimedOutWaitCanEndTheSession) {
    auto result = run("wait <never/> 0.5\n", {"--stop-on-timeout"});
    ASSERT_TRUE(result.ended) << result.output;
    EXPECT_EQ(result.exit_status, 124) << result.output;
}

TEST_F(ClientSimWithStandIn, TimedStepWaitsForItsMoment) {
    auto result = run("@1.5 quit\n");
    ASSERT_TRUE(result.ended) << result.output;
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_GE(seconds_of(result.output, "sent <quit/>"), 1.5) << result.output;
}

TEST_F(ClientSimWithStandIn, WindowOptionAsksForAWindowAtOnce) {
    auto result = run("wait echo:<mode_window/> 3\nquit\n", {"--window"});
    ASSERT_TRUE(result.ended) << result.output;
    EXPECT_NE(result.output.find("wait echo:<mode_window/>: received"), std::string::npos)
        << result.output;
}

// The task starts in its slot, not where client_sim was started.
TEST_F(ClientSimWithStandIn, ProgramPathRelativeToTheCallerWorks) {
    std::string fake_task = ZF_FAKE_TASK_PATH;
    std::string bin_dir = fake_task.substr(0, fake_task.rfind('/'));
    std::string relative = "./" + fake_task.substr(fake_task.rfind('/') + 1);
    std::vector<std::string> argv{zf_test::client_sim_path(), "--slot", dir.file("slot"),
                                  "--program", relative};
    zf_test::running_process client(argv, bin_dir);
    client.write_input("quit\n");
    client.close_input();
    ASSERT_TRUE(client.wait(10)) << client.output();
    EXPECT_EQ(client.exit_status(), 0) << client.output();
}

TEST_F(ClientSimWithStandIn, TerminationAsksTheTaskToQuit) {
    std::vector<std::string> argv{zf_test::client_sim_path(), "--slot", dir.file("slot"),
                                  "--program", ZF_FAKE_TASK_PATH};
    zf_test::running_process client(argv, dir.path());
    ASSERT_TRUE(client.wait_for_output(" as pid ", 10)) << client.output();
    kill(client.pid(), SIGTERM);
    ASSERT_TRUE(client.wait(10)) << client.output();
    EXPECT_EQ(client.exit_status(), 0) << client.output();
    EXPECT_NE(client.output().find("sent <quit/>"), std::string::npos) << client.output();
}

}  // namespace
