// Suspended threads on POSIX: the new thread waits on a start gate until
// resume_thread opens it.
#include "platform/thread.h"

#include <pthread.h>

#include <condition_variable>
#include <mutex>

namespace platform {

class suspended_thread {
  public:
    suspended_thread(thread_routine routine, void* parameter)
        : routine_(routine), parameter_(parameter) {}

    void open_gate() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            resumed_ = true;
        }
        gate_.notify_one();
    }

    void wait_at_gate_then_run() {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            gate_.wait(lock, [this] { return resumed_; });
        }
        routine_(parameter_);
    }

  private:
    thread_routine routine_;
    void* parameter_;
    std::mutex mutex_;
    std::condition_variable gate_;
    bool resumed_ = false;
};

namespace {

void* thread_start(void* argument) {
    // The thread keeps its own reference, so the record outlives any caller's.
    std::unique_ptr<std::shared_ptr<suspended_thread>> self(
        static_cast<std::shared_ptr<suspended_thread>*>(argument));
    (*self)->wait_at_gate_then_run();
    return nullptr;
}

}  // namespace

std::shared_ptr<suspended_thread> create_suspended_thread(thread_routine routine, void* parameter) {
    auto thread = std::make_shared<suspended_thread>(routine, parameter);
    auto reference = std::make_unique<std::shared_ptr<suspended_thread>>(thread);
    pthread_t id;
    if (pthread_create(&id, nullptr, thread_start, reference.get()) != 0) return nullptr;
    reference.release();
    pthread_detach(id);
    return thread;
}

void resume_thread(suspended_thread& thread) { thread.open_gate(); }

}  // namespace platform
