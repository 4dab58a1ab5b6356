// Bounded take and send on a shared-memory channel: byte 0 is the full flag,
// the rest a NUL-ended text that the other process may have left unended.
#include "graphics_host/request_channel.h"

namespace {

// The flag is the hand-over between two processes: acquire on reading it so
// that the text is read after it, release on writing it so that the text is
// complete before the other side sees the flag.  C++17 has no atomic_ref, so
// the compiler's atomic built-ins act on the plain byte of the mapped memory.
bool channel_full(const MSG_CHANNEL& channel) {
    return __atomic_load_n(&channel.buf[0], __ATOMIC_ACQUIRE) != 0;
}

void set_channel_flag(MSG_CHANNEL& channel, char value) {
    __atomic_store_n(&channel.buf[0], value, __ATOMIC_RELEASE);
}

}  // namespace

bool take_graphics_message(MSG_CHANNEL& channel, char* out, std::size_t out_size) {
    if (!out || out_size == 0 || !channel_full(channel)) return false;
    std::size_t limit = out_size - 1 < channel_text_max ? out_size - 1 : channel_text_max;
    const char* text = channel.buf + 1;
    std::size_t length = 0;
    while (length < limit && text[length] != '\0') {
        out[length] = text[length];
        ++length;
    }
    out[length] = '\0';
    set_channel_flag(channel, 0);
    return true;
}

bool send_graphics_message(MSG_CHANNEL& channel, const char* text) {
    if (!text || channel_full(channel)) return false;
    char* destination = channel.buf + 1;
    std::size_t length = 0;
    while (length < channel_text_max && text[length] != '\0') {
        destination[length] = text[length];
        ++length;
    }
    destination[length] = '\0';
    set_channel_flag(channel, 1);
    return true;
}
