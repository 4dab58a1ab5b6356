// The library suspends the worker wherever its SIGALRM finds it. A worker
// suspended inside stdio would keep stdio's locks, and the graphics thread,
// which takes them too, would stall with it: the real program runs under
// client_sim with a recorder preloaded that sees every stdio call made where
// the library could suspend the caller.
#include <gtest/gtest.h>

#include <string>

#include "tests/job/job_fixture.h"

namespace {

TEST(WorkerSuspension, NoThreadCallsStdioWhereTheLibraryCouldSuspendIt) {
    job_slot slot;
    const std::string log_path = slot.path() + ".stdio_log";
    zf_test::environment_changes environment = zf_test::without_display();
    environment["LD_PRELOAD"] = ZF_STDIO_RECORDER_PATH;
    environment["ZF_STDIO_LOG"] = log_path;
    // Start-up, a few passes near the 120 s limit with a checkpoint due every
    // second, a suspension between them, and the closing report.
    const zf_test::run_result result =
        zf_test::run_client_sim(slot.path(), {"--checkpoint-period", "1", "--wu-cpu-time", "116"},
                                "suspend\nsleep 1\nresume\n", 120, environment);
    ASSERT_TRUE(result.ended) << result.output;
    EXPECT_EQ(result.exit_status, 0) << result.output;
    EXPECT_NE(result.output.find("checkpoint_cpu_time 11"), std::string::npos)
        << "no checkpoint was reported\n"
        << result.output;
    // client_sim, started with the same environment, loads the recorder too.
    const std::string records = zf_test::read_file(log_path);
    ASSERT_NE(records.find("loaded\n"), std::string::npos) << "the recorder was not loaded";
    EXPECT_EQ(records.find("suspendable"), std::string::npos) << records << slot.log();
}

}  // namespace
