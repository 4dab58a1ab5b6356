// The companion's command line: nothing, or --fullscreen as BOINC's graphics
// apps take it.
#pragma once

enum class companion_display { window, fullscreen, usage_error };

// How to show the task; usage_error for anything else than one optional --fullscreen.
companion_display parse_companion_arguments(int argc, const char* const* argv);

// The one line printed with status 1 on a usage error.
extern const char companion_usage[];
