// The state file as the real program publishes it under client_sim, read the
// way the companion reads it, many times a second.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "task_state/slot_file.h"
#include "task_state/task_state.h"
#include "tests/faults/fault_support.h"
#include "tests/support/real_part.h"
#include "tests/support/test_support.h"

namespace {

using zf_test::running_process;

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// One look at the slot's state file.
struct observation {
    double at = 0;  // seconds since the task started
    slot_file_status status = slot_file_status::missing;
    bool valid = false;
    task_state state;
    bool task_running = false;  // the task's process had not ended before the look
};

// Umask restored at the end.
class scoped_umask {
  public:
    explicit scoped_umask(mode_t mask) : old_(umask(mask)) {}
    ~scoped_umask() { umask(old_); }

  private:
    mode_t old_;
};

class PublishedState : public ::testing::Test {
  protected:
    void start(const std::vector<std::string>& options, const std::string& commands,
               const zf_test::environment_changes& environment = zf_test::without_display()) {
        zf_test::write_file(slot_.file("commands"), commands);
        std::vector<std::string> argv{
            zf_test::client_sim_path(), "--slot",   slot_.path(),          "--program",
            zf_test::program_path(),    "--script", slot_.file("commands")};
        argv.insert(argv.end(), options.begin(), options.end());
        client_ = std::make_unique<running_process>(argv, slot_.path(), environment);
        started_ = std::chrono::steady_clock::now();
        ASSERT_TRUE(client_->wait_for_output(" as pid ", 10)) << client_->output();
        task_seen_at_ = seconds_since(started_);
        task_ = zf_test::task_pid_in(client_->output());
        ASSERT_GT(task_, 0);
    }

    // Reads the file as fast as it can until the task has ended or `until`
    // says enough, keeping every look.
    template <class Until>
    void observe(double timeout_seconds, Until until) {
        const std::string path = state_path();
        while (seconds_since(started_) < timeout_seconds) {
            observation seen;
            seen.task_running = zf_fault::process_running(task_);
            seen.at = seconds_since(started_);
            std::string contents;
            seen.status = read_slot_file(path.c_str(), task_state_max_bytes, contents);
            seen.valid = seen.status == slot_file_status::read &&
                         parse_task_state(contents.data(), contents.size(), seen.state);
            if (seen.status != slot_file_status::missing && !seen.valid) {
                ADD_FAILURE() << "a reader found an invalid state at " << seen.at << " s:\n"
                              << contents;
            }
            observations_.push_back(seen);
            note_output_marks();
            if (!seen.task_running || until(seen)) return;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        ADD_FAILURE() << "no end of the observation in " << timeout_seconds << " s\n"
                      << client_->output();
    }
    void observe_until_the_task_ends(double timeout_seconds) {
        observe(timeout_seconds, [](const observation&) { return false; });
    }

    // Notes, during the observation, when client_sim's output first shows
    // `text` (such as the line that says a message was sent).
    void mark_when_output_shows(const std::string& text) { marks_.push_back({text, -1}); }
    // Seconds since the start at which the output showed the text; -1 if never.
    double output_mark(const std::string& text) const {
        for (const output_mark_type& mark : marks_) {
            if (mark.text == text) return mark.seen_at;
        }
        return -1;
    }

    std::string state_path() const { return slot_.file(task_state_file_name); }
    std::vector<observation> valid_observations() const {
        std::vector<observation> valid;
        for (const observation& seen : observations_) {
            if (seen.valid) valid.push_back(seen);
        }
        return valid;
    }

    zf_test::temp_dir dir_;
    struct slot_dir {
        explicit slot_dir(const zf_test::temp_dir& dir) : path_(dir.file("slot")) {
            mkdir(path_.c_str(), 0755);
        }
        const std::string& path() const { return path_; }
        std::string file(const std::string& name) const { return path_ + "/" + name; }
        std::string path_;
    } slot_{dir_};
    std::unique_ptr<running_process> client_;
    std::chrono::steady_clock::time_point started_;
    double task_seen_at_ = 0;  // seconds since the start when client_sim named the task's pid
    pid_t task_ = -1;
    std::vector<observation> observations_;

  private:
    struct output_mark_type {
        std::string text;
        double seen_at;
    };
    void note_output_marks() {
        std::string output;
        for (output_mark_type& mark : marks_) {
            if (mark.seen_at >= 0) continue;
            if (output.empty()) output = client_->output();
            if (output.find(mark.text) != std::string::npos) mark.seen_at = seconds_since(started_);
        }
    }
    std::vector<output_mark_type> marks_;
};

// Six seconds of work under the 120 s limit without graphics, suspended for
// three of them: the whole life of a task as its companion sees it.
TEST_F(PublishedState, AWholeTaskReadManyTimesASecond) {
    const scoped_umask private_files(077);
    start({"--wu-cpu-time", "114", "--user-name", "Ada Quenlart", "--app-name", "zorvath fold"},
          "@2.5 suspend\n@5.5 resume\n");
    const std::string suspend_sent = "sent <suspend/>";
    const std::string resume_sent = "sent <resume/>";
    mark_when_output_shows(suspend_sent);
    mark_when_output_shows(resume_sent);
    observe_until_the_task_ends(90);
    ASSERT_TRUE(client_->wait(30)) << client_->output();
    EXPECT_EQ(client_->exit_status(), 0) << client_->output();

    const std::vector<observation> valid = valid_observations();
    ASSERT_GT(valid.size(), 1000u) << "too few reads to tell";
    for (const observation& seen : valid) {
        EXPECT_EQ(seen.state.writer_pid, task_);
        EXPECT_EQ(seen.state.app_name, "zorvath fold");
        EXPECT_EQ(seen.state.user_name, "Ada Quenlart");
        EXPECT_GE(seen.state.cpu_time, 114.0);
    }
    for (std::size_t i = 1; i < valid.size(); ++i) {
        EXPECT_GE(valid[i].state.sequence, valid[i - 1].state.sequence);
        EXPECT_GE(valid[i].state.fraction_done, valid[i - 1].state.fraction_done);
    }

    struct stat info;
    ASSERT_EQ(stat(state_path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0644u) << "under umask 077";
    EXPECT_EQ(info.st_uid, geteuid());
    EXPECT_FALSE(zf_test::file_exists(state_path() + ".tmp"));

    // About once a second while nothing else changes: the first 2.5 s.
    std::uint64_t first_sequence = 0, sequence_at_two = 0;
    double first_at = -1;
    for (const observation& seen : valid) {
        if (first_at < 0) {
            first_at = seen.at;
            first_sequence = seen.state.sequence;
        }
        if (seen.at <= first_at + 2.0) sequence_at_two = seen.state.sequence;
    }
    // From the moment the task exists: its start-up and first tick, with
    // room for a loaded machine.
    EXPECT_LT(first_at - task_seen_at_, 3.0) << "the first state came late";
    EXPECT_GE(sequence_at_two - first_sequence, 1u);
    EXPECT_LE(sequence_at_two - first_sequence, 3u);

    // Suspended shows while the task is suspended and goes after the resume,
    // which the task publishes at once: 3 s from client_sim's report of the
    // resume leave room for the library's polling and a loaded machine.
    const double suspended_at = output_mark(suspend_sent);
    const double resumed_at = output_mark(resume_sent);
    ASSERT_GE(suspended_at, 0) << client_->output();
    ASSERT_GE(resumed_at, suspended_at) << client_->output();
    bool suspended_while_suspended = false;
    double last_suspended_at = -1;
    for (const observation& seen : valid) {
        if (!seen.state.suspended) continue;
        if (seen.at > suspended_at && seen.at < resumed_at) suspended_while_suspended = true;
        last_suspended_at = seen.at;
    }
    EXPECT_TRUE(suspended_while_suspended);
    EXPECT_LT(last_suspended_at, resumed_at + 3.0) << "suspended stayed after the resume";

    // The companion learns of the end from the task, before the process is gone.
    bool finished_while_running = false;
    for (const observation& seen : valid) {
        if (seen.state.finished && seen.task_running) finished_while_running = true;
    }
    EXPECT_TRUE(finished_while_running);
    EXPECT_TRUE(valid.back().state.finished);
    EXPECT_EQ(valid.back().state.fraction_done, 1.0);
}

// The poster phase follows pass 1199 once graphics were shown (see the job's
// graphics test); the companion must switch to the poster with the task.
TEST_F(PublishedState, ThePosterPhaseShows) {
    std::optional<std::string> display = zf_test::test_display();
    ZF_REQUIRE_REAL_PART(display, "ZF_TEST_DISPLAY names no X server");
    zf_test::write_file(slot_.file("ckpt_state"), " 1198 \n");
    start({"--wu-cpu-time", "120.5", "--checkpoint-period", "1"},
          "suspend\nmode window\nwait window 20\nresume\n", zf_test::with_display(*display));
    observe(90, [](const observation& seen) { return seen.valid && seen.state.poster_phase; });
    ASSERT_FALSE(observations_.empty());
    const observation& last = observations_.back();
    ASSERT_TRUE(last.valid && last.state.poster_phase) << client_->output();
    EXPECT_NE(zf_test::read_file(slot_.file("stderr.txt")).find("poster display begins"),
              std::string::npos);
    EXPECT_FALSE(last.state.finished);
    bool earlier_without_poster = false;
    for (const observation& seen : valid_observations()) {
        if (!seen.state.poster_phase) earlier_without_poster = true;
    }
    EXPECT_TRUE(earlier_without_poster);
    client_->stop();
}

// A directory where the new state is written makes every write fail: the
// task says so once, keeps working, publishes as soon as the way is free and
// finishes as it would have.
TEST_F(PublishedState, AFailedWriteNeverEndsOrStallsTheJob) {
    const std::string blocked = state_path() + ".tmp";
    ASSERT_EQ(mkdir(blocked.c_str(), 0755), 0);
    start({"--wu-cpu-time", "116"}, "");
    observe(60, [](const observation& seen) { return seen.at > 3.0; });
    EXPECT_FALSE(zf_test::file_exists(state_path()));
    EXPECT_TRUE(zf_fault::process_running(task_)) << "the task ended on a failed write";
    ASSERT_EQ(rmdir(blocked.c_str()), 0);

    observe_until_the_task_ends(60);
    ASSERT_TRUE(client_->wait(30)) << client_->output();
    EXPECT_EQ(client_->exit_status(), 0) << client_->output();
    const std::vector<observation> valid = valid_observations();
    ASSERT_FALSE(valid.empty()) << "never published once the way was free";
    EXPECT_TRUE(valid.back().state.finished);

    const std::string log = zf_test::read_file(slot_.file("stderr.txt"));
    const std::string failure = "graphics host: cannot create the task's state file";
    const std::size_t first = log.find(failure);
    ASSERT_NE(first, std::string::npos) << log;
    EXPECT_EQ(log.find(failure, first + 1), std::string::npos) << "logged more than once\n" << log;
    EXPECT_NE(log.find("worker: all done"), std::string::npos) << log;
}

}  // namespace
