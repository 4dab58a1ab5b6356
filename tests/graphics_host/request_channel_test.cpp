// The bounded take and the send on a shared-memory channel, and a request cut
// at the channel's size before it is decoded.
#include "graphics_host/request_channel.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "graphics_host/graphics_mode.h"

namespace {

// Heap-allocated alone, so that AddressSanitizer sees any byte read past it.
std::unique_ptr<MSG_CHANNEL> empty_channel() {
    auto channel = std::make_unique<MSG_CHANNEL>();
    std::memset(channel->buf, 0, sizeof channel->buf);
    return channel;
}

void place(MSG_CHANNEL& channel, const std::string& text) {
    channel.buf[0] = 1;
    std::memcpy(channel.buf + 1, text.data(), text.size());
}

TEST(TakeGraphicsMessage, TakesNothingFromAnEmptyChannel) {
    auto channel = empty_channel();
    std::strcpy(channel->buf + 1, "<mode_window/>");
    char out[MSG_CHANNEL_SIZE] = "untouched";
    EXPECT_FALSE(take_graphics_message(*channel, out, sizeof out));
    EXPECT_STREQ(out, "untouched");
}

TEST(TakeGraphicsMessage, CopiesTheTextAndFreesTheChannel) {
    auto channel = empty_channel();
    place(*channel, std::string("<mode_window/>") + '\0');
    char out[MSG_CHANNEL_SIZE];
    ASSERT_TRUE(take_graphics_message(*channel, out, sizeof out));
    EXPECT_STREQ(out, "<mode_window/>");
    EXPECT_EQ(channel->buf[0], 0);
    EXPECT_FALSE(take_graphics_message(*channel, out, sizeof out));
}

TEST(TakeGraphicsMessage, StaysInsideAChannelWithoutANul) {
    MSG_CHANNEL channels[2];
    std::memset(channels, 'x', sizeof channels);
    std::strcpy(channels[1].buf, "\1<mode_fullscreen/>");
    char out[2 * MSG_CHANNEL_SIZE];
    ASSERT_TRUE(take_graphics_message(channels[0], out, sizeof out));
    EXPECT_EQ(std::string(out), std::string(channel_text_max, 'x'));

    auto alone = empty_channel();
    std::memset(alone->buf, 'y', sizeof alone->buf);
    ASSERT_TRUE(take_graphics_message(*alone, out, sizeof out));
    EXPECT_EQ(std::strlen(out), channel_text_max);
}

TEST(TakeGraphicsMessage, NeverWritesPastASmallBuffer) {
    auto channel = empty_channel();
    place(*channel, std::string("<mode_fullscreen/>") + '\0');
    char out[12];
    std::memset(out, '#', sizeof out);
    ASSERT_TRUE(take_graphics_message(*channel, out, 8));
    EXPECT_STREQ(out, "<mode_f");
    EXPECT_EQ(out[8], '#');
    EXPECT_FALSE(take_graphics_message(*channel, out, 0));
}

TEST(TakeGraphicsMessage, ALongRequestIsCutBeforeDecoding) {
    auto channel = empty_channel();
    std::string text = "<mode_window/>";
    text.resize(channel_text_max - 10, ' ');
    text += "<mode_fullscreen/>";
    place(*channel, text.substr(0, channel_text_max) + '\0');
    char out[MSG_CHANNEL_SIZE];
    ASSERT_TRUE(take_graphics_message(*channel, out, sizeof out));
    graphics_request_type record = {};
    decode_graphics_request(out, record);
    EXPECT_EQ(record.mode, mode_window);
}

TEST(SendGraphicsMessage, RefusesWhileTheChannelIsFull) {
    auto channel = empty_channel();
    ASSERT_TRUE(send_graphics_message(*channel, "<mode_window/>"));
    EXPECT_EQ(channel->buf[0], 1);
    EXPECT_FALSE(send_graphics_message(*channel, "<mode_quit/>"));
    EXPECT_STREQ(channel->buf + 1, "<mode_window/>");
}

TEST(SendGraphicsMessage, CutsALongTextToTheChannel) {
    auto channel = empty_channel();
    std::string text(3 * MSG_CHANNEL_SIZE, 'z');
    ASSERT_TRUE(send_graphics_message(*channel, text.c_str()));
    EXPECT_EQ(std::string(channel->buf + 1), std::string(channel_text_max, 'z'));
}

// Another process fills and empties the channel at the same time as we do;
// every message must arrive whole and in order.
TEST(GraphicsChannel, HandsOverWholeMessagesBetweenThreads) {
    auto channel = empty_channel();
    constexpr int messages = 20000;
    auto text_of = [](int number) {
        return std::to_string(number) + std::string(number % 600, 'a' + number % 26);
    };
    std::thread sender([&] {
        for (int number = 0; number < messages; ++number) {
            std::string text = text_of(number);
            while (!send_graphics_message(*channel, text.c_str())) std::this_thread::yield();
        }
    });
    char out[MSG_CHANNEL_SIZE];
    int wrong = 0;
    for (int number = 0; number < messages; ++number) {
        while (!take_graphics_message(*channel, out, sizeof out)) std::this_thread::yield();
        if (text_of(number) != out) ++wrong;
    }
    sender.join();
    EXPECT_EQ(wrong, 0);
}

}  // namespace
