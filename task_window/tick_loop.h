// The one loop that drives either program's graphics thread.
#pragma once

// Calls `tick` every `period_ms` milliseconds, when no other message waits,
// and dispatches messages until the queue is told to quit.
void run_tick_loop(unsigned period_ms, void (*tick)());
