// WORKAROUND(BOINC 7.20.5, Debian 12): the library suspends the job from a
// SIGALRM handler, on whichever thread takes the signal. Blocking the signal
// on the main thread before the library starts (every later thread inherits
// the mask) and unblocking it on the worker alone makes suspension stop the
// worker while the graphics go on.
#pragma once

// Blocks or unblocks SIGALRM for the calling thread only.
void set_alarm_signal_blocked(bool blocked);
