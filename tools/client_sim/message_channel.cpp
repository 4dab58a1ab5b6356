#include "tools/client_sim/message_channel.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int text_offset = 1;

// The flag byte is the only hand-over between the processes, so its accesses
// order the text copies around them.
bool channel_is_full(const MSG_CHANNEL& channel) {
    return __atomic_load_n(&channel.buf[0], __ATOMIC_ACQUIRE) != 0;
}

void set_channel_flag(MSG_CHANNEL& channel, char value) {
    __atomic_store_n(&channel.buf[0], value, __ATOMIC_RELEASE);
}

}  // namespace

bool take_channel_message(MSG_CHANNEL& channel, std::string& text) {
    if (!channel_is_full(channel)) return false;
    const char* start = channel.buf + text_offset;
    const void* nul = std::memchr(start, '\0', channel_text_max);
    std::size_t length = nul ? static_cast<const char*>(nul) - start : channel_text_max;
    text.assign(start, length);
    set_channel_flag(channel, 0);
    return true;
}

bool send_channel_message(MSG_CHANNEL& channel, const std::string& text) {
    if (channel_is_full(channel)) return false;
    std::size_t length = std::min<std::size_t>(text.size(), channel_text_max);
    std::memcpy(channel.buf + text_offset, text.data(), length);
    channel.buf[text_offset + length] = '\0';
    set_channel_flag(channel, 1);
    return true;
}

bool send_unterminated_channel_message(MSG_CHANNEL& channel, const std::string& text) {
    if (channel_is_full(channel) || text.empty()) return false;
    for (int i = text_offset; i < MSG_CHANNEL_SIZE; ++i) {
        channel.buf[i] = text[(i - text_offset) % text.size()];
    }
    set_channel_flag(channel, 1);
    return true;
}
