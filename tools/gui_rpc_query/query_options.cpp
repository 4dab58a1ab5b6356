#include "tools/gui_rpc_query/query_options.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char usage_text[] =
    "usage: gui_rpc_query [--host HOST] [--port PORT] [--passwd-file FILE]\n"
    "Prints one line per active task of the BOINC client at HOST:PORT (default localhost\n"
    "and the client's default GUI RPC port), fields separated by tabs:\n"
    "  NAME STATE PID GRAPHICS_EXEC_PATH SLOT_PATH\n"
    "STATE as boinccmd names it (EXECUTING, SUSPENDED, ...); a path the client does not\n"
    "report is empty. FILE holds the GUI RPC password (the data directory's\n"
    "gui_rpc_auth.cfg). Status 0 on success, 1 on a bad command line, 2 when the client\n"
    "cannot be reached, refuses the password or the request.\n";

// A TCP port from its text, or 0 when the text is not one.
int parse_port(const char* text) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < 1 || value > 65535) return 0;
    return static_cast<int>(value);
}

}  // namespace

query_option_outcome parse_query_options(int argc, char** argv, query_options& options) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--help") == 0) {
            std::fputs(usage_text, stdout);
            return query_option_outcome::help_shown;
        }
        const bool takes_value = std::strcmp(arg, "--host") == 0 ||
                                 std::strcmp(arg, "--port") == 0 ||
                                 std::strcmp(arg, "--passwd-file") == 0;
        if (!takes_value) {
            std::fprintf(stderr, "gui_rpc_query: unknown argument '%s'\n%s", arg, usage_text);
            return query_option_outcome::error;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "gui_rpc_query: %s needs a value\n", arg);
            return query_option_outcome::error;
        }
        const char* value = argv[++i];
        if (std::strcmp(arg, "--host") == 0) {
            options.host = value;
        } else if (std::strcmp(arg, "--port") == 0) {
            options.port = parse_port(value);
            if (options.port == 0) {
                std::fprintf(stderr, "gui_rpc_query: '%s' is not a TCP port\n", value);
                return query_option_outcome::error;
            }
        } else {
            options.password_file = value;
        }
    }
    return query_option_outcome::run;
}
