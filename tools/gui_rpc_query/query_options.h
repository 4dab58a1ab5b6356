// What gui_rpc_query is told on its command line: which client to ask and how
// to prove that it may.
#pragma once

#include <string>

struct query_options {
    std::string host = "localhost";
    int port = 0;               // 0: the client's default GUI RPC port
    std::string password_file;  // empty: no authorisation (the client then refuses most requests)
};

enum class query_option_outcome { run, help_shown, error };

// Fills options from argv; on error writes the reason to standard error.
query_option_outcome parse_query_options(int argc, char** argv, query_options& options);
