// The task's process: started in its slot directory, watched until it ends.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

// The account a task runs under when it is not client_sim's own.
struct task_account {
    uid_t uid;
    gid_t gid;
};

// uid with its primary group from the password database, or with the group
// of the same number when it has no entry there.
task_account account_of_uid(uid_t uid);

class task_process {
  public:
    task_process() = default;
    task_process(const task_process&) = delete;
    task_process& operator=(const task_process&) = delete;
    // A task still running when client_sim gives up is killed, not orphaned.
    ~task_process();

    // Starts program in dir, in a process group of its own (so that a
    // terminal's Ctrl-C reaches client_sim, which asks the task to quit),
    // with standard input from /dev/null, under account when one is given
    // (which needs root). False with the reason in error.
    bool start(const std::string& program, const std::string& dir,
               const std::optional<task_account>& account, std::string& error);

    // Reaps the task if it has ended; true once it has.
    bool has_ended();

    void send_signal(int signal_number);

    pid_t pid() const { return pid_; }

    // The shell's convention: the exit code, or 128 + the signal's number.
    int exit_status() const;

    // How the task ended, in words; finished tells whether the library marked
    // a call of boinc_finish.
    std::string end_description(bool finished) const;

  private:
    pid_t pid_ = -1;
    bool ended_ = false;
    int wait_status_ = 0;
};
