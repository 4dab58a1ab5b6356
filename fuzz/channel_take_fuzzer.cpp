// Whatever the other process leaves in a channel, with or without a NUL, the
// take reads only the channel, writes only the caller's buffer, and what it
// takes goes back through a send unchanged.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "graphics_host/request_channel.h"

namespace {

// The channel alone on the heap, so that AddressSanitizer sees a read past it.
std::unique_ptr<MSG_CHANNEL> channel_from(const std::uint8_t* data, std::size_t size) {
    auto channel = std::make_unique<MSG_CHANNEL>();
    for (std::size_t i = 0; i < MSG_CHANNEL_SIZE; ++i) {
        channel->buf[i] = size ? static_cast<char>(data[i % size]) : 'x';
    }
    return channel;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto channel = channel_from(data, size);
    const std::string before(channel->buf, MSG_CHANNEL_SIZE);
    const bool full = before[0] != 0;
    // An exactly sized heap buffer, so that a write past it is seen too.
    const std::size_t out_size = 1 + (size ? data[size - 1] * 5u : 0u);
    std::vector<char> out(out_size, '#');

    if (take_graphics_message(*channel, out.data(), out.size()) != full) std::abort();
    if (!full) {
        if (std::string(channel->buf, MSG_CHANNEL_SIZE) != before) std::abort();
        return 0;
    }
    if (channel->buf[0] != 0) std::abort();
    const std::size_t length = ::strnlen(out.data(), out.size());
    if (length == out.size() || length > channel_text_max) std::abort();
    if (before.compare(1, length, out.data(), length) != 0) std::abort();

    auto reply = std::make_unique<MSG_CHANNEL>();
    reply->buf[0] = 0;
    if (!send_graphics_message(*reply, out.data())) std::abort();
    if (send_graphics_message(*reply, "<mode_window/>")) std::abort();
    std::vector<char> again(MSG_CHANNEL_SIZE);
    if (!take_graphics_message(*reply, again.data(), again.size())) std::abort();
    if (std::strcmp(again.data(), out.data()) != 0) std::abort();
    return 0;
}
