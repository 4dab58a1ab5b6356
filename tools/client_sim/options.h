// What client_sim is told on its command line: where and what to run, how to
// steer it, and the init-data values that the task will read.
#pragma once

#include <string>

struct init_data_values {
    std::string user_name = "Ada Quenlart";
    std::string authenticator = "3f2a9c1e5b7d4068a1c2e3f405162738";
    std::string team_name = "Zorvath Testers";
    std::string project_dir = "/var/lib/boinc-client/projects/zorvath.example.org";
    std::string boinc_dir = "/var/lib/boinc-client";
    double user_total_credit = 12345.5;
    double user_expavg_credit = 67.25;
    double host_total_credit = 8910.75;
    double host_expavg_credit = 11.125;
    std::string app_name = "zorvath_fold";
    std::string wu_name = "zorvath_fold_wu_0001";
    int slot = 0;
    std::string os_name = "Linux";
    double wu_cpu_time = 0.0;
    double checkpoint_period = 60.0;
};

struct client_sim_options {
    std::string slot_dir;  // empty: a new directory under ./run/
    std::string program;   // empty: zorvath_fold beside client_sim
    std::string script;    // empty: commands come from standard input
    bool heartbeat = true;
    bool window_at_start = false;
    bool stop_on_wait_timeout = false;
    bool prepare_only = false;
    int task_uid = -1;  // -1: the task runs as client_sim does
    init_data_values init;
};

enum class option_outcome { run, help_shown, error };

// Fills options from argv; on error writes the reason to standard error.
option_outcome parse_options(int argc, char** argv, client_sim_options& options);

// The --help text, which documents options, commands and output lines.
const char* client_sim_usage();
