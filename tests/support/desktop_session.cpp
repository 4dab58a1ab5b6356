#include "tests/support/desktop_session.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "tests/support/child_lifetime.h"
#include "tests/support/x_windows.h"

namespace zf_test {
namespace {

// A loaded machine is slow to start a compositor and its X server.
constexpr double start_seconds = 20;

using clock_type = std::chrono::steady_clock;

clock_type::time_point after(double seconds) {
    return clock_type::now() +
           std::chrono::duration_cast<clock_type::duration>(std::chrono::duration<double>(seconds));
}

void pause_briefly() { std::this_thread::sleep_for(std::chrono::milliseconds(50)); }

struct child_setup {
    std::vector<std::string> argv;
    std::vector<std::pair<std::string, std::string>> environment;  // "" unsets
    std::string log_path;
};

// Starts a program in a process group of its own, so that whatever it starts
// in turn (Weston starts Xwayland and its shell) ends with the group.
pid_t spawn(const child_setup& setup) {
    const pid_t test_process = getpid();
    const pid_t pid = fork();
    if (pid != 0) return pid;
    end_with_parent(test_process);
    setpgid(0, 0);
    for (const auto& [name, value] : setup.environment) {
        if (value.empty()) {
            unsetenv(name.c_str());
        } else {
            setenv(name.c_str(), value.c_str(), 1);
        }
    }
    const int null_fd = open("/dev/null", O_RDONLY);
    const int log_fd = open(setup.log_path.empty() ? "/dev/null" : setup.log_path.c_str(),
                            O_WRONLY | O_CREAT | O_APPEND, 0600);
    dup2(null_fd, STDIN_FILENO);
    dup2(log_fd, STDOUT_FILENO);
    dup2(log_fd, STDERR_FILENO);
    std::vector<char*> args;
    for (const std::string& arg : setup.argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

// A window manager announces itself with a check window that names itself.
bool window_manager_announced(Display* d) {
    const Atom check = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False);
    const auto read_window = [&](::Window of, ::Window& out) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long remaining = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(d, of, check, 0, 1, False, XA_WINDOW, &type, &format, &count,
                               &remaining, &data) != Success ||
            !data) {
            return false;
        }
        const bool ok = format == 32 && count == 1;
        if (ok) out = static_cast<::Window>(*reinterpret_cast<const long*>(data));
        XFree(data);
        return ok;
    };
    ::Window announced = None;
    ::Window itself = None;
    return read_window(DefaultRootWindow(d), announced) && read_window(announced, itself) &&
           itself == announced;
}

std::string read_text(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool process_alive(pid_t pid) { return waitpid(pid, nullptr, WNOHANG) == 0; }

}  // namespace

const char* desktop_name(desktop_kind kind) {
    switch (kind) {
        case desktop_kind::bare_xvfb:
            return "BareXvfb";
        case desktop_kind::openbox:
            return "Openbox";
        case desktop_kind::metacity:
            return "Metacity";
        case desktop_kind::icewm:
            return "IceWm";
        case desktop_kind::fvwm:
            return "Fvwm";
        case desktop_kind::pekwm:
            return "Pekwm";
        case desktop_kind::xwayland_weston:
            return "XwaylandWeston";
    }
    return "Unknown";
}

desktop_session::desktop_session(desktop_kind kind) {
    // Weston leaves Xwayland and its shell to whoever adopts them: this
    // process, so that stop() can reap them.
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    char dir_template[] = "/tmp/zf_desktop_XXXXXX";  // mkdtemp makes it 0700
    if (!mkdtemp(dir_template)) {
        failure_ = std::string("mkdtemp: ") + std::strerror(errno);
        return;
    }
    runtime_dir_ = dir_template;
    switch (kind) {
        case desktop_kind::bare_xvfb:
            start_xvfb_with(nullptr, {});
            break;
        case desktop_kind::openbox:
            start_xvfb_with("openbox", {"openbox", "--sm-disable"});
            break;
        case desktop_kind::metacity:
            start_xvfb_with("metacity", {"metacity", "--sm-disable"});
            break;
        case desktop_kind::icewm:
            start_xvfb_with("icewm", {"icewm"});
            break;
        case desktop_kind::fvwm:
            start_xvfb_with("fvwm", {"fvwm"});
            if (!display_.empty() && !wait_for_banner_to_go(start_seconds)) {
                failure_ = "FVWM's banner stayed";
                display_.clear();
            }
            break;
        case desktop_kind::pekwm:
            start_xvfb_with("pekwm", {"pekwm"});
            break;
        case desktop_kind::xwayland_weston:
            start_weston();
            break;
    }
    if (display_.empty()) stop();
}

desktop_session::~desktop_session() { stop(); }

void desktop_session::start_xvfb_with(const char* window_manager,
                                      const std::vector<std::string>& wm_argv) {
    x_server_ = std::make_unique<private_x_server>("1024x768x24");
    if (x_server_->name().empty()) {
        failure_ = x_server_->failure();
        return;
    }
    const std::string display = x_server_->name();
    if (!window_manager) {
        display_ = display;
        return;
    }
    const pid_t manager =
        spawn({wm_argv, {{"DISPLAY", display}}, runtime_dir_ + "/window_manager.log"});
    if (manager > 0) process_groups_.push_back(manager);
    display_ = display;
    if (!wait_for_window_manager(start_seconds)) {
        failure_ = std::string(window_manager) +
                   " did not start: " + read_text(runtime_dir_ + "/window_manager.log");
        display_.clear();
    }
}

void desktop_session::start_weston() {
    const std::string log = runtime_dir_ + "/weston.log";
    // Weston creates its Wayland socket and Xwayland's in the runtime
    // directory, which must be private; the X server takes the first free
    // display number and says which. No idle time-out: a lock screen would
    // take the input.
    const pid_t weston =
        spawn({{"weston", "--backend=headless-backend.so", "--xwayland", "--width=1024",
                "--height=768", "--idle-time=0", "--log=" + log},
               {{"XDG_RUNTIME_DIR", runtime_dir_}, {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}},
               runtime_dir_ + "/weston.out"});
    if (weston <= 0) {
        failure_ = "cannot start weston";
        return;
    }
    process_groups_.push_back(weston);
    const std::regex listening("xserver listening on display (:[0-9]+)");
    const auto deadline = after(start_seconds);
    std::smatch found;
    std::string text;
    while (!std::regex_search(text = read_text(log), found, listening)) {
        if (clock_type::now() > deadline || !process_alive(weston)) {
            failure_ =
                "weston started no X server: " + text + read_text(runtime_dir_ + "/weston.out");
            return;
        }
        pause_briefly();
    }
    display_ = found[1];
    // Xwayland starts at the first client; Weston's window manager then announces itself.
    if (!wait_for_window_manager(start_seconds)) {
        failure_ = "Xwayland under weston did not start: " + read_text(log);
        display_.clear();
    }
}

// Openbox 3.6 announces itself before it manages windows, and a map request
// made in between is lost: the window stays unmapped. A window that the
// manager maps, asked again until it does, shows it is at work.
bool manages_windows(Display* d, clock_type::time_point deadline) {
    const ::Window probe = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 10, 10, 0, 0, 0);
    bool mapped = false;
    while (!mapped && clock_type::now() < deadline) {
        XMapWindow(d, probe);
        XSync(d, False);
        pause_briefly();
        XWindowAttributes attributes{};
        mapped = XGetWindowAttributes(d, probe, &attributes) && attributes.map_state == IsViewable;
    }
    XDestroyWindow(d, probe);
    XSync(d, False);
    return mapped;
}

// Whether a viewable window of this class (its WM_CLASS name) shows, at the
// top level or inside a manager's frame.
bool shows_window_of_class(Display* d, ::Window parent_window, const char* name, int depth) {
    ::Window root = None;
    ::Window parent = None;
    ::Window* children = nullptr;
    unsigned count = 0;
    if (depth == 0 || !XQueryTree(d, parent_window, &root, &parent, &children, &count))
        return false;
    bool shown = false;
    for (unsigned i = 0; i < count && !shown; ++i) {
        XClassHint hint{};
        XWindowAttributes attributes{};
        if (XGetClassHint(d, children[i], &hint)) {
            shown = hint.res_name && std::strcmp(hint.res_name, name) == 0 &&
                    XGetWindowAttributes(d, children[i], &attributes) &&
                    attributes.map_state == IsViewable;
            XFree(hint.res_name);
            XFree(hint.res_class);
        }
        shown = shown || shows_window_of_class(d, children[i], name, depth - 1);
    }
    if (children) XFree(children);
    return shown;
}

// FVWM's default configuration greets with a banner in the middle of the
// screen for a few seconds, over whatever a test would click; a user waits
// for it to go, and so does the desktop.
bool desktop_session::wait_for_banner_to_go(double seconds) {
    const auto deadline = after(seconds);
    bool gone = false;
    if (Display* d = XOpenDisplay(display_.c_str())) {
        // A window that vanishes during a look reads as no banner: only two
        // looks in a row without it count as gone.
        const auto shown = [&] {
            return query_foreign_windows(
                d, [&] { return shows_window_of_class(d, DefaultRootWindow(d), "FvwmBanner", 3); });
        };
        // It comes a moment after the manager announces itself.
        const auto comes_by = after(3);
        while (!shown() && clock_type::now() < comes_by) pause_briefly();
        int looks_without = 0;
        while (looks_without < 2 && clock_type::now() < deadline) {
            looks_without = shown() ? 0 : looks_without + 1;
            if (looks_without < 2) pause_briefly();
        }
        gone = looks_without >= 2;
        XCloseDisplay(d);
    }
    return gone;
}

bool desktop_session::wait_for_window_manager(double seconds) {
    const auto deadline = after(seconds);
    bool ready = false;
    while (!ready && clock_type::now() < deadline) {
        if (Display* d = XOpenDisplay(display_.c_str())) {
            // The manager's check window may come and go meanwhile.
            ready = query_foreign_windows(
                d, [&] { return window_manager_announced(d) && manages_windows(d, deadline); });
            XCloseDisplay(d);
        }
        if (!ready) pause_briefly();
    }
    return ready;
}

void desktop_session::stop() {
    // Window managers first, then the servers they draw on.
    for (auto group = process_groups_.rbegin(); group != process_groups_.rend(); ++group) {
        kill(-*group, SIGTERM);
        const auto deadline = after(3);
        while (process_alive(*group) && clock_type::now() < deadline) pause_briefly();
        kill(-*group, SIGKILL);  // whatever the leader left behind in its group
        while (waitpid(-*group, nullptr, 0) > 0) {
        }
    }
    process_groups_.clear();
    x_server_.reset();
    if (!runtime_dir_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(runtime_dir_, ignored);
        runtime_dir_.clear();
    }
}

}  // namespace zf_test
