// The client's side of one shared-memory message channel. The task writes
// into the same memory, so nothing here trusts a NUL to be present.
#pragma once

#include <string>

#include "app_ipc.h"

// Longest message text that a channel carries, without the NUL.
constexpr int channel_text_max = MSG_CHANNEL_SIZE - 2;

// Copies a waiting message (at most channel_text_max characters, up to its
// first NUL if it has one) into text and frees the channel; false when none waits.
bool take_channel_message(MSG_CHANNEL& channel, std::string& text);

// Places text, cut to channel_text_max, in a free channel; false when the
// previous message has not been taken yet.
bool send_channel_message(MSG_CHANNEL& channel, const std::string& text);

// Fills every text byte of a free channel with text repeated, leaving no NUL,
// to see that the task's reader stays inside the channel; false when busy.
bool send_unterminated_channel_message(MSG_CHANNEL& channel, const std::string& text);
