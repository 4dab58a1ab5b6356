// The host's one way to say that something failed. The message boxes that
// Windows' host shows keep their own texts and captions (platform::message_box).
#pragma once

// One line on standard error: "graphics host: ", then `what` and `detail`
// (when given, after ": ").
void log_host_failure(const char* what, const char* detail = nullptr);
