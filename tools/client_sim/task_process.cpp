#include "tools/client_sim/task_process.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace {

// The group first: once the user id is dropped, the group can no longer be set.
bool become(const task_account& account) {
    return setgroups(0, nullptr) == 0 && setgid(account.gid) == 0 && setuid(account.uid) == 0;
}

// Runs in the child between fork and exec: only async-signal-safe calls.
[[noreturn]] void exec_in_child(const char* program, const char* dir,
                                const std::optional<task_account>& account, int error_pipe) {
    setpgid(0, 0);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    signal(SIGPIPE, SIG_DFL);
    int null_input = open("/dev/null", O_RDONLY);
    if (null_input >= 0) dup2(null_input, STDIN_FILENO);
    if ((!account || become(*account)) && chdir(dir) == 0) {
        char* const argv[] = {const_cast<char*>(program), nullptr};
        execv(program, argv);
    }
    int code = errno;
    ssize_t ignored = write(error_pipe, &code, sizeof code);
    (void)ignored;
    _exit(127);
}

}  // namespace

task_account account_of_uid(uid_t uid) {
    const passwd* entry = getpwuid(uid);
    return {uid, entry ? entry->pw_gid : static_cast<gid_t>(uid)};
}

task_process::~task_process() {
    if (pid_ > 0 && !ended_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

bool task_process::start(const std::string& program, const std::string& dir,
                         const std::optional<task_account>& account, std::string& error) {
    int error_pipe[2];
    if (pipe2(error_pipe, O_CLOEXEC) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    pid_t child = fork();
    if (child < 0) {
        error = std::string("fork: ") + std::strerror(errno);
        close(error_pipe[0]);
        close(error_pipe[1]);
        return false;
    }
    if (child == 0) exec_in_child(program.c_str(), dir.c_str(), account, error_pipe[1]);
    close(error_pipe[1]);
    int exec_errno = 0;
    ssize_t got;
    do {
        got = read(error_pipe[0], &exec_errno, sizeof exec_errno);
    } while (got < 0 && errno == EINTR);
    close(error_pipe[0]);
    pid_ = child;
    if (got == sizeof exec_errno) {
        waitpid(child, &wait_status_, 0);
        ended_ = true;
        error = "cannot run " + program + " in " + dir + ": " + std::strerror(exec_errno);
        return false;
    }
    return true;
}

bool task_process::has_ended() {
    if (ended_ || pid_ <= 0) return true;
    pid_t reaped;
    do {
        reaped = waitpid(pid_, &wait_status_, WNOHANG);
    } while (reaped < 0 && errno == EINTR);
    if (reaped == pid_) ended_ = true;
    return ended_;
}

void task_process::send_signal(int signal_number) {
    if (pid_ > 0 && !ended_) kill(pid_, signal_number);
}

int task_process::exit_status() const {
    if (WIFSIGNALED(wait_status_)) return 128 + WTERMSIG(wait_status_);
    return WEXITSTATUS(wait_status_);
}

std::string task_process::end_description(bool finished) const {
    if (WIFSIGNALED(wait_status_)) {
        int number = WTERMSIG(wait_status_);
        const char* name = sigabbrev_np(number);
        return "killed by signal " + std::to_string(number) + " (SIG" + (name ? name : "?") + ")";
    }
    int code = WEXITSTATUS(wait_status_);
    if (finished) return "finished through boinc_finish(" + std::to_string(code) + ")";
    return "exited with " + std::to_string(code) + " without calling boinc_finish";
}
