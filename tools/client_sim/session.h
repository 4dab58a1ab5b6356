// One task under client_sim, from the slot's preparation to the task's end.
#pragma once

#include "tools/client_sim/options.h"

// Exit status for a wait that timed out under --stop-on-timeout.
constexpr int wait_timeout_status = 124;

// Runs the whole session; returns client_sim's exit status.
int run_client_session(const client_sim_options& options);
