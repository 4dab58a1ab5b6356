// The compute job, run on the worker thread.
#pragma once

#include <cstdio>

// Wall-clock time at which main() began; written before the worker exists.
extern double job_start_time;

// The job: writes the output file, runs the passes with their checkpoints,
// shows the poster when graphics were up, and ends the process.
void do_work();

// One pass of the loop after its processor-time reading: fraction done,
// progress line, flush, checkpoint when due, burn loop.
void run_job_pass(std::FILE* out, int pass, double cpu_time);

// The pass's load: 12,345,678 products of two rand() values.
void burn_pass();
