// Taking and sending one message on a shared-memory channel whose other party
// is the core client, without ever touching bytes outside the channel.
#pragma once

#include <cstddef>

#include "app_ipc.h"

// Longest message text that a channel carries, without the NUL.
constexpr std::size_t channel_text_max = MSG_CHANNEL_SIZE - 2;

// Copies a waiting message into out (cut to channel_text_max and to out_size,
// always NUL-ended) and frees the channel; false when none was waiting.
bool take_graphics_message(MSG_CHANNEL& channel, char* out, std::size_t out_size);

// Places text (cut to channel_text_max) in a free channel; false when the
// previous message has not been taken yet.
bool send_graphics_message(MSG_CHANNEL& channel, const char* text);
