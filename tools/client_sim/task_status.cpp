#include "tools/client_sim/task_status.h"

#include "parse.h"

bool parse_task_status(const std::string& message, task_status& status) {
    const char* text = message.c_str();
    bool fraction = parse_double(text, "<fraction_done>", status.fraction_done);
    bool cpu = parse_double(text, "<current_cpu_time>", status.current_cpu_time);
    bool checkpoint = parse_double(text, "<checkpoint_cpu_time>", status.checkpoint_cpu_time);
    return fraction || cpu || checkpoint;
}
