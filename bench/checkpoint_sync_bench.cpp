// What forcing the output file to disk adds to a checkpoint: the wall-clock
// time of the output sync against that of the checkpoint write it precedes
// (temporary file, its sync, rename, directory sync), round by round, with a
// checkpoint period's worth of progress lines written before each round.
// Usage: checkpoint_sync_bench [ROUNDS [DIR]]; DIR (default: a new directory
// under the current one) should be on the file system the slots are on.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "job/checkpoint.h"

namespace {

// One checkpoint period (60 s by default) of passes of about 0.25 s: four
// progress lines of the job's width.
constexpr int lines_per_period = 4;

template <typename Work>
double milliseconds_of(Work work) {
    const auto before = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - before)
        .count();
}

double percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(fraction * (values.size() - 1))];
}

void print_row(const char* what, const std::vector<double>& ms) {
    std::printf("%-34s %8.3f %8.3f %8.3f\n", what, percentile(ms, 0.5), percentile(ms, 0.9),
                percentile(ms, 1.0));
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    std::string dir = argc > 2 ? argv[2] : "";
    const bool own_dir = dir.empty();
    if (own_dir) {
        char name[] = "checkpoint_sync_bench.XXXXXX";
        if (!mkdtemp(name)) return 1;
        dir = name;
    }
    char started_in[4096];
    if (!getcwd(started_in, sizeof started_in) || chdir(dir.c_str()) != 0) return 1;
    std::FILE* out = std::fopen("out.txt", "a");
    if (!out) return 1;

    std::vector<double> output_sync, checkpoint;
    for (int round = 0; round < rounds; ++round) {
        for (int line = 0; line < lines_per_period; ++line) {
            std::fprintf(out, " i=%5d : T=%9.2f seconds : %5.2f %% \n", round * 240 + line * 60,
                         round * 60.0, round * 0.8);
        }
        std::fflush(out);
        output_sync.push_back(milliseconds_of([&] {
            if (!output_on_disk(out)) std::perror("output_on_disk");
        }));
        checkpoint.push_back(milliseconds_of([&] {
            if (do_checkpoint(round * 240) != 0) std::fprintf(stderr, "do_checkpoint failed\n");
        }));
    }
    std::fclose(out);
    std::remove("out.txt");
    std::remove("ckpt_state");
    if (chdir(started_in) == 0 && own_dir) rmdir(dir.c_str());

    std::printf("%d rounds in %s, wall-clock ms per checkpoint\n", rounds, dir.c_str());
    std::printf("%-34s %8s %8s %8s\n", "measure", "median", "p90", "max");
    print_row("output sync (added)", output_sync);
    print_row("checkpoint write (as before)", checkpoint);
    std::printf("%-34s %8.5f %%\n", "added share of a 60 s period",
                100.0 * percentile(output_sync, 0.5) / 60000.0);
    return 0;
}
