#include "job/worker.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app_ipc.h"
#include "boinc_api.h"
#include "error_numbers.h"
#include "filesys.h"
#include "graphics_host/alarm_signal.h"
#include "graphics_host/process_exit.h"
#include "job/checkpoint.h"
#include "job/job_limits.h"
#include "scene/app_graphics.h"
#include "util.h"

double job_start_time = 0.0;

namespace {

constexpr int path_size = 512;
// A full disk may have room again later: the core client restarts the task
// from its checkpoint after this many seconds.
constexpr int retry_after_write_failure_seconds = 300;

// Keeps the burn loops' products from being optimised away.
volatile double burn_sink;

// The library suspends the worker inside its SIGALRM handler, wherever the
// worker then is. Caught inside stdio, it would keep stdio's locks for the
// whole suspension, and the graphics thread, which takes them too (Xlib and
// Mesa open files, the state file is written), would stall until the resume:
// seen as a window request left unanswered while suspended. So the worker
// holds the signal back except while it burns, which takes no lock that
// another thread takes (rand's is the worker's alone).
class suspendable_while_burning {
  public:
    suspendable_while_burning() { set_alarm_signal_blocked(false); }
    ~suspendable_while_burning() { set_alarm_signal_blocked(true); }
    suspendable_while_burning(const suspendable_while_burning&) = delete;
    suspendable_while_burning& operator=(const suspendable_while_burning&) = delete;
};

// Ends the task unless the output file can be opened for appending.
std::FILE* open_output_file() {
    char out_path[path_size];
    const int rc = boinc_resolve_filename("out.txt", out_path, sizeof out_path);
    if (rc) {
        std::fprintf(stderr, "worker: cannot resolve output file name.\n");
        finish_on_worker(rc);
    }
    std::FILE* out = boinc_fopen(out_path, "a");
    if (!out) {
        std::fprintf(stderr, "worker: cannot open output file %s.\n", out_path);
        std::fflush(nullptr);
        finish_on_worker(ERR_FOPEN);
    }
    return out;
}

int restart_pass() {
    int i_start = 0;
    if (read_checkpoint(i_start)) {
        std::fprintf(stderr, "worker: restarting at %d \n", i_start);
    } else {
        std::fprintf(stderr, "worker: Starting from scratch.  \n");
    }
    return i_start;
}

void write_init_data_block(std::FILE* out, const APP_INIT_DATA& aid) {
    std::fprintf(out, "User: %s \t\t", aid.user_name);
    std::fprintf(out, "Auth: %s \n", aid.authenticator);
    std::fprintf(out, "Team: %s \n\n", aid.team_name);
    std::fprintf(out, "Project Dir: %s \n", aid.project_dir);
    std::fprintf(out, "BOINC Dir: %s \n", aid.boinc_dir);
    std::fprintf(out, "\n");
    std::fprintf(out, "Total Credit:\t %f\n", aid.user_total_credit);
    std::fprintf(out, "Avg Credit:\t %f\n", aid.user_expavg_credit);
    std::fprintf(out, "Host Credit:\t %f\n", aid.host_total_credit);
    std::fprintf(out, "Host Avg:  \t %f\n", aid.host_expavg_credit);
    std::fprintf(out, "\n");
    std::fprintf(out, "APP Name: %s \n", aid.app_name);
    std::fprintf(out, "WU Name:  %s \n", aid.wu_name);
    std::fprintf(out, "Slot:  %d \n", aid.slot);
    std::fprintf(out, "\n================\n");
    std::fprintf(out, "APP OS Name: %s \n", aid.host_info.os_name);
}

void write_progress_line(std::FILE* out, int pass, double cpu_time, double fraction) {
    std::fprintf(out, " i=%5d ", pass);
    std::fprintf(out, ": T=%9.2f seconds ", cpu_time);
    std::fprintf(out, ": %5.2f %% \n", fraction * 100.0);
}

// Lost output must not be covered by a later checkpoint, nor the task end as
// a success: leave for a later retry from the last good checkpoint.
void leave_if_output_lost(std::FILE* out) {
    if (!std::ferror(out)) return;
    std::fprintf(stderr, "worker: cannot write the output file (%s); leaving for a retry.\n",
                 std::strerror(errno));
    std::fflush(nullptr);
    boinc_temporary_exit(retry_after_write_failure_seconds, "cannot write the output file");
}

// Linux may drop the data of a failed sync and let a later one succeed, so no
// later checkpoint could be trusted either: leave for a retry from the last
// one, which counts only output known to be on disk.
void leave_unless_output_on_disk(std::FILE* out) {
    if (output_on_disk(out)) return;
    std::fprintf(stderr, "worker: cannot sync the output file to disk (%s); leaving for a retry.\n",
                 std::strerror(errno));
    std::fflush(nullptr);
    boinc_temporary_exit(retry_after_write_failure_seconds, "cannot sync the output file");
}

void poster_burn() {
    for (long n = 0; n < burn_loop_length; ++n) burn_sink = std::rand() * poster_phase_factor;
}

// Keeps the job busy while the scene shows the poster.
void run_poster_phase() {
    std::fprintf(stderr, "worker: begining of the end - poster display begins...\n");
    show_poster.store(true, std::memory_order_relaxed);
    const double poster_end_time = dtime() + poster_phase_seconds;
    {
        suspendable_while_burning burning;
        while (dtime() < poster_end_time) poster_burn();
    }
    std::fprintf(stderr, "worker: end of the end - poster display is done..\n");
}

void write_closing_report(std::FILE* out, double cpu_time) {
    const double job_end_time = dtime();
    const int rc = boinc_wu_cpu_time(cpu_time);
    if (rc == 0) {
        std::fprintf(out, " CPU is %f seconds\n", cpu_time);
    } else {
        std::fprintf(stderr, "worker: can't get CPU time.  rc=%d \n", rc);
    }
    std::fprintf(stderr, "worker: CPU time: %f seconds, Wall clock time: %f seconds\n", cpu_time,
                 job_end_time - job_start_time);
    if (graphics_initialized.load(std::memory_order_relaxed)) {
        std::fprintf(stderr, "worker: graphics WERE initialized.\n");
    } else {
        std::fprintf(stderr, "worker: graphics NEVER initialzed!\n");
    }
    std::fprintf(out, "\nBlow me down!\n");
    std::fflush(out);
    leave_if_output_lost(out);
    // The client takes the file as the result once the task has finished.
    leave_unless_output_on_disk(out);
}

}  // namespace

void burn_pass() {
    for (long n = 0; n < burn_loop_length; ++n) {
        // Widened first: the product of two rand() values overflows int.
        const long long product = static_cast<long long>(std::rand()) * std::rand();
        burn_sink = static_cast<double>(product);
    }
}

void run_job_pass(std::FILE* out, int pass, double cpu_time) {
    const double fraction = fraction_done_for(pass);
    boinc_fraction_done(fraction);
    if (pass % report_interval == 0) write_progress_line(out, pass, cpu_time, fraction);
    std::fflush(nullptr);
    leave_if_output_lost(out);
    if (boinc_time_to_checkpoint()) {
        leave_unless_output_on_disk(out);
        do_checkpoint(pass);
    }
    suspendable_while_burning burning;
    burn_pass();
}

void do_work() {
    set_alarm_signal_blocked(true);  // until the first burn
    std::FILE* out = open_output_file();
    std::fprintf(out, "Hello, BOINC World!\n===================\n\n");
    const int i_start = restart_pass();

    std::fprintf(stderr, "worker: trying boinc_get_init_data()...\n");
    APP_INIT_DATA aid;
    boinc_get_init_data(aid);
    write_init_data_block(out, aid);

    double cpu_time = 0.0;
    for (int pass = i_start; pass < pass_limit; ++pass) {
        boinc_wu_cpu_time(cpu_time);
        run_job_pass(out, pass, cpu_time);
        if (passes_processor_time_limit(cpu_time,
                                        graphics_initialized.load(std::memory_order_relaxed))) {
            break;
        }
    }

    if (graphics_initialized.load(std::memory_order_relaxed)) run_poster_phase();
    write_closing_report(out, cpu_time);
    std::fclose(out);

    std::fprintf(stderr, "worker: all done\nBlow me down!\n");
    std::fflush(nullptr);
    finish_on_worker(0);
}
