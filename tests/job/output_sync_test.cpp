// A checkpoint must never count output that a power loss could take: the
// real program runs under client_sim with a recorder preloaded that sees each
// sync of the output file and each commit of a checkpoint, in their order.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app_ipc.h"
#include "tests/job/job_fixture.h"

namespace {

struct sync_log {
    struct commit {
        long pass;
        long long synced;  // what the last sync before it covered; -1: none
        long long size;    // the output file's size at the commit
    };
    std::vector<commit> commits;
    std::vector<long long> syncs;
    int failed_syncs = 0;
};

sync_log read_sync_log(const std::string& path) {
    sync_log log;
    std::istringstream lines(zf_test::read_file(path));
    static const std::regex commit(R"(commit (\d+) synced (-?\d+) size (-?\d+))");
    static const std::regex sync(R"(sync (\d+))");
    std::smatch match;
    for (std::string line; std::getline(lines, line);) {
        if (std::regex_match(line, match, commit)) {
            log.commits.push_back(
                {std::stol(match[1]), std::stoll(match[2]), std::stoll(match[3])});
        } else if (std::regex_match(line, match, sync)) {
            log.syncs.push_back(std::stoll(match[1]));
        } else if (line == "failed-sync") {
            ++log.failed_syncs;
        }
    }
    return log;
}

// A few passes near the 120 s limit, with a checkpoint due every second.
const std::vector<std::string> checkpoint_each_second = {"--checkpoint-period", "1",
                                                         "--wu-cpu-time", "117"};

class OutputSync : public ::testing::Test {
  protected:
    zf_test::run_result run(bool fail_output_syncs) const {
        zf_test::environment_changes environment = zf_test::without_display();
        environment["LD_PRELOAD"] = ZF_SYNC_RECORDER_PATH;
        environment["ZF_SYNC_LOG"] = log_path();
        if (fail_output_syncs) environment["ZF_SYNC_FAIL_OUTPUT"] = "1";
        return zf_test::run_client_sim(slot_.path(), checkpoint_each_second, "", 120, environment);
    }
    std::string log_path() const { return slot_.path() + ".sync_log"; }
    sync_log records() const { return read_sync_log(log_path()); }

    job_slot slot_;
};

TEST_F(OutputSync, EveryCheckpointCountsOnlyOutputAlreadyOnDisk) {
    const zf_test::run_result result = run(false);
    ASSERT_TRUE(result.ended) << result.output;
    EXPECT_EQ(result.exit_status, 0) << result.output;
    const sync_log log = records();
    ASSERT_GE(log.commits.size(), 2u) << "too few checkpoints to judge (or the recorder was not "
                                         "loaded)\n"
                                      << zf_test::read_file(log_path()) << result.output;
    for (const auto& commit : log.commits) {
        EXPECT_GT(commit.size, 0) << "pass " << commit.pass;
        EXPECT_EQ(commit.synced, commit.size)
            << "the checkpoint for pass " << commit.pass << " was committed while the output file "
            << "held " << commit.size << " bytes, of which " << commit.synced
            << " were known to be on disk";
    }
    EXPECT_EQ(slot_.checkpoint(), " " + std::to_string(log.commits.back().pass) + " \n");
    // The finished task's output, which the client takes as the result, is on disk too.
    ASSERT_FALSE(log.syncs.empty());
    EXPECT_EQ(log.syncs.back(), static_cast<long long>(slot_.out().size()));
}

TEST_F(OutputSync, AFailedSyncCommitsNoCheckpointAndLeavesForARetry) {
    slot_.set_checkpoint(" 5 \n");
    const zf_test::run_result result = run(true);
    ASSERT_TRUE(result.ended) << result.output;
    const sync_log log = records();
    ASSERT_GE(log.failed_syncs, 1) << "no sync of the output file was seen\n" << result.output;
    EXPECT_TRUE(log.commits.empty()) << zf_test::read_file(log_path());
    EXPECT_EQ(slot_.checkpoint(), " 5 \n");
    EXPECT_NE(slot_.log().find("worker: cannot sync the output file to disk (Input/output error); "
                               "leaving for a retry.\n"),
              std::string::npos)
        << slot_.log();
    EXPECT_TRUE(zf_test::file_exists(slot_.file(TEMPORARY_EXIT_FILE))) << result.output;
    EXPECT_EQ(result.output.find("finished through boinc_finish"), std::string::npos)
        << result.output;
}

}  // namespace
