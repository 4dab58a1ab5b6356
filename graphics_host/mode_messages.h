// The exchange of display-mode messages with the core client, on the
// graphics request and reply channels of the shared memory.
#pragma once

// Takes at most one waiting request, decodes it into the host's request record
// and acts on it.
void handle_graphics_request();

// Reports the mode in force when it differs from the last one reported. A
// quit in force becomes mode_hide_graphics here, once it has been tried.
void report_graphics_mode();
