// The output file on a device with no room left, and a slot in which the
// checkpoint cannot be replaced: the task says so in its log, does not crash,
// and keeps the last good checkpoint and every line already written.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "tests/faults/fault_support.h"
#include "tests/support/real_part.h"

namespace {

// A 64 kB tmpfs, unmounted at the end.
class small_device {
  public:
    explicit small_device(const std::string& path) : path_(path) {
        mkdir(path.c_str(), 0755);
        if (mount("tmpfs", path.c_str(), "tmpfs", 0, "size=64k") == 0) {
            mounted_ = true;
        } else {
            error_ = std::strerror(errno);
        }
    }
    ~small_device() {
        if (mounted_) umount2(path_.c_str(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }
    const std::string& error() const { return error_; }

    // Writes a file until the device has no room left.
    void fill(const std::string& name) const {
        std::ofstream filler(path_ + "/" + name, std::ios::binary);
        const std::string block(4096, 'x');
        for (int i = 0; i < 64 && filler.write(block.data(), block.size()); ++i) filler.flush();
    }

  private:
    std::string path_;
    bool mounted_ = false;
    std::string error_;
};

// The slot's directory frozen, so that the checkpoint can be neither created
// nor renamed in it: immutable for root, whom permissions do not stop, and
// read-only for anyone else; writable again at the end.
class frozen_directory {
  public:
    explicit frozen_directory(const std::string& path) : path_(path), as_root_(geteuid() == 0) {
        set_ = as_root_ ? std::system(("chattr +i '" + path + "' 2>/dev/null").c_str()) == 0
                        : chmod(path.c_str(), 0555) == 0;
    }
    ~frozen_directory() { release(); }
    bool set() const { return set_; }
    void release() {
        if (set_ && as_root_) std::system(("chattr -i '" + path_ + "'").c_str());
        if (set_ && !as_root_) chmod(path_.c_str(), 0755);
        set_ = false;
    }

  private:
    std::string path_;
    bool as_root_;
    bool set_ = false;
};

std::size_t occurrences(const std::string& text, const std::string& needle) {
    std::size_t n = 0;
    for (auto at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
    return n;
}

// Runs the task from pass 300 with its output on a full device: it must say
// so, not crash, and keep the checkpoint, which would cover lost output.
void run_until_the_output_fails(const std::string& slot) {
    zf_test::write_file(slot + "/ckpt_state", " 300 \n");
    const zf_test::run_result full =
        zf_test::run_client_sim(slot, {"--checkpoint-period", "1"}, "", 60);
    ASSERT_TRUE(full.ended) << full.output;
    EXPECT_LT(full.exit_status, 128) << "the task crashed\n" << full.output;
    const std::string log = zf_test::read_file(slot + "/stderr.txt");
    EXPECT_NE(log.find("worker: cannot write the output file ("), std::string::npos) << log;
    EXPECT_EQ(zf_test::read_file(slot + "/ckpt_state"), " 300 \n")
        << "a checkpoint covered output that never reached the disk";
}

// Without the privilege to mount a small device, the full device that anyone
// may open: the write fails and the checkpoint stays where it was.
TEST(UnwritableFiles, OutputOnTheFullDeviceFailsAndKeepsTheCheckpoint) {
    zf_test::temp_dir dir;
    const std::string slot = dir.file("slot");
    mkdir(slot.c_str(), 0755);
    zf_test::write_file(slot + "/out.txt", "<soft_link>/dev/full</soft_link>\n");
    run_until_the_output_fails(slot);
}

TEST(UnwritableFiles, OutputOnAFullDeviceEndsForARetryAndLosesNothing) {
    zf_test::temp_dir dir;
    small_device device(dir.file("full"));
    ZF_REQUIRE_REAL_PART(device.mounted(), "cannot mount a tmpfs here: " + device.error());
    const std::string slot = dir.file("slot");
    mkdir(slot.c_str(), 0755);
    // Earlier output fills whole pages of the device, so the next line needs a new one.
    const std::string earlier = std::string(4095, 'e') + "\n";
    zf_test::write_file(dir.file("full/out.txt"), earlier);
    device.fill("filler");
    zf_test::write_file(slot + "/out.txt",
                        "<soft_link>" + dir.file("full/out.txt") + "</soft_link>\n");
    run_until_the_output_fails(slot);
    EXPECT_EQ(zf_test::read_file(dir.file("full/out.txt")).substr(0, earlier.size()), earlier);

    // With room again, the next start resumes at the kept checkpoint and writes.
    std::remove(dir.file("full/filler").c_str());
    const zf_test::run_result again =
        zf_test::run_client_sim(slot, {"--checkpoint-period", "1"}, "@2 quit\n", 60);
    ASSERT_TRUE(again.ended) << again.output;
    EXPECT_EQ(again.exit_status, 0) << again.output;
    const std::string out = zf_test::read_file(dir.file("full/out.txt"));
    EXPECT_EQ(out.substr(0, earlier.size()), earlier);
    EXPECT_NE(out.find(" i=  300 : T="), std::string::npos) << out;
    EXPECT_NE(zf_test::read_file(slot + "/stderr.txt").find("worker: restarting at 300 \n"),
              std::string::npos);
}

TEST(UnwritableFiles, CheckpointThatCannotBeReplacedKeepsTheLastGoodOneAndIsRetried) {
    zf_test::temp_dir dir;
    const std::string slot = dir.file("slot");
    mkdir(slot.c_str(), 0755);
    zf_test::write_file(slot + "/ckpt_state", " 300 \n");
    zf_test::running_process client({zf_test::client_sim_path(), "--slot", slot, "--program",
                                     zf_test::program_path(), "--checkpoint-period", "1"},
                                    dir.path(), zf_test::without_display());
    for (int i = 0; i < 200 && zf_fault::read_checkpoint(slot).pass <= 300; ++i) {
        zf_fault::pause_for(0.1);
    }
    ASSERT_GT(zf_fault::read_checkpoint(slot).pass, 300) << client.output();

    frozen_directory frozen(slot);
    ZF_REQUIRE_REAL_PART(frozen.set(), "cannot freeze " + slot);
    const zf_fault::checkpoint_reading kept = zf_fault::read_checkpoint(slot);
    const std::size_t failures_before =
        occurrences(zf_test::read_file(slot + "/stderr.txt"), "do_checkpoint: ");
    // The library's open retries for a few seconds before it gives up, so
    // each failed attempt holds the worker that long.
    std::string log;
    for (int i = 0; i < 120; ++i) {
        log = zf_test::read_file(slot + "/stderr.txt");
        if (occurrences(log, "do_checkpoint: ") >= failures_before + 2) break;
        zf_fault::pause_for(0.1);
    }
    EXPECT_GE(occurrences(log, "do_checkpoint: "), failures_before + 2)
        << "a failed checkpoint should be tried again\n"
        << log;
    const zf_fault::checkpoint_reading during = zf_fault::read_checkpoint(slot);
    EXPECT_EQ(during.content, kept.content);
    EXPECT_FALSE(client.wait(0)) << "the task ended\n" << client.output();

    frozen.release();
    for (int i = 0; i < 50 && zf_fault::read_checkpoint(slot).pass <= kept.pass; ++i) {
        zf_fault::pause_for(0.1);
    }
    EXPECT_GT(zf_fault::read_checkpoint(slot).pass, kept.pass) << "no checkpoint after the retry";
    client.write_input("quit\n");
    ASSERT_TRUE(client.wait(15)) << client.output();
    EXPECT_EQ(client.exit_status(), 0) << client.output();
}

}  // namespace
