// The host's start-up sequence with library hooks that the test provides.
#include "graphics_host/startup.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

#include "boinc_api.h"
#include "platform/message_loop.h"

namespace {

std::atomic<int> worker_runs{0};
std::atomic<pid_t> worker_tid{0};
std::atomic<int> setup_calls_before_worker{0};

int failing_library_startup(BOINC_OPTIONS*) { return -108; }

// Ends the loop at once, so that start-up returns to the test.
int library_startup_then_quit(BOINC_OPTIONS*) {
    platform::post_quit_message();
    return 0;
}

int record_worker_setup() {
    if (worker_runs.load() == 0) ++setup_calls_before_worker;
    return 0;
}

void record_worker() {
    worker_tid = static_cast<pid_t>(gettid());
    ++worker_runs;
}

BOINC_OPTIONS default_options() {
    BOINC_OPTIONS options;
    boinc_options_defaults(options);
    return options;
}

bool wait_for_worker() {
    for (int n = 0; n < 500 && worker_runs.load() == 0; ++n) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return worker_runs.load() > 0;
}

TEST(GraphicsStartup, LibraryFailureComesBackUnchangedAndStartsNoWorker) {
    worker_runs = 0;
    startup_hooks_type hooks{failing_library_startup, record_worker_setup};
    BOINC_OPTIONS options = default_options();
    EXPECT_EQ(start_graphics_with_hooks(options, record_worker, &hooks), -108);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(worker_runs.load(), 0);
}

TEST(GraphicsStartup, NullWorkerStillRunsTheLoopUntilQuit) {
    startup_hooks_type hooks{library_startup_then_quit, record_worker_setup};
    BOINC_OPTIONS options = default_options();
    testing::internal::CaptureStderr();
    EXPECT_EQ(start_graphics_with_hooks(options, nullptr, &hooks), 0);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Graphics event loop returned\n"),
              std::string::npos);
}

TEST(GraphicsStartup, WorkerRunsOnItsOwnThreadAfterItsRegistration) {
    worker_runs = 0;
    setup_calls_before_worker = 0;
    startup_hooks_type hooks{library_startup_then_quit, record_worker_setup};
    BOINC_OPTIONS options = default_options();
    EXPECT_EQ(start_graphics_with_hooks(options, record_worker, &hooks), 0);
    ASSERT_TRUE(wait_for_worker());
    EXPECT_NE(worker_tid.load(), static_cast<pid_t>(gettid()));
    EXPECT_EQ(setup_calls_before_worker.load(), 1);
}

TEST(GraphicsStartup, RealHooksRouteTheAlarmSignalToTheWorkerAlone) {
    // The library's suspension runs in a SIGALRM handler on whichever thread
    // takes the signal: only the worker may take it.
    fill_startup_hooks();
    std::atomic<bool> worker_accepts_alarm{false};
    std::atomic<int> worker_nice{0};
    static std::atomic<bool>* accepts = &worker_accepts_alarm;
    static std::atomic<int>* nice_value = &worker_nice;
    startup_hooks_type hooks{library_startup_then_quit, startup_hooks.worker_timer_setup};
    worker_runs = 0;
    sigset_t block;
    sigemptyset(&block);
    sigaddset(&block, SIGALRM);
    pthread_sigmask(SIG_BLOCK, &block, nullptr);  // as the real library start-up leaves it
    BOINC_OPTIONS options = default_options();
    start_graphics_with_hooks(
        options,
        [] {
            sigset_t current;
            pthread_sigmask(SIG_SETMASK, nullptr, &current);
            accepts->store(!sigismember(&current, SIGALRM));
            nice_value->store(getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())));
            ++worker_runs;
        },
        &hooks);
    ASSERT_TRUE(wait_for_worker());
    EXPECT_TRUE(worker_accepts_alarm.load());
    EXPECT_GT(worker_nice.load(), getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())));
    sigset_t main_mask;
    pthread_sigmask(SIG_SETMASK, nullptr, &main_mask);
    EXPECT_TRUE(sigismember(&main_mask, SIGALRM));
}

}  // namespace
