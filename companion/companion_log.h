// The companion's one way to write a line for whoever reads its standard
// error (the Manager's log, or a test).
#pragma once

// "graphics companion: ", then the formatted text, then a new line.
void companion_log(const char* format, ...) __attribute__((format(printf, 1, 2)));
