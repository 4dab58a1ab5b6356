// Processor time of a running process's threads, read from /proc, so that a
// test can tell which thread works and wait until it stops or starts.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>

namespace zf_test {

// Processor time (user + system, in clock ticks) of each thread, by thread id.
std::map<std::string, long> thread_cpu_ticks(pid_t pid);

// The thread with the most processor time so far.
std::string busiest_thread(const std::map<std::string, long>& ticks);

// The thread that gains the most processor time over the next seconds.
std::string busiest_thread_during(pid_t pid, double seconds);

// Waits up to seconds until the thread gains at most one tick over a whole
// quiet period; true when it has held still.
bool wait_until_thread_holds_still(pid_t pid, const std::string& tid, double quiet_seconds,
                                   double seconds);

// Waits up to seconds until the thread has gained at least ticks; true when it has.
bool wait_until_thread_runs(pid_t pid, const std::string& tid, long ticks, double seconds);

}  // namespace zf_test
