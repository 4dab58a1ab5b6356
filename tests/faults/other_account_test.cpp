// Sandboxed installs run a task under an account of its own, apart from its
// client's: the task may then not signal its client, which is alive all the
// same. A suspension longer than the watch's grace period must not end it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <regex>
#include <string>

#include "tests/faults/fault_support.h"
#include "tests/support/real_part.h"

namespace {

// An unprivileged account that every Linux system has ("nobody").
constexpr uid_t task_uid = 65534;
// Beyond the watch's 5 s grace period and its 1 s check interval, with room.
constexpr double suspended_seconds = 9;

double ended_at(const std::string& client_sim_output) {
    static const std::regex ended(R"(task ended at ([0-9.]+) s)");
    std::smatch match;
    return std::regex_search(client_sim_output, match, ended) ? std::stod(match[1]) : -1;
}

TEST(TaskUnderAnotherAccount, OutlastsALongSuspensionAndFinishes) {
    ZF_REQUIRE_REAL_PART(geteuid() == 0,
                         "needs root, to run the task under another account than its client");
    zf_test::temp_dir dir;
    // The task's account must reach its slot inside the test's directory.
    chmod(dir.path().c_str(), 0755);
    const std::string slot = dir.file("slot");
    mkdir(slot.c_str(), 0755);

    // Two seconds of work under the 120 s limit, suspended for longer than
    // the grace period after one.
    const std::string commands =
        "@1 suspend\n@" + std::to_string(1 + suspended_seconds) + " resume\n";
    const zf_test::run_result run = zf_test::run_client_sim(
        slot, {"--task-uid", std::to_string(task_uid), "--wu-cpu-time", "118"}, commands, 90);
    ASSERT_TRUE(run.ended) << run.output;

    struct stat out {};
    ASSERT_EQ(stat((slot + "/out.txt").c_str(), &out), 0) << run.output;
    ASSERT_EQ(out.st_uid, task_uid) << "the task did not run under the other account";
    const std::string log = zf_test::read_file(slot + "/stderr.txt");
    EXPECT_EQ(log.find("core client gone while suspended"), std::string::npos) << log;
    EXPECT_EQ(run.exit_status, 0) << run.output;
    EXPECT_NE(run.output.find("finished through boinc_finish(0)"), std::string::npos) << run.output;
    EXPECT_GE(ended_at(run.output), 1 + suspended_seconds)
        << "the task finished while it should have been suspended\n"
        << run.output;
    const std::string output = zf_test::read_file(slot + "/out.txt");
    EXPECT_NE(output.find(" i=    0 "), std::string::npos) << output;
    EXPECT_NE(output.find(" CPU is "), std::string::npos) << output;
    EXPECT_NE(output.find("\nBlow me down!\n"), std::string::npos) << output;
}

}  // namespace
