// The client's active tasks as its GUI RPC reports them, through the BOINC
// library's own RPC client, which is what the Manager and the screensaver use.
#pragma once

#include <string>
#include <vector>

#include "tools/gui_rpc_query/query_options.h"

struct active_task_report {
    std::string name;
    std::string state;  // as boinccmd names it: EXECUTING, SUSPENDED, ...
    int pid = 0;
    std::string graphics_exec_path;  // empty: the client reports no graphics app
    std::string slot_path;
};

// Asks the client; false (with the reason on standard error) when it cannot be
// reached, refuses the password or the request.
bool query_active_tasks(const query_options& options, std::vector<active_task_report>& tasks);
