#include "tools/client_sim/options.h"

#include <getopt.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

enum option_id {
    opt_slot = 256,
    opt_program,
    opt_script,
    opt_no_heartbeat,
    opt_window,
    opt_stop_on_timeout,
    opt_prepare_only,
    opt_task_uid,
    opt_help,
    opt_user_name,
    opt_authenticator,
    opt_team_name,
    opt_project_dir,
    opt_boinc_dir,
    opt_user_total_credit,
    opt_user_expavg_credit,
    opt_host_total_credit,
    opt_host_expavg_credit,
    opt_app_name,
    opt_wu_name,
    opt_slot_number,
    opt_os_name,
    opt_wu_cpu_time,
    opt_checkpoint_period,
};

const option long_options[] = {
    {"slot", required_argument, nullptr, opt_slot},
    {"program", required_argument, nullptr, opt_program},
    {"script", required_argument, nullptr, opt_script},
    {"no-heartbeat", no_argument, nullptr, opt_no_heartbeat},
    {"window", no_argument, nullptr, opt_window},
    {"stop-on-timeout", no_argument, nullptr, opt_stop_on_timeout},
    {"prepare-only", no_argument, nullptr, opt_prepare_only},
    {"task-uid", required_argument, nullptr, opt_task_uid},
    {"help", no_argument, nullptr, opt_help},
    {"user-name", required_argument, nullptr, opt_user_name},
    {"authenticator", required_argument, nullptr, opt_authenticator},
    {"team-name", required_argument, nullptr, opt_team_name},
    {"project-dir", required_argument, nullptr, opt_project_dir},
    {"boinc-dir", required_argument, nullptr, opt_boinc_dir},
    {"user-total-credit", required_argument, nullptr, opt_user_total_credit},
    {"user-expavg-credit", required_argument, nullptr, opt_user_expavg_credit},
    {"host-total-credit", required_argument, nullptr, opt_host_total_credit},
    {"host-expavg-credit", required_argument, nullptr, opt_host_expavg_credit},
    {"app-name", required_argument, nullptr, opt_app_name},
    {"wu-name", required_argument, nullptr, opt_wu_name},
    {"slot-number", required_argument, nullptr, opt_slot_number},
    {"os-name", required_argument, nullptr, opt_os_name},
    {"wu-cpu-time", required_argument, nullptr, opt_wu_cpu_time},
    {"checkpoint-period", required_argument, nullptr, opt_checkpoint_period},
    {nullptr, 0, nullptr, 0},
};

bool parse_double_value(const char* name, const char* text, double& value) {
    char* end = nullptr;
    errno = 0;
    double parsed = std::strtod(text, &end);
    if (end == text || *end != '\0' || errno == ERANGE) {
        std::fprintf(stderr, "client_sim: --%s needs a number, not \"%s\"\n", name, text);
        return false;
    }
    value = parsed;
    return true;
}

bool parse_int_value(const char* name, const char* text, int& value) {
    char* end = nullptr;
    errno = 0;
    long parsed = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno == ERANGE || parsed < -2147483647L ||
        parsed > 2147483647L) {
        std::fprintf(stderr, "client_sim: --%s needs an integer, not \"%s\"\n", name, text);
        return false;
    }
    value = static_cast<int>(parsed);
    return true;
}

// Applies one option; false when its value is unusable.
bool apply_option(int id, const char* name, const char* value, client_sim_options& o) {
    init_data_values& init = o.init;
    switch (id) {
        case opt_slot:
            o.slot_dir = value;
            return true;
        case opt_program:
            o.program = value;
            return true;
        case opt_script:
            o.script = value;
            return true;
        case opt_no_heartbeat:
            o.heartbeat = false;
            return true;
        case opt_window:
            o.window_at_start = true;
            return true;
        case opt_stop_on_timeout:
            o.stop_on_wait_timeout = true;
            return true;
        case opt_prepare_only:
            o.prepare_only = true;
            return true;
        case opt_task_uid:
            if (!parse_int_value(name, value, o.task_uid)) return false;
            if (o.task_uid >= 0) return true;
            std::fprintf(stderr, "client_sim: --%s needs a user id, not \"%s\"\n", name, value);
            return false;
        case opt_user_name:
            init.user_name = value;
            return true;
        case opt_authenticator:
            init.authenticator = value;
            return true;
        case opt_team_name:
            init.team_name = value;
            return true;
        case opt_project_dir:
            init.project_dir = value;
            return true;
        case opt_boinc_dir:
            init.boinc_dir = value;
            return true;
        case opt_user_total_credit:
            return parse_double_value(name, value, init.user_total_credit);
        case opt_user_expavg_credit:
            return parse_double_value(name, value, init.user_expavg_credit);
        case opt_host_total_credit:
            return parse_double_value(name, value, init.host_total_credit);
        case opt_host_expavg_credit:
            return parse_double_value(name, value, init.host_expavg_credit);
        case opt_app_name:
            init.app_name = value;
            return true;
        case opt_wu_name:
            init.wu_name = value;
            return true;
        case opt_slot_number:
            return parse_int_value(name, value, init.slot);
        case opt_os_name:
            init.os_name = value;
            return true;
        case opt_wu_cpu_time:
            return parse_double_value(name, value, init.wu_cpu_time);
        case opt_checkpoint_period:
            return parse_double_value(name, value, init.checkpoint_period);
        default:
            return false;
    }
}

const char* option_name(int id) {
    for (const option* o = long_options; o->name; ++o) {
        if (o->val == id) return o->name;
    }
    return "?";
}

}  // namespace

option_outcome parse_options(int argc, char** argv, client_sim_options& options) {
    optind = 1;
    opterr = 1;
    int id;
    while ((id = getopt_long(argc, argv, "h", long_options, nullptr)) != -1) {
        if (id == opt_help || id == 'h') {
            std::fputs(client_sim_usage(), stdout);
            return option_outcome::help_shown;
        }
        if (id == '?') {
            std::fprintf(stderr, "client_sim: try --help\n");
            return option_outcome::error;
        }
        if (!apply_option(id, option_name(id), optarg, options)) return option_outcome::error;
    }
    if (optind < argc) {
        std::fprintf(stderr, "client_sim: unexpected argument \"%s\"; try --help\n", argv[optind]);
        return option_outcome::error;
    }
    return option_outcome::run;
}

const char* client_sim_usage() {
    return R"usage(Usage: client_sim [OPTION]...
Plays the BOINC core client for one task of zorvath_fold: prepares a slot
directory (init_data.xml, an empty 8192-byte boinc_mmap_file), starts the
program there, sends a heartbeat every second, shows the task's progress,
passes on commands, and ends when the task ends, with the task's exit status
(128+N when the task was killed by signal N).

Running:
  --slot DIR            slot directory, created if missing; files already in it
                        (out.txt, ckpt_state) are kept, so a second run with
                        the same DIR restarts the task. Default: a new
                        directory under ./run/
  --program PATH        program to run (default: zorvath_fold beside client_sim)
  --script FILE         read commands from FILE instead of standard input
  --window              ask for "<mode_window/>" as soon as the task runs
  --no-heartbeat        send no heartbeats
  --stop-on-timeout     a wait that times out kills the task, and client_sim
                        then exits with status 124
  --prepare-only        prepare the slot directory, print its path and exit
  --task-uid UID        run the task under user id UID and its group from the
                        password database (or group id UID), as a sandboxed
                        client does; the slot directory and the files
                        client_sim writes become UID's. Needs root
  -h, --help            show this text

Init data, written to init_data.xml (defaults in brackets):
  --user-name TEXT            ["Ada Quenlart"]
  --authenticator TEXT        ["3f2a9c1e5b7d4068a1c2e3f405162738"]
  --team-name TEXT            ["Zorvath Testers"]
  --project-dir PATH          ["/var/lib/boinc-client/projects/zorvath.example.org"]
  --boinc-dir PATH            ["/var/lib/boinc-client"]
  --user-total-credit NUMBER  [12345.5]
  --user-expavg-credit NUMBER [67.25]
  --host-total-credit NUMBER  [8910.75]
  --host-expavg-credit NUMBER [11.125]
  --app-name TEXT             ["zorvath_fold"]
  --wu-name TEXT              ["zorvath_fold_wu_0001"]
  --slot-number N             [0]
  --os-name TEXT              ["Linux"]
  --wu-cpu-time SECONDS       processor time of earlier runs [0]
  --checkpoint-period SECONDS [60]
  client_pid is client_sim's own process id, and shm_key is -1, so that the
  library uses the boinc_mmap_file of the slot.

Commands, one per line, run in order from the task's start. Blank lines and
lines starting with # are ignored. The library takes messages that already
wait in the channels when it starts, so the first ones need no delay:
  suspend | resume | quit | abort
                        send "<suspend/>", "<resume/>", "<quit/>" or "<abort/>"
                        on the process-control channel
  mode MODE [window_station=NAME] [desktop=NAME] [display=NAME]
                        send a graphics request. MODE is one of hide_graphics,
                        window, fullscreen, blankscreen, reread_prefs, quit,
                        unsupported, also written mode_window or <mode_window/>.
                        Names are XML-escaped; "..." keeps blanks in a word,
                        as in desktop="a b"
  raw TEXT              send TEXT, the rest of the line as it is, as a graphics
                        request (cut to 1022 characters)
  raw-unterminated TEXT fill all 1023 text bytes of the graphics request channel
                        with TEXT repeated, leaving no NUL
  wait REPLY [SECONDS]  wait up to SECONDS (default 10) for the graphics reply
                        REPLY (a mode as above, or exact text). Replies that
                        came after the previous wait ended count too
  sleep SECONDS         pause the commands
  kill [SIGNAL]         send SIGNAL (default KILL; a number or a name such as
                        TERM) to the task
  status                print the latest status line
  heartbeat on|off      resume or stop the heartbeats
  @SECONDS COMMAND      run COMMAND, in its turn, no earlier than SECONDS after
                        the task started (a script of timed steps)
A message for a busy channel waits, in order, until the task frees it. The end
of the commands does not end the session: it lasts until the task ends.
SIGINT or SIGTERM sends "<quit/>" to the task and kills it 5 s later; a second
one kills it at once.

Output, on standard output (T: seconds since the task started, 3 decimals):
  client_sim: slot DIR
  client_sim: started PROGRAM as pid PID
  sent TEXT at T s            a message was placed in its channel (TEXT as
                              placed: cut to 1022 characters, or followed by
                              "(repeated, no NUL)" for raw-unterminated)
  reply TEXT at T s           a graphics reply was taken from its channel
  control reply TEXT at T s   a process-control reply was taken
  status at T s: fraction_done F cpu_time C s checkpoint_cpu_time K s
                              each status message of the task; on a terminal
                              a progress bar shows them instead
  wait REPLY: received at T s
  wait REPLY: timed out at T s
  signal N sent to the task at T s
  task ended at T s: exit status N (how it ended)
Problems go to standard error; bad options or commands give status 2.
)usage";
}
