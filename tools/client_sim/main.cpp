// client_sim: plays the BOINC core client for one task; see --help.
#include "tools/client_sim/options.h"
#include "tools/client_sim/session.h"

int main(int argc, char** argv) {
    client_sim_options options;
    switch (parse_options(argc, argv, options)) {
        case option_outcome::help_shown:
            return 0;
        case option_outcome::error:
            return 2;
        case option_outcome::run:
            break;
    }
    return run_client_session(options);
}
