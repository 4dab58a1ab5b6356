// How the companion ends.
#pragma once

// Writes why (when given) and ends the process with status at once.
[[noreturn]] void end_companion(int status, const char* why);
