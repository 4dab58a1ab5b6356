// Compares one pass of the job (fraction report, progress line, flush,
// checkpoint test, burn loop) with the bare burn loop of the same length.
// A pass should cost its burn loop and nothing more: goal within 1 %.
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "job/worker.h"

namespace {

double thread_cpu_seconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec * 1e-9;
}

template <typename Work>
double cpu_seconds_of(Work work) {
    const double before = thread_cpu_seconds();
    work();
    return thread_cpu_seconds() - before;
}

}  // namespace

int main(int argc, char** argv) {
    const int passes = argc > 1 ? std::atoi(argv[1]) : 20;
    const int rounds = 5;
    std::FILE* out = std::tmpfile();
    if (!out) return 1;

    double best_bare = 1e9, best_pass = 1e9;
    for (int round = 0; round < rounds; ++round) {
        // Interleaved, so that a busy machine slows both alike.
        best_bare = std::min(best_bare, cpu_seconds_of([&] {
                                 for (int p = 0; p < passes; ++p) burn_pass();
                             }));
        best_pass = std::min(best_pass, cpu_seconds_of([&] {
                                 for (int p = 0; p < passes; ++p) run_job_pass(out, p * 60, 1.0);
                             }));
    }
    std::printf("%-28s %10s\n", "measure", "value");
    std::printf("%-28s %10.4f\n", "bare burn loop, s/pass", best_bare / passes);
    std::printf("%-28s %10.4f\n", "job pass, s/pass", best_pass / passes);
    std::printf("%-28s %10.4f\n", "ratio pass / burn", best_pass / best_bare);
    std::printf("%-28s %10s\n", "goal", "<= 1.01");
    std::fclose(out);
    return 0;
}
