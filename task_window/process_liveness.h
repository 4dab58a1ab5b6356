// Whether another process still lives: the task asks it of its core client,
// the companion of its task.
#pragma once

// kill(pid, 0): gone only on ESRCH, since a live process of another account
// (a sandboxed client, a task seen from the desktop's user) answers EPERM.
// Zero, negative and too large numbers name no one process: not alive.
bool process_alive(long pid);
