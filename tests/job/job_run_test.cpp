// The real program under client_sim, with the real library and shared memory.
// Runs start near their end (through the checkpoint or the processor time of
// earlier runs), since each pass burns a fraction of a second.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <regex>
#include <string>

#include "tests/job/job_fixture.h"

namespace {

using zf_test::lines_containing;
using zf_test::reported_fractions;

// Just above the limit without graphics: the first pass is the last one.
const std::vector<std::string> one_pass = {"--wu-cpu-time", "120.5"};

// A suspension sent at once lands in the first pass or, on a fast machine, as
// the task finishes; in neither may it hold the task past the resume.
const char* const suspend_at_once = "suspend\nsleep 1.5\nresume\n";

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

double final_cpu_time(const std::string& out) {
    std::smatch match;
    static const std::regex cpu_line(R"( CPU is ([0-9.]+) seconds\n)");
    return std::regex_search(out, match, cpu_line) ? std::stod(match[1]) : -1.0;
}

void expect_clean_finish(const zf_test::run_result& result) {
    ASSERT_TRUE(result.ended) << result.output;
    EXPECT_EQ(result.exit_status, 0) << result.output;
    EXPECT_TRUE(contains(result.output, "finished through boinc_finish(0)")) << result.output;
}

TEST(JobRun, FreshStartWritesGreetingInitDataAndPassZero) {
    job_slot slot;
    std::vector<std::string> options = {"--user-name",
                                        "Mira Voss",
                                        "--authenticator",
                                        "a1b2",
                                        "--team-name",
                                        "Fold & Co",
                                        "--project-dir",
                                        "/proj/zf",
                                        "--boinc-dir",
                                        "/boinc",
                                        "--user-total-credit",
                                        "1.5",
                                        "--user-expavg-credit",
                                        "2.25",
                                        "--host-total-credit",
                                        "3.75",
                                        "--host-expavg-credit",
                                        "4.125",
                                        "--app-name",
                                        "zf_app",
                                        "--wu-name",
                                        "wu_42",
                                        "--slot-number",
                                        "3",
                                        "--os-name",
                                        "TestOS"};
    options.insert(options.end(), one_pass.begin(), one_pass.end());
    auto result = slot.run(options, suspend_at_once);
    expect_clean_finish(result);

    const std::string out = slot.out();
    const std::string head =
        "Hello, BOINC World!\n===================\n\n"
        "User: Mira Voss \t\tAuth: a1b2 \n"
        "Team: Fold & Co \n\n"
        "Project Dir: /proj/zf \n"
        "BOINC Dir: /boinc \n\n"
        "Total Credit:\t 1.500000\n"
        "Avg Credit:\t 2.250000\n"
        "Host Credit:\t 3.750000\n"
        "Host Avg:  \t 4.125000\n\n"
        "APP Name: zf_app \n"
        "WU Name:  wu_42 \n"
        "Slot:  3 \n"
        "\n================\n"
        "APP OS Name: TestOS \n";
    EXPECT_EQ(out.substr(0, head.size()), head);
    EXPECT_TRUE(std::regex_search(
        out, std::regex(R"(\n i=    0 : T=   120\.[0-9]{2} seconds :  0\.00 % \n)")))
        << out;
    EXPECT_TRUE(
        std::regex_search(out, std::regex(R"( CPU is [0-9.]+ seconds\n\nBlow me down!\n$)")))
        << out;

    const std::string log = slot.log();
    for (const char* line :
         {"main: compiled with BOINC version 4.66.\n", "worker: Starting from scratch.  \n",
          "worker: trying boinc_get_init_data()...\n", "worker: graphics NEVER initialzed!\n",
          "worker: all done\nBlow me down!\n"}) {
        EXPECT_TRUE(contains(log, line)) << line << "\nin:\n" << log;
    }
    EXPECT_TRUE(std::regex_search(
        log,
        std::regex(R"(worker: CPU time: [0-9.]+ seconds, Wall clock time: [0-9.]+ seconds\n)")))
        << log;
}

// The library passes on, about once a second, the fraction of the pass then
// running, and 1 once the task finishes.
TEST(JobRun, ReportedFractionIsThatOfThePassThenRunning) {
    job_slot slot;
    slot.set_checkpoint(" 59 \n");
    auto result = slot.run({"--wu-cpu-time", "118.5"});
    expect_clean_finish(result);
    const std::vector<double> fractions = reported_fractions(result.output);
    ASSERT_GE(fractions.size(), 2u) << result.output;
    EXPECT_EQ(fractions.back(), 1.0) << result.output;
    double previous_pass = 59;
    for (std::size_t i = 0; i + 1 < fractions.size(); ++i) {
        const double pass = fractions[i] * 1247.0;
        EXPECT_NEAR(pass, std::round(pass), 0.01) << result.output;
        EXPECT_GE(std::round(pass), previous_pass) << result.output;
        previous_pass = std::round(pass);
    }
}

struct restart_case {
    const char* name;
    const char* checkpoint;
    const char* restart_line;
    const char* first_progress_line;  // null: no pass runs
};

void PrintTo(const restart_case& c, std::ostream* os) { *os << c.name; }

class JobRestart : public ::testing::TestWithParam<restart_case> {};

TEST_P(JobRestart, StartsFromTheCheckpointedPass) {
    const restart_case& c = GetParam();
    job_slot slot;
    slot.set_checkpoint(c.checkpoint);
    auto result = slot.run(one_pass);
    expect_clean_finish(result);
    EXPECT_TRUE(contains(slot.log(), c.restart_line)) << slot.log();
    const std::string out = slot.out();
    std::vector<std::string> progress = lines_containing(out, " i=");
    if (c.first_progress_line) {
        ASSERT_EQ(progress.size(), 1u) << out;
        EXPECT_TRUE(std::regex_search(progress[0], std::regex(c.first_progress_line))) << out;
    } else {
        EXPECT_TRUE(progress.empty()) << out;
        // No pass reported a fraction; only the library's final 1 may show.
        for (double f : reported_fractions(result.output)) EXPECT_TRUE(f == 0.0 || f == 1.0);
        EXPECT_TRUE(contains(out, "\nBlow me down!\n")) << out;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Checkpoints, JobRestart,
    ::testing::Values(restart_case{"Pass600", " 600 \n", "worker: restarting at 600 \n",
                                   R"(^ i=  600 : T= +[0-9.]+ seconds : 48\.12 % $)"},
                      restart_case{"Pass1200", " 1200 \n", "worker: restarting at 1200 \n",
                                   nullptr},
                      restart_case{"PastTheEnd", "5000", "worker: restarting at 5000 \n", nullptr},
                      restart_case{"Empty", "", "worker: restarting at 0 \n",
                                   R"(^ i=    0 : T= +[0-9.]+ seconds :  0\.00 % $)"},
                      restart_case{"Negative", " -5 \n", "worker: restarting at 0 \n",
                                   R"(^ i=    0 : T= +[0-9.]+ seconds :  0\.00 % $)"},
                      restart_case{"Text", "pass twelve\n", "worker: restarting at 0 \n",
                                   R"(^ i=    0 : T= +[0-9.]+ seconds :  0\.00 % $)"}),
    [](const auto& info) { return std::string(info.param.name); });

// Pass 59 is the first; a line for pass 60 shows whether a second pass ran.
TEST(JobLimit, PassReadingAbove120WithoutGraphicsIsTheLast) {
    job_slot slot;
    slot.set_checkpoint(" 59 \n");
    auto result = slot.run(one_pass);
    expect_clean_finish(result);
    EXPECT_TRUE(lines_containing(slot.out(), " i=").empty()) << slot.out();
    // Earlier runs' time plus this run's one pass, not a fresh count.
    const double cpu = final_cpu_time(slot.out());
    EXPECT_GE(cpu, 120.5);
    EXPECT_LT(cpu, 123.0);
}

// Until the library's first refresh, about a second in, the reading is the
// processor time of earlier runs exactly.
TEST(JobLimit, ReadingOfExactly120GoesOn) {
    job_slot slot;
    slot.set_checkpoint(" 59 \n");
    auto result = slot.run({"--wu-cpu-time", "120"});
    expect_clean_finish(result);
    EXPECT_EQ(lines_containing(slot.out(), " i=   60 : T=").size(), 1u) << slot.out();
}

TEST(JobLimit, ReadingsBelow120GoOnUntilOneIsAbove) {
    job_slot slot;
    slot.set_checkpoint(" 59 \n");
    auto result = slot.run({"--wu-cpu-time", "119.2"});
    expect_clean_finish(result);
    EXPECT_EQ(lines_containing(slot.out(), " i=   60 : T=").size(), 1u) << slot.out();
    // The library refreshes the reading about once a second, so the last
    // pass starts at most that long after the limit was passed.
    double cpu = final_cpu_time(slot.out());
    EXPECT_GT(cpu, 120.0);
    EXPECT_LT(cpu, 123.0);
}

TEST(JobCheckpoint, IsRewrittenWholeWithOneNumber) {
    job_slot slot;
    // The old content is longer than any new one, with junk after the number.
    slot.set_checkpoint(" 60 \n" + std::string(300, '7') + "\n");
    auto result = slot.run({"--wu-cpu-time", "118.5", "--checkpoint-period", "1"});
    expect_clean_finish(result);
    std::smatch match;
    const std::string checkpoint = slot.checkpoint();
    ASSERT_TRUE(std::regex_match(checkpoint, match, std::regex(R"( ([0-9]+) \n)")))
        << '"' << checkpoint << '"';
    EXPECT_GT(std::stoi(match[1]), 60);
    EXPECT_FALSE(zf_test::file_exists(slot.file("ckpt_state.tmp")));
}

TEST(JobCheckpoint, OutputFileThatCannotBeOpenedEndsTheTaskCleanly) {
    job_slot slot;
    zf_test::write_file(slot.file("out.txt"), "<soft_link>missing/out.txt</soft_link>\n");
    auto result = slot.run(one_pass);
    ASSERT_TRUE(result.ended) << result.output;
    EXPECT_NE(result.exit_status, 0) << result.output;
    EXPECT_TRUE(contains(result.output, "finished through boinc_finish")) << result.output;
    EXPECT_FALSE(zf_test::file_exists(slot.file("ckpt_state")));
}

TEST(JobStandalone, RunsWithoutDisplayOrClientAndEndsWithStatusZero) {
    job_slot slot;
    slot.set_checkpoint(" 1199 \n");
    auto result = zf_test::run_standalone(slot.path(), 120);
    ASSERT_TRUE(result.ended) << result.output;
    EXPECT_EQ(result.exit_status, 0) << result.output;
    EXPECT_TRUE(contains(slot.log(), "worker: restarting at 1199 \n")) << slot.log();
    EXPECT_TRUE(contains(slot.log(), "worker: graphics NEVER initialzed!\n")) << slot.log();
    EXPECT_TRUE(contains(slot.out(), "\nBlow me down!\n")) << slot.out();
}

// With no thread to be had (a process limit of 0 for a user without the
// privilege to pass it), the start of the graphics and the worker fails: the
// program says so and ends with the failure's status, by hand as under a client.
TEST(JobStart, NoThreadsLeavesTheStartFailureLineAndItsStatus) {
    job_slot slot;
    std::vector<std::string> argv{"/usr/bin/prlimit", "--nproc=0:0", "--", zf_test::program_path()};
    if (geteuid() == 0) {
        argv.insert(argv.begin(), {"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup",
                                   "--clear-groups", "--"});
        // The unprivileged program writes its log in the slot.
        chmod(slot.path().c_str(), 0777);
        chmod(slot.path().substr(0, slot.path().rfind('/')).c_str(), 0755);
    }
    zf_test::running_process program(argv, slot.path(), zf_test::without_display());
    program.close_input();
    ASSERT_TRUE(program.wait(30)) << program.output();
    const std::string log = slot.log();
    EXPECT_NE(log.find("APP: boinc_init_graphics(do_work) failed.\n"), std::string::npos)
        << log << program.output();
    EXPECT_EQ(log.find("APP: ALL DONE"), std::string::npos) << log;
    EXPECT_NE(program.exit_status(), 0) << log;
    EXPECT_LT(program.exit_status(), 128) << "ended by a signal\n" << log;
}

}  // namespace
