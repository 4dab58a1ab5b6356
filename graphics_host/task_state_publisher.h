// The task's state, published in the working directory (the slot) for the
// graphics companion that the BOINC Manager or screensaver starts under the
// desktop user's account. Written by the graphics thread only, whole states
// only: a new file is renamed onto the old one.
#pragma once

// Called on every frame-timer tick of the graphics thread: renews the file
// about once a second, and at once when suspended, poster phase or finished
// change. A failed write is logged once and tried again a second later.
void publish_task_state_if_due();

// For the worker, before the library's finish: asks the graphics thread to
// publish a state that says finished, and waits until it has tried, for at
// most `max_wait_seconds` (the graphics thread may be stuck in a dead display).
void hand_over_finished_state(double max_wait_seconds);
