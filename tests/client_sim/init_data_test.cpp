#include "tools/client_sim/init_data.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#include "tests/support/test_support.h"

namespace {

// What client_sim writes must be what the task's library reads.
TEST(InitData, LibraryReadsBackEveryValueGiven) {
    zf_test::temp_dir dir;
    init_data_values values;
    values.user_name = "Zoë <Quenlart> & Co";
    values.authenticator = "auth123";
    values.team_name = "Team \"Fold\"";
    values.project_dir = "/p/dir";
    values.boinc_dir = "/b/dir";
    values.user_total_credit = 1.5;
    values.user_expavg_credit = 2.25;
    values.host_total_credit = 3.75;
    values.host_expavg_credit = 4.125;
    values.app_name = "app name";
    values.wu_name = "wu_7";
    values.slot = 7;
    values.os_name = "Debian GNU/Linux";
    values.wu_cpu_time = 119.75;
    values.checkpoint_period = 2.0;
    APP_INIT_DATA written;
    fill_init_data(values, written);
    ASSERT_EQ(write_init_data(dir.path(), written), 0);

    FILE* file = std::fopen(dir.file("init_data.xml").c_str(), "r");
    ASSERT_NE(file, nullptr);
    APP_INIT_DATA read;
    EXPECT_EQ(parse_init_data_file(file, read), 0);
    std::fclose(file);

    EXPECT_STREQ(read.user_name, values.user_name.c_str());
    EXPECT_STREQ(read.authenticator, "auth123");
    EXPECT_STREQ(read.team_name, values.team_name.c_str());
    EXPECT_STREQ(read.project_dir, "/p/dir");
    EXPECT_STREQ(read.boinc_dir, "/b/dir");
    EXPECT_DOUBLE_EQ(read.user_total_credit, 1.5);
    EXPECT_DOUBLE_EQ(read.user_expavg_credit, 2.25);
    EXPECT_DOUBLE_EQ(read.host_total_credit, 3.75);
    EXPECT_DOUBLE_EQ(read.host_expavg_credit, 4.125);
    EXPECT_STREQ(read.app_name, "app name");
    EXPECT_STREQ(read.wu_name, "wu_7");
    EXPECT_EQ(read.slot, 7);
    EXPECT_STREQ(read.host_info.os_name, "Debian GNU/Linux");
    EXPECT_DOUBLE_EQ(read.wu_cpu_time, 119.75);
    EXPECT_DOUBLE_EQ(read.checkpoint_period, 2.0);
    EXPECT_EQ(read.client_pid, static_cast<int>(getpid()));
    EXPECT_EQ(read.shmem_seg_name, -1);  // the mmap file, not System V memory
    // Without this range the library reports every fraction done as 0.
    EXPECT_DOUBLE_EQ(read.fraction_done_end, 1.0);
}

TEST(InitData, OverlongNamesAreCutToTheRecordsFields) {
    init_data_values values;
    values.user_name = std::string(1000, 'u');
    APP_INIT_DATA record;
    fill_init_data(values, record);
    EXPECT_EQ(std::string(record.user_name), std::string(sizeof record.user_name - 1, 'u'));
}

}  // namespace
