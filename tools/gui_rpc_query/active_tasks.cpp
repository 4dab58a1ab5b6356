#include "tools/gui_rpc_query/active_tasks.h"

#include <cstdio>
#include <fstream>
#include <string>

#include "gui_rpc_client.h"
#include "str_util.h"

namespace {

// The library's RESULTS owns what get_results allocated but frees it only on
// clear().
struct owned_results {
    RESULTS results;
    ~owned_results() { results.clear(); }
};

// The password as the client writes it: the file's first line.
bool read_password(const std::string& path, std::string& password) {
    std::ifstream file(path);
    if (!file || !std::getline(file, password)) {
        std::fprintf(stderr, "gui_rpc_query: cannot read the password from %s\n", path.c_str());
        return false;
    }
    return true;
}

bool connect_and_authorize(const query_options& options, RPC_CLIENT& client) {
    int status = client.init(options.host.c_str(), options.port);
    if (status != 0) {
        std::fprintf(stderr, "gui_rpc_query: cannot connect to %s port %d (status %d)\n",
                     options.host.c_str(), options.port, status);
        return false;
    }
    if (options.password_file.empty()) return true;
    std::string password;
    if (!read_password(options.password_file, password)) return false;
    status = client.authorize(password.c_str());
    if (status != 0) {
        std::fprintf(stderr, "gui_rpc_query: the client refused the password (status %d)\n",
                     status);
        return false;
    }
    return true;
}

active_task_report report_of(const RESULT& result) {
    active_task_report report;
    report.name = result.name;
    report.state = active_task_state_string(result.active_task_state);
    report.pid = result.pid;
    report.graphics_exec_path = result.graphics_exec_path;
    report.slot_path = result.slot_path;
    return report;
}

}  // namespace

bool query_active_tasks(const query_options& options, std::vector<active_task_report>& tasks) {
    RPC_CLIENT client;
    if (!connect_and_authorize(options, client)) return false;
    owned_results owned;
    const int status = client.get_results(owned.results, true);
    if (status != 0) {
        std::fprintf(stderr, "gui_rpc_query: the client refused <get_results> (status %d)\n",
                     status);
        return false;
    }
    tasks.clear();
    for (const RESULT* result : owned.results.results) {
        if (result->active_task) tasks.push_back(report_of(*result));
    }
    return true;
}
