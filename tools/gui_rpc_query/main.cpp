// gui_rpc_query: prints the active tasks of a running BOINC client with the
// graphics app and slot that the client reports for each; see --help.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/gui_rpc_query/active_tasks.h"
#include "tools/gui_rpc_query/query_options.h"

namespace {

// A field as one tab-free line: control bytes, which neither names nor paths
// should hold, become '?' so that a line is always one task.
std::string printable_field(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    }
    return out;
}

void print_task(const active_task_report& task) {
    std::printf("%s\t%s\t%d\t%s\t%s\n", printable_field(task.name).c_str(),
                printable_field(task.state).c_str(), task.pid,
                printable_field(task.graphics_exec_path).c_str(),
                printable_field(task.slot_path).c_str());
}

}  // namespace

int main(int argc, char** argv) {
    query_options options;
    switch (parse_query_options(argc, argv, options)) {
        case query_option_outcome::help_shown:
            return 0;
        case query_option_outcome::error:
            return 1;
        case query_option_outcome::run:
            break;
    }
    std::vector<active_task_report> tasks;
    if (!query_active_tasks(options, tasks)) return 2;
    for (const active_task_report& task : tasks) print_task(task);
    return 0;
}
