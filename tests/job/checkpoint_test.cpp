#include "job/checkpoint.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "tests/support/test_support.h"

namespace {

TEST(CheckpointText, TakesTheFirstIntegerAfterLeadingBlanks) {
    struct {
        const char* text;
        int pass;
    } const cases[] = {
        {" 120 \n", 120},
        {"600", 600},
        {"\t\n 42 junk", 42},
        {"12abc", 12},
        {"+7", 7},
        {"1200", 1200},
        {"2147483647", 2147483647},
        // No usable number: the job starts at pass 0.
        {"", 0},
        {"   \n", 0},
        {"abc 5", 0},
        {"-5", 0},
        {"-2147483648", 0},
        {"2147483648", 0},
        {"99999999999999999999999", 0},
        {"\x01\x02\xff", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parse_checkpoint_text(c.text), c.pass) << '"' << c.text << '"';
    }
}

// The writer and reader work on "ckpt_state" in the working directory.
class CheckpointFile : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(getcwd(old_dir_, sizeof old_dir_), nullptr);
        ASSERT_EQ(chdir(dir_.path().c_str()), 0);
    }
    void TearDown() override { ASSERT_EQ(chdir(old_dir_), 0); }

    std::string content() const { return zf_test::read_file(dir_.file("ckpt_state")); }

    zf_test::temp_dir dir_;
    char old_dir_[4096];
};

TEST_F(CheckpointFile, HoldsExactlyBlankNumberBlankNewline) {
    ASSERT_EQ(do_checkpoint(120), 0);
    EXPECT_EQ(content(), " 120 \n");
}

TEST_F(CheckpointFile, ShorterNumberLeavesNoTraceOfALongerOne) {
    ASSERT_EQ(do_checkpoint(123456), 0);
    ASSERT_EQ(do_checkpoint(7), 0);
    EXPECT_EQ(content(), " 7 \n");
    EXPECT_FALSE(zf_test::file_exists(dir_.file("ckpt_state.tmp")));
}

TEST_F(CheckpointFile, ReaderFindsWhatTheWriterWrote) {
    int pass = -1;
    EXPECT_FALSE(read_checkpoint(pass));  // no file yet
    ASSERT_EQ(do_checkpoint(1199), 0);
    ASSERT_TRUE(read_checkpoint(pass));
    EXPECT_EQ(pass, 1199);
}

TEST_F(CheckpointFile, UnwritableTargetKeepsTheOldCheckpoint) {
    // The library resolves the logical name through a soft link into a
    // directory that does not exist, so the new checkpoint cannot be created.
    zf_test::write_file(dir_.file("ckpt_state"), "<soft_link>missing/ckpt</soft_link>\n");
    EXPECT_EQ(do_checkpoint(60), 1);
    EXPECT_EQ(content(), "<soft_link>missing/ckpt</soft_link>\n");
}

}  // namespace
