#include "tests/support/private_x_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "tests/support/child_lifetime.h"

namespace zf_test {

namespace {

constexpr double report_seconds = 20;

// Reads the display number line that Xvfb writes once it accepts clients, or
// -1. Xvfb writes the number and its newline in two writes: a reader that
// takes the first read as the whole line cuts the number short and closes the
// pipe, and the server then dies on its second write ("Cannot write display
// number to fd N"), as it did whenever a loaded machine split the two.
int read_display_number(int fd) {
    std::string text;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(report_seconds);
    while (text.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return -1;
        pollfd waiting{fd, POLLIN, 0};
        if (poll(&waiting, 1, static_cast<int>(left.count())) <= 0) continue;
        char buffer[32];
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got <= 0) return -1;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    return std::atoi(text.c_str());
}

// Runs in the child after fork. The report descriptor is passed by its own
// number with close-on-exec cleared: a dup2 onto a fixed number is a no-op
// that keeps close-on-exec when the pipe already has that number.
[[noreturn]] void exec_xvfb(pid_t test_process, int report_fd, const std::string& screen_size) {
    end_with_parent(test_process);
    setpgid(0, 0);  // signals for the test's process group are not for it
    fcntl(report_fd, F_SETFD, 0);
    const int null_fd = open("/dev/null", O_RDWR);
    dup2(null_fd, STDIN_FILENO);
    dup2(null_fd, STDOUT_FILENO);
    dup2(null_fd, STDERR_FILENO);
    const std::string report = std::to_string(report_fd);
    // -noreset: a server that resets when its last client leaves refuses
    // connections meanwhile.
    execlp("Xvfb", "Xvfb", "-displayfd", report.c_str(), "-noreset", "-screen", "0",
           screen_size.c_str(), "-nolisten", "tcp", "+extension", "GLX",
           static_cast<char*>(nullptr));
    _exit(127);
}

}  // namespace

private_x_server::private_x_server(const std::string& screen_size) {
    // A busy machine may keep a server from reporting in time: try again.
    for (int attempt = 0; attempt < 3 && name_.empty(); ++attempt) start(screen_size);
}

private_x_server::~private_x_server() { kill_now(); }

void private_x_server::start(const std::string& screen_size) {
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        failure_ = std::string("pipe: ") + std::strerror(errno);
        return;
    }
    const pid_t test_process = getpid();
    pid_ = fork();
    if (pid_ == 0) exec_xvfb(test_process, report[1], screen_size);
    close(report[1]);
    const int number = pid_ > 0 ? read_display_number(report[0]) : -1;
    close(report[0]);
    if (number >= 0) {
        name_ = ":" + std::to_string(number);
        failure_.clear();
        return;
    }
    int status = 0;
    if (pid_ > 0 && waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        failure_ = WIFEXITED(status) && WEXITSTATUS(status) == 127
                       ? "cannot run Xvfb"
                       : "Xvfb ended before it reported a display";
    } else {
        failure_ = "Xvfb reported no display within " + std::to_string(int(report_seconds)) + " s";
    }
    kill_now();
}

void private_x_server::kill_now() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

unopenable_display::unopenable_display() {
    // Xlib tries the abstract socket first; one that is bound but not
    // listening refuses, and an X server that wants the number cannot bind it.
    for (int number = 59000; number < 59100 && name_.empty(); ++number) {
        socket_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (socket_ < 0) return;
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string path = "/tmp/.X11-unix/X" + std::to_string(number);
        std::memcpy(address.sun_path + 1, path.data(), path.size());
        const auto length =
            static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + path.size());
        if (bind(socket_, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
            access(path.c_str(), F_OK) != 0) {
            name_ = ":" + std::to_string(number);
        } else {
            close(socket_);
            socket_ = -1;
        }
    }
}

unopenable_display::~unopenable_display() {
    if (socket_ >= 0) close(socket_);
}

}  // namespace zf_test
