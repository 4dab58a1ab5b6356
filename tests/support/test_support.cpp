#include "tests/support/test_support.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace zf_test {

namespace {

constexpr auto poll_pause = std::chrono::milliseconds(10);

std::string make_temp(const char* prefix, bool directory) {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/" + prefix + "XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (directory) {
        if (!mkdtemp(name.data())) throw std::runtime_error("mkdtemp failed");
    } else {
        int fd = mkstemp(name.data());
        if (fd < 0) throw std::runtime_error("mkstemp failed");
        close(fd);
    }
    return name.data();
}

void apply_environment(const environment_changes& environment) {
    for (const auto& [name, value] : environment) {
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
    }
}

// Runs in the child after fork: sets it up and execs, or exits with 127.
[[noreturn]] void exec_child(const std::vector<std::string>& argv, const std::string& cwd,
                             const environment_changes& environment, int input_fd,
                             const std::string& output_path) {
    setpgid(0, 0);
    int output_fd = open(output_path.c_str(), O_WRONLY | O_TRUNC);
    dup2(input_fd, STDIN_FILENO);
    dup2(output_fd, STDOUT_FILENO);
    dup2(output_fd, STDERR_FILENO);
    if (chdir(cwd.c_str()) != 0) _exit(127);
    apply_environment(environment);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
}

}  // namespace

std::string program_path() {
    const char* chosen = std::getenv("ZF_PROGRAM");
    return chosen && *chosen ? chosen : ZF_PROGRAM_PATH;
}
std::string client_sim_path() { return ZF_CLIENT_SIM_PATH; }

environment_changes without_display() { return {{"DISPLAY", std::nullopt}}; }

namespace {

std::optional<std::string> display_named_by(const char* variable) {
    const char* display = std::getenv(variable);
    if (!display || !*display) return std::nullopt;
    return std::string(display);
}

}  // namespace

std::optional<std::string> test_display() { return display_named_by("ZF_TEST_DISPLAY"); }

std::optional<std::string> second_test_display() { return display_named_by("ZF_TEST_DISPLAY2"); }

environment_changes with_display(const std::string& display) { return {{"DISPLAY", display}}; }

temp_dir::temp_dir() : path_(make_temp("zf_test_", true)) {}

temp_dir::~temp_dir() {
    if (std::getenv("ZF_KEEP_TEST_DIRS")) return;
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

bool file_exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

std::string read_file(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

void write_file(const std::string& path, const std::string& content) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << content;
}

running_process::running_process(const std::vector<std::string>& argv, const std::string& cwd,
                                 const environment_changes& environment)
    : output_path_(make_temp("zf_test_output_", false)) {
    int input_pipe[2];
    if (pipe2(input_pipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) exec_child(argv, cwd, environment, input_pipe[0], output_path_);
    close(input_pipe[0]);
    input_fd_ = input_pipe[1];
    signal(SIGPIPE, SIG_IGN);
}

running_process::~running_process() {
    if (!ended_) stop();
    close_input();
    unlink(output_path_.c_str());
}

void running_process::write_input(const std::string& text) {
    for (std::size_t done = 0; input_fd_ >= 0 && done < text.size();) {
        ssize_t written = write(input_fd_, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        done += static_cast<std::size_t>(written);
    }
}

void running_process::close_input() {
    if (input_fd_ >= 0) close(input_fd_);
    input_fd_ = -1;
}

bool running_process::wait(double seconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!ended_) {
        if (waitpid(pid_, &wait_status_, WNOHANG) == pid_) {
            ended_ = true;
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(poll_pause);
    }
    return ended_;
}

bool running_process::wait_for_output(const std::string& text, double seconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (output().find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(poll_pause);
    }
    return true;
}

void running_process::stop() {
    if (!ended_) {
        kill(pid_, SIGTERM);
        if (!wait(8.0)) {
            kill(-pid_, SIGKILL);
            wait(5.0);
        }
    }
    pid_t task = task_pid_in(output());
    if (task > 0) kill(task, SIGKILL);
}

int running_process::exit_status() const {
    if (WIFSIGNALED(wait_status_)) return 128 + WTERMSIG(wait_status_);
    return WEXITSTATUS(wait_status_);
}

std::string running_process::output() const { return read_file(output_path_); }

namespace {

run_result finish_run(running_process& process, double timeout_seconds) {
    run_result result;
    result.ended = process.wait(timeout_seconds);
    if (!result.ended) process.stop();
    result.exit_status = process.exit_status();
    result.output = process.output();
    return result;
}

}  // namespace

run_result run_client_sim(const std::string& slot, const std::vector<std::string>& options,
                          const std::string& commands, double timeout_seconds,
                          const environment_changes& environment) {
    std::vector<std::string> argv{client_sim_path(), "--slot", slot, "--program", program_path()};
    argv.insert(argv.end(), options.begin(), options.end());
    std::string parent = slot.substr(0, slot.find_last_of('/') + 1);
    running_process process(argv, parent.empty() ? "." : parent, environment);
    process.write_input(commands);
    process.close_input();
    return finish_run(process, timeout_seconds);
}

run_result run_standalone(const std::string& slot, double timeout_seconds,
                          const environment_changes& environment) {
    running_process process({program_path()}, slot, environment);
    process.close_input();
    return finish_run(process, timeout_seconds);
}

pid_t task_pid_in(const std::string& client_sim_output) {
    std::smatch match;
    static const std::regex started(R"(client_sim: started .* as pid (\d+))");
    if (!std::regex_search(client_sim_output, match, started)) return -1;
    return static_cast<pid_t>(std::stol(match[1]));
}

std::vector<double> reported_fractions(const std::string& client_sim_output) {
    std::vector<double> fractions;
    static const std::regex status(R"(^status at [0-9.]+ s: fraction_done ([0-9.]+))");
    std::istringstream lines(client_sim_output);
    std::smatch match;
    for (std::string line; std::getline(lines, line);) {
        if (std::regex_search(line, match, status)) fractions.push_back(std::stod(match[1]));
    }
    return fractions;
}

std::vector<std::string> lines_containing(const std::string& text, const std::string& needle) {
    std::vector<std::string> found;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.find(needle) != std::string::npos) found.push_back(line);
    }
    return found;
}

}  // namespace zf_test
