// Black-box test harness: runs the real program, alone or under client_sim,
// in a slot directory of its own, and reads back what it left there.
#pragma once

#include <sys/types.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zf_test {

// The program under test: the build's, or the one that ZF_PROGRAM names.
std::string program_path();
std::string client_sim_path();

// Environment changes for a child: a value to set, or nullopt to unset.
using environment_changes = std::map<std::string, std::optional<std::string>>;

// No X display at all, so that the run cannot depend on one.
environment_changes without_display();

// The X servers that scripts/test.sh starts and names in ZF_TEST_DISPLAY and
// ZF_TEST_DISPLAY2, or nullopt when it names none; tests then require them
// with ZF_REQUIRE_REAL_PART. Tests name them only through these two.
std::optional<std::string> test_display();
std::optional<std::string> second_test_display();

// DISPLAY set to the given display.
environment_changes with_display(const std::string& display);

// A fresh directory, removed with its contents at the end unless the
// environment variable ZF_KEEP_TEST_DIRS is set.
class temp_dir {
  public:
    temp_dir();
    ~temp_dir();
    temp_dir(const temp_dir&) = delete;
    temp_dir& operator=(const temp_dir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

bool file_exists(const std::string& path);
// The whole file, or "" when it cannot be read.
std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& content);

// A child process with standard input from a pipe and standard output and
// error captured together. Killed, with the task it started, if still running
// at the end.
class running_process {
  public:
    running_process(const std::vector<std::string>& argv, const std::string& cwd,
                    const environment_changes& environment = {});
    ~running_process();
    running_process(const running_process&) = delete;
    running_process& operator=(const running_process&) = delete;

    void write_input(const std::string& text);
    void close_input();

    // Waits up to seconds for the process to end; true when it has.
    bool wait(double seconds);
    // Waits up to seconds until the output holds text; true when it does.
    bool wait_for_output(const std::string& text, double seconds);
    // Ends it: SIGTERM (client_sim then asks its task to quit), SIGKILL later.
    void stop();

    pid_t pid() const { return pid_; }
    // Whether the process has ended by now (it is reaped if it has).
    bool ended() { return wait(0); }
    // The shell's convention: the exit code, or 128 + the signal's number.
    int exit_status() const;
    std::string output() const;

  private:
    pid_t pid_ = -1;
    int input_fd_ = -1;
    bool ended_ = false;
    int wait_status_ = 0;
    std::string output_path_;
};

struct run_result {
    bool ended = false;  // false: stopped at the time-out
    int exit_status = -1;
    std::string output;
};

// Runs client_sim on slot with options, feeds it commands, and waits for it.
run_result run_client_sim(const std::string& slot, const std::vector<std::string>& options,
                          const std::string& commands, double timeout_seconds,
                          const environment_changes& environment = without_display());

// Runs the program by hand in slot, as a user would, and waits for it.
run_result run_standalone(const std::string& slot, double timeout_seconds,
                          const environment_changes& environment = without_display());

// The task's pid from client_sim's "started ... as pid N" line, or -1.
pid_t task_pid_in(const std::string& client_sim_output);

// Every fraction done that client_sim's status lines show, in order.
std::vector<double> reported_fractions(const std::string& client_sim_output);

// Output lines that contain text.
std::vector<std::string> lines_containing(const std::string& text, const std::string& needle);

}  // namespace zf_test
