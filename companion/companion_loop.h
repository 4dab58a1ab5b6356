// The companion's one thread: a 34 ms tick that looks at the slot a few times
// a second, ends the companion when its task is over, and draws at most 30
// frames a second: the scene (or the poster), then the status line.
#pragma once

#include "companion/companion_arguments.h"

// Opens the window and runs until the companion ends; returns only when the
// window cannot be opened, with the status to exit with. argv is the command
// it was started with, which its window names for launchers that look for it.
int run_companion(companion_display display, int argc, char** argv);

// One tick at monotonic time now: a look at the slot when one is due, the end
// rules, then a frame when one is due.
void companion_tick(double now);
