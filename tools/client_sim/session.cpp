#include "tools/client_sim/session.h"

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "tools/client_sim/command_input.h"
#include "tools/client_sim/init_data.h"
#include "tools/client_sim/message_channel.h"
#include "tools/client_sim/progress_display.h"
#include "tools/client_sim/shared_memory.h"
#include "tools/client_sim/slot_dir.h"
#include "tools/client_sim/task_process.h"
#include "tools/client_sim/task_status.h"

namespace {

constexpr int poll_interval_ms = 5;
constexpr double heartbeat_period = 1.0;
constexpr double quit_grace = 5.0;  // after an interrupt, before the kill
constexpr int usage_status = 2;

std::atomic<int> interrupts{0};

void count_interrupt(int) { interrupts.fetch_add(1); }

void catch_interrupts() {
    struct sigaction action {};
    action.sa_handler = count_interrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

struct outgoing_message {
    std::string text;
    bool unterminated = false;
};

std::string program_beside_self() {
    char path[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return "zorvath_fold";
    std::string self(path, static_cast<std::size_t>(length));
    return self.substr(0, self.rfind('/') + 1) + "zorvath_fold";
}

// The task starts in its slot, so a path relative to here must be made whole.
std::string absolute_program(const std::string& program) {
    char resolved[PATH_MAX];
    return realpath(program.c_str(), resolved) ? resolved : program;
}

class client_session {
  public:
    client_session(const client_sim_options& options, progress_display& display)
        : options_(options), display_(display), heartbeat_on_(options.heartbeat) {
        if (options.task_uid >= 0)
            task_account_ = account_of_uid(static_cast<uid_t>(options.task_uid));
    }

    int run();

  private:
    bool prepare_slot();
    double elapsed() const;
    void collect_task_messages();
    void take_graphics_replies();
    void send_heartbeat_when_due();
    void handle_interrupts();
    void run_due_commands();
    bool run_command(const command& c);
    bool wait_is_over(const command& c);
    void send_queued(std::deque<outgoing_message>& queue, MSG_CHANNEL& channel);
    void sleep_a_moment();
    int finish();

    const client_sim_options& options_;
    progress_display& display_;
    std::optional<task_account> task_account_;
    std::string slot_;
    shared_memory_file memory_;
    task_process task_;
    command_input input_;
    std::deque<command> commands_;
    std::deque<outgoing_message> control_queue_;
    std::deque<outgoing_message> graphics_queue_;
    std::vector<std::string> replies_;
    std::size_t reply_cursor_ = 0;
    std::chrono::steady_clock::time_point start_;
    task_status status_;
    double status_seconds_ = -1.0;
    bool heartbeat_on_;
    double next_heartbeat_ = 0.0;
    double step_deadline_ = -1.0;  // of the wait or sleep in progress
    double kill_deadline_ = -1.0;
    int interrupts_seen_ = 0;
    bool wait_timed_out_ = false;
};

bool client_session::prepare_slot() {
    std::string error;
    slot_ = prepare_slot_dir(options_.slot_dir, error);
    if (slot_.empty()) {
        std::fprintf(stderr, "client_sim: %s\n", error.c_str());
        return false;
    }
    APP_INIT_DATA record;
    fill_init_data(options_.init, record);
    if (int status = write_init_data(slot_, record); status != 0) {
        std::fprintf(stderr, "client_sim: cannot write %s/%s: error %d\n", slot_.c_str(),
                     INIT_DATA_FILE, status);
        return false;
    }
    if (int status = memory_.create(slot_); status != 0) {
        std::fprintf(stderr, "client_sim: cannot create the shared memory in %s: error %d\n",
                     slot_.c_str(), status);
        return false;
    }
    if (task_account_ && !hand_slot_to(slot_, task_account_->uid, task_account_->gid, error)) {
        std::fprintf(stderr, "client_sim: %s\n", error.c_str());
        return false;
    }
    clear_end_marks(slot_);
    display_.event("client_sim: slot " + slot_);
    return true;
}

double client_session::elapsed() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void client_session::collect_task_messages() {
    SHARED_MEM& shm = memory_.channels();
    std::string text;
    take_graphics_replies();
    if (take_channel_message(shm.app_status, text)) {
        if (parse_task_status(text, status_)) {
            status_seconds_ = elapsed();
            display_.status(status_seconds_, status_);
        }
    }
    if (take_channel_message(shm.process_control_reply, text)) {
        display_.event("control reply " + text + " at " + format_seconds(elapsed()) + " s");
    }
    // Nothing here uses trickles; taking them keeps the task's sender unblocked.
    take_channel_message(shm.trickle_up, text);
}

void client_session::take_graphics_replies() {
    std::string text;
    if (!take_channel_message(memory_.channels().graphics_reply, text)) return;
    replies_.push_back(text);
    display_.event("reply " + text + " at " + format_seconds(elapsed()) + " s");
}

void client_session::send_heartbeat_when_due() {
    double now = elapsed();
    if (!heartbeat_on_ || now < next_heartbeat_) return;
    send_channel_message(memory_.channels().heartbeat, "<heartbeat/>");
    next_heartbeat_ = now + heartbeat_period;
}

void client_session::handle_interrupts() {
    int count = interrupts.load();
    if (count > interrupts_seen_) {
        interrupts_seen_ = count;
        if (count == 1) {
            display_.event("client_sim: interrupted; asking the task to quit");
            control_queue_.push_front({"<quit/>", false});
            kill_deadline_ = elapsed() + quit_grace;
        } else {
            kill_deadline_ = 0.0;
        }
    }
    if (kill_deadline_ >= 0.0 && elapsed() >= kill_deadline_) {
        task_.send_signal(SIGKILL);
        kill_deadline_ = -1.0;
    }
}

void client_session::run_due_commands() {
    while (!commands_.empty()) {
        const command& next = commands_.front();
        if (next.not_before > elapsed()) return;
        if (!run_command(next)) return;
        commands_.pop_front();
        step_deadline_ = -1.0;
    }
}

// Runs or advances one command; false while it is still in progress.
bool client_session::run_command(const command& c) {
    std::string now = format_seconds(elapsed());
    switch (c.kind) {
        case command_kind::control:
            control_queue_.push_back({c.text, false});
            return true;
        case command_kind::graphics_request:
            graphics_queue_.push_back({c.text, false});
            return true;
        case command_kind::graphics_unterminated:
            graphics_queue_.push_back({c.text, true});
            return true;
        case command_kind::wait_reply:
            return wait_is_over(c);
        case command_kind::sleep:
            if (step_deadline_ < 0.0) step_deadline_ = elapsed() + c.seconds;
            return elapsed() >= step_deadline_;
        case command_kind::kill_task:
            task_.send_signal(c.signal_number);
            display_.event("signal " + std::to_string(c.signal_number) + " sent to the task at " +
                           now + " s");
            return true;
        case command_kind::show_status:
            if (status_seconds_ < 0.0)
                display_.event("status at " + now + " s: none received yet");
            else
                display_.status_line(status_seconds_, status_);
            return true;
        case command_kind::set_heartbeat:
            heartbeat_on_ = c.heartbeat_on;
            return true;
    }
    return true;
}

bool client_session::wait_is_over(const command& c) {
    if (step_deadline_ < 0.0) step_deadline_ = elapsed() + c.seconds;
    for (; reply_cursor_ < replies_.size(); ++reply_cursor_) {
        if (replies_[reply_cursor_] == c.text) {
            ++reply_cursor_;
            display_.event("wait " + c.text + ": received at " + format_seconds(elapsed()) + " s");
            return true;
        }
    }
    if (elapsed() < step_deadline_) return false;
    display_.event("wait " + c.text + ": timed out at " + format_seconds(elapsed()) + " s");
    if (options_.stop_on_wait_timeout) {
        wait_timed_out_ = true;
        task_.send_signal(SIGKILL);
    }
    return true;
}

void client_session::send_queued(std::deque<outgoing_message>& queue, MSG_CHANNEL& channel) {
    if (queue.empty()) return;
    const outgoing_message& message = queue.front();
    bool sent = message.unterminated ? send_unterminated_channel_message(channel, message.text)
                                     : send_channel_message(channel, message.text);
    if (!sent) return;
    std::string shown = message.unterminated
                            ? message.text + " (repeated, no NUL)"
                            : message.text.substr(0, static_cast<std::size_t>(channel_text_max));
    display_.event("sent " + shown + " at " + format_seconds(elapsed()) + " s");
    queue.pop_front();
}

void client_session::sleep_a_moment() {
    pollfd input{input_.wait_descriptor(), POLLIN, 0};
    poll(&input, 1, poll_interval_ms);
}

int client_session::finish() {
    collect_task_messages();
    display_.finish();
    bool finished = finish_was_called(slot_);
    display_.event("task ended at " + format_seconds(elapsed()) + " s: exit status " +
                   std::to_string(task_.exit_status()) + " (" + task_.end_description(finished) +
                   ")");
    if (!commands_.empty()) {
        std::fprintf(stderr, "client_sim: %zu command(s) not run: the task has ended\n",
                     commands_.size());
    }
    return wait_timed_out_ ? wait_timeout_status : task_.exit_status();
}

int client_session::run() {
    std::string error;
    if (!options_.script.empty() && !input_.load_script(options_.script, commands_, error)) {
        std::fprintf(stderr, "client_sim: %s\n", error.c_str());
        return usage_status;
    }
    if (options_.script.empty()) input_.use_stdin();
    if (!prepare_slot()) return 1;
    if (options_.prepare_only) return 0;

    std::string program =
        options_.program.empty() ? program_beside_self() : absolute_program(options_.program);
    catch_interrupts();
    start_ = std::chrono::steady_clock::now();
    if (!task_.start(program, slot_, task_account_, error)) {
        std::fprintf(stderr, "client_sim: %s\n", error.c_str());
        return 1;
    }
    display_.event("client_sim: started " + program + " as pid " + std::to_string(task_.pid()));
    // The library takes messages that wait in the channels when it attaches.
    if (options_.window_at_start) graphics_queue_.push_back({"<mode_window/>", false});

    while (!task_.has_ended()) {
        collect_task_messages();
        handle_interrupts();
        send_heartbeat_when_due();
        input_.read_available(commands_);
        run_due_commands();
        send_queued(control_queue_, memory_.channels().process_control_request);
        send_queued(graphics_queue_, memory_.channels().graphics_request);
        sleep_a_moment();
    }
    return finish();
}

}  // namespace

int run_client_session(const client_sim_options& options) {
    progress_display display(stdout, isatty(STDOUT_FILENO) != 0);
    client_session session(options, display);
    return session.run();
}
