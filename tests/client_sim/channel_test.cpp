#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tools/client_sim/message_channel.h"

namespace {

// Two channels in a row, as in the shared memory, so that a read that runs
// past the first one shows up in the text.
struct channel_pair {
    MSG_CHANNEL first{};
    MSG_CHANNEL second{};
};

TEST(ChannelTake, EmptyChannelGivesNothing) {
    channel_pair memory;
    std::string text = "unchanged";
    EXPECT_FALSE(take_channel_message(memory.first, text));
    EXPECT_EQ(text, "unchanged");
}

TEST(ChannelTake, TakesTextUpToItsNulAndFreesTheChannel) {
    channel_pair memory;
    std::strcpy(memory.first.buf + 1, "<mode_window/>");
    memory.first.buf[0] = 1;
    std::string text;
    ASSERT_TRUE(take_channel_message(memory.first, text));
    EXPECT_EQ(text, "<mode_window/>");
    EXPECT_EQ(memory.first.buf[0], 0);
}

TEST(ChannelTake, TextWithoutNulStopsAtTheChannelsEnd) {
    channel_pair memory;
    std::memset(memory.first.buf, 'a', sizeof memory.first.buf);
    std::memset(memory.second.buf, 'b', sizeof memory.second.buf);
    std::string text;
    ASSERT_TRUE(take_channel_message(memory.first, text));
    EXPECT_EQ(text, std::string(channel_text_max, 'a'));
}

TEST(ChannelSend, BusyChannelKeepsTheWaitingMessage) {
    channel_pair memory;
    ASSERT_TRUE(send_channel_message(memory.first, "<suspend/>"));
    EXPECT_FALSE(send_channel_message(memory.first, "<resume/>"));
    EXPECT_FALSE(send_unterminated_channel_message(memory.first, "x"));
    std::string text;
    ASSERT_TRUE(take_channel_message(memory.first, text));
    EXPECT_EQ(text, "<suspend/>");
}

TEST(ChannelSend, LongTextIsCutAndStaysInsideTheChannel) {
    channel_pair memory;
    ASSERT_TRUE(send_channel_message(memory.first, std::string(3000, 'x')));
    EXPECT_EQ(memory.first.buf[MSG_CHANNEL_SIZE - 1], '\0');
    EXPECT_EQ(memory.second.buf[0], 0);
    std::string text;
    ASSERT_TRUE(take_channel_message(memory.first, text));
    EXPECT_EQ(text.size(), static_cast<std::size_t>(channel_text_max));
}

TEST(ChannelSend, UnterminatedFillLeavesNoNulAndStaysInsideTheChannel) {
    channel_pair memory;
    ASSERT_TRUE(send_unterminated_channel_message(memory.first, "<mode_window/>"));
    EXPECT_EQ(memory.first.buf[0], 1);
    EXPECT_EQ(std::memchr(memory.first.buf + 1, '\0', MSG_CHANNEL_SIZE - 1), nullptr);
    EXPECT_EQ(std::string(memory.first.buf + 1, 14), "<mode_window/>");
    EXPECT_EQ(memory.second.buf[0], 0);
}

}  // namespace
