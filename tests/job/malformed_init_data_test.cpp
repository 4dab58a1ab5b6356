// Init data that a broken or hostile core client might write: the task still
// runs, and what it prints stays within the fields' bounds.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_support.h"

namespace {

struct malformed_case {
    const char* name;
    std::string init_data;
    const char* expected_line;  // a line the output file must hold
};

const std::string long_name(5000, 'A');

// The record's text fields hold 255 characters and their NUL.
const std::string longest_kept_user = "User: " + std::string(255, 'A') + " \t\t";

class MalformedInitData : public ::testing::TestWithParam<malformed_case> {};

TEST_P(MalformedInitData, TaskRunsAndOutputStaysWithinTheFields) {
    zf_test::temp_dir slot;
    zf_test::write_file(slot.file("init_data.xml"), GetParam().init_data);
    zf_test::write_file(slot.file("ckpt_state"), " 1199 \n");  // one pass only

    const zf_test::run_result run = zf_test::run_standalone(slot.path(), 60);
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exit_status, 0);
    const std::string out = zf_test::read_file(slot.file("out.txt"));
    EXPECT_NE(out.find(GetParam().expected_line), std::string::npos) << out.substr(0, 600);
    EXPECT_NE(out.find("Blow me down!"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Job, MalformedInitData,
    ::testing::Values(
        malformed_case{"LongNames",
                       "<app_init_data>\n<user_name>" + long_name + "</user_name>\n<app_name>" +
                           long_name + "</app_name>\n</app_init_data>\n",
                       longest_kept_user.c_str()},
        malformed_case{"Truncated", "<app_init_data>\n<wu_name>w1</wu_name>\n<team_name>Te",
                       "WU Name:  w1 \n"},
        malformed_case{
            "XmlEscapes",
            "<app_init_data>\n<app_name>a&amp;b&lt;c&#65;</app_name>\n</app_init_data>\n",
            "APP Name: a&b<cA \n"},
        malformed_case{"MissingFieldsAndGarbage", "<app_init_data>\n\x01\xff<slot>x</slot>\n",
                       "Slot:  0 \n"}),
    [](const ::testing::TestParamInfo<malformed_case>& info) { return info.param.name; });

}  // namespace
