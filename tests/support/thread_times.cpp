#include "tests/support/thread_times.h"

#include <dirent.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "tests/support/test_support.h"

namespace zf_test {

namespace {

using clock = std::chrono::steady_clock;

long ticks_of(pid_t pid, const std::string& tid) {
    const auto ticks = thread_cpu_ticks(pid);
    const auto found = ticks.find(tid);
    return found == ticks.end() ? -1 : found->second;
}

clock::time_point after(double seconds) {
    return clock::now() +
           std::chrono::duration_cast<clock::duration>(std::chrono::duration<double>(seconds));
}

}  // namespace

std::map<std::string, long> thread_cpu_ticks(pid_t pid) {
    std::map<std::string, long> ticks;
    const std::string base = "/proc/" + std::to_string(pid) + "/task";
    DIR* tasks = opendir(base.c_str());
    if (!tasks) return ticks;
    while (dirent* entry = readdir(tasks)) {
        const std::string tid = entry->d_name;
        if (tid[0] == '.') continue;
        const std::string stat = read_file(base + "/" + tid + "/stat");
        const std::size_t name_end = stat.rfind(')');
        if (name_end == std::string::npos) continue;
        // After the name: state, then 10 fields, then utime and stime.
        std::istringstream fields(stat.substr(name_end + 2));
        std::string field;
        long utime = 0, stime = 0;
        for (int i = 0; i < 11; ++i) fields >> field;
        fields >> utime >> stime;
        ticks[tid] = utime + stime;
    }
    closedir(tasks);
    return ticks;
}

std::string busiest_thread(const std::map<std::string, long>& ticks) {
    std::string busiest;
    long most = -1;
    for (const auto& [tid, count] : ticks) {
        if (count > most) most = count, busiest = tid;
    }
    return busiest;
}

std::string busiest_thread_during(pid_t pid, double seconds) {
    const auto before = thread_cpu_ticks(pid);
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    std::map<std::string, long> gained = thread_cpu_ticks(pid);
    for (auto& [tid, ticks] : gained) {
        const auto earlier = before.find(tid);
        if (earlier != before.end()) ticks -= earlier->second;
    }
    return busiest_thread(gained);
}

bool wait_until_thread_holds_still(pid_t pid, const std::string& tid, double quiet_seconds,
                                   double seconds) {
    const auto deadline = after(seconds);
    long quiet_from = ticks_of(pid, tid);
    auto quiet_since = clock::now();
    while (clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const long now = ticks_of(pid, tid);
        if (now < 0) return false;
        if (now - quiet_from > 1) {
            quiet_from = now;
            quiet_since = clock::now();
        } else if (clock::now() - quiet_since >= std::chrono::duration<double>(quiet_seconds)) {
            return true;
        }
    }
    return false;
}

bool wait_until_thread_runs(pid_t pid, const std::string& tid, long ticks, double seconds) {
    const auto deadline = after(seconds);
    const long start = ticks_of(pid, tid);
    while (clock::now() < deadline) {
        const long now = ticks_of(pid, tid);
        if (now < 0) return false;
        if (now - start >= ticks) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

}  // namespace zf_test
