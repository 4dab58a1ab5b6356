// SIGKILL at random moments of a task that checkpoints every second, restarted
// each time in the same slot: no kill may cost a checkpoint or the output that
// a checkpoint has covered.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <random>
#include <sstream>

#include "tests/faults/fault_support.h"

namespace {

// The pass numbers of the output file's progress lines (" i=   60 : ...").
std::vector<long> progress_passes(const std::string& out) {
    std::vector<long> passes;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(" i=", 0) == 0) passes.push_back(std::atol(line.c_str() + 3));
    }
    return passes;
}

bool holds_pass(const std::vector<long>& passes, long pass) {
    return std::find(passes.begin(), passes.end(), pass) != passes.end();
}

TEST(KillsDuringCheckpointing, CheckpointParsesNeverGoesBackAndCoversTheOutput) {
    const int kills = zf_fault::rounds("KILLS", 15, 200);
    zf_test::temp_dir dir;
    const std::string slot = dir.file("slot");
    mkdir(slot.c_str(), 0755);
    std::mt19937 moments(zf_fault::storm_seed());
    // Passes take a few tenths of a second, and the library checkpoints at most
    // once a second, so kills spread over this span land before, during and
    // after checkpoints.
    std::uniform_real_distribution<double> kill_at(0.2, 2.2);

    long last_pass = -1;
    int survived = 0;
    for (int kill = 0; kill < kills; ++kill) {
        SCOPED_TRACE("kill " + std::to_string(kill + 1));
        const std::string commands = "@" + std::to_string(kill_at(moments)) + " kill\n";
        const zf_test::run_result run = zf_test::run_client_sim(
            slot, {"--checkpoint-period", "1", "--wu-cpu-time", "0"}, commands, 60);
        ASSERT_TRUE(run.ended) << run.output;
        ASSERT_EQ(run.exit_status, 137) << "the task ended before its kill\n" << run.output;

        const zf_fault::checkpoint_reading checkpoint = zf_fault::read_checkpoint(slot);
        ASSERT_FALSE(checkpoint.malformed) << "[" << checkpoint.content << "]";
        ASSERT_GE(checkpoint.pass, last_pass) << "the checkpoint went back";
        last_pass = checkpoint.pass;

        // The line of a pass is flushed before that pass's checkpoint is taken.
        const std::vector<long> passes = progress_passes(zf_test::read_file(slot + "/out.txt"));
        for (long pass = 0; pass <= last_pass; pass += 60) {
            ASSERT_TRUE(holds_pass(passes, pass)) << "the line of pass " << pass << " is lost";
        }
        ++survived;
    }
    zf_fault::report_figure("kills survived", std::to_string(survived) + " of " +
                                                  std::to_string(kills) + ", last checkpoint " +
                                                  std::to_string(last_pass));
    EXPECT_GT(last_pass, 0) << "no checkpoint was ever taken";
}

}  // namespace
