// The exchange of display-mode messages with the core client, on the
// graphics request and reply channels of the shared memory.
#pragma once

// The last mode that the reply channel accepted; -1 before the first.
extern int acknowledged_graphics_mode;

// Takes at most one waiting request and acts on it.
void handle_graphics_request();

// Reports the mode in force when it differs from the last one reported.
void report_graphics_mode();
