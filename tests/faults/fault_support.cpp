#include "tests/faults/fault_support.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>
#include <thread>

namespace zf_fault {

int rounds(const char* name, int quick, int full) {
    const std::string variable = std::string("ZF_FAULT_") + name;
    if (const char* given = std::getenv(variable.c_str()); given && *given) return std::atoi(given);
    const char* wanted = std::getenv("ZF_FAULT_FULL");
    return wanted && *wanted && std::string(wanted) != "0" ? full : quick;
}

void report_figure(const std::string& what, const std::string& value) {
    std::printf("[ figure   ] %s: %s\n", what.c_str(), value.c_str());
    std::fflush(stdout);
}

void pause_for(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

unsigned storm_seed() {
    const char* given = std::getenv("ZF_STORM_SEED");
    const unsigned seed = given && *given ? static_cast<unsigned>(std::strtoul(given, nullptr, 10))
                                          : std::random_device{}();
    report_figure("storm seed (replay with ZF_STORM_SEED)", std::to_string(seed));
    return seed;
}

x_connection::x_connection(const std::string& display) : display_(XOpenDisplay(display.c_str())) {}

x_connection::~x_connection() {
    if (display_) XCloseDisplay(display_);
}

std::vector<unsigned long> window_pixels(Display* d, const zf_test::titled_window& window) {
    std::vector<unsigned long> pixels;
    // A window that vanishes between the query and the look at it is no error.
    XImage* image = nullptr;
    const bool read = zf_test::query_foreign_windows(d, [&] {
        image = XGetImage(d, window.xid, 0, 0, static_cast<unsigned>(window.width),
                          static_cast<unsigned>(window.height), AllPlanes, ZPixmap);
        return image != nullptr;
    });
    if (!read) {
        if (image) XDestroyImage(image);
        return pixels;
    }
    for (int y = 0; y < window.height; y += 8) {
        for (int x = 0; x < window.width; x += 8) pixels.push_back(XGetPixel(image, x, y));
    }
    XDestroyImage(image);
    return pixels;
}

long resident_kb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    }
    return -1;
}

std::string thread_states(pid_t pid) {
    std::string states;
    const std::string base = "/proc/" + std::to_string(pid) + "/task";
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(base, ignored)) {
        const std::string stat = zf_test::read_file(entry.path().string() + "/stat");
        const auto name_end = stat.rfind(')');
        const char state =
            name_end != std::string::npos && name_end + 2 < stat.size() ? stat[name_end + 2] : '?';
        states += "thread " + entry.path().filename().string() + " " + state + " " +
                  zf_test::read_file(entry.path().string() + "/wchan") + "\n";
    }
    return states;
}

bool process_running(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string content((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto name_end = content.rfind(')');
    if (name_end == std::string::npos || name_end + 2 >= content.size()) return false;
    return content[name_end + 2] != 'Z' && content[name_end + 2] != 'X';
}

checkpoint_reading read_checkpoint(const std::string& slot) {
    checkpoint_reading reading;
    const std::string path = slot + "/ckpt_state";
    if (!zf_test::file_exists(path)) return reading;
    reading.content = zf_test::read_file(path);
    static const std::regex exact(R"(^ (\d+) \n$)");
    std::smatch match;
    if (std::regex_match(reading.content, match, exact)) {
        reading.pass = std::stol(match[1]);
    } else {
        reading.malformed = true;
    }
    return reading;
}

std::vector<std::string> graphics_replies(const std::string& client_sim_output) {
    std::vector<std::string> replies;
    static const std::regex reply(R"(^reply (.*) at [0-9.]+ s$)");
    std::istringstream lines(client_sim_output);
    std::smatch match;
    for (std::string line; std::getline(lines, line);) {
        if (std::regex_match(line, match, reply)) replies.push_back(match[1]);
    }
    return replies;
}

bool wait_for_replies(zf_test::running_process& client, std::size_t count, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (graphics_replies(client.output()).size() < count) {
        if (std::chrono::steady_clock::now() > deadline || client.wait(0)) return false;
        pause_for(0.02);
    }
    return true;
}

}  // namespace zf_fault
