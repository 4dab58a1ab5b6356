// The graphics thread's queue: posted messages before the timer, one tick
// however many fell due, quit after what was queued before it.
#include "platform/message_loop.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <vector>

namespace {

std::vector<unsigned> delivered;

std::intptr_t record_message(platform::window_handle, unsigned id, std::uintptr_t, std::intptr_t) {
    delivered.push_back(id);
    return 0;
}

int ticks = 0;
void count_tick() { ++ticks; }

platform::message window_message(unsigned id) {
    return platform::message{nullptr, id, 0, 0, record_message};
}

// Runs the queue until it delivers quit, dispatching everything else.
void run_until_quit() {
    platform::message msg;
    while (platform::get_message(msg)) platform::dispatch_message(msg);
}

TEST(MessageLoop, DeliversPostedMessagesInOrderBeforeATickThatIsDue) {
    delivered.clear();
    ticks = 0;
    ASSERT_TRUE(platform::set_thread_timer(10, count_tick));
    usleep(50 * 1000);  // several periods fall due while nobody takes them
    platform::post_message(window_message(0x0100));
    platform::post_message(window_message(0x0101));

    platform::message msg;
    ASSERT_TRUE(platform::get_message(msg));
    EXPECT_EQ(msg.id, 0x0100u);
    platform::dispatch_message(msg);
    ASSERT_TRUE(platform::get_message(msg));
    EXPECT_EQ(msg.id, 0x0101u);
    platform::dispatch_message(msg);

    ASSERT_TRUE(platform::get_message(msg));
    EXPECT_EQ(msg.id, platform::wm_timer);
    platform::dispatch_message(msg);
    EXPECT_EQ(ticks, 1) << "ticks that fell due meanwhile are not made up";
    EXPECT_EQ(delivered, (std::vector<unsigned>{0x0100, 0x0101}));
}

TEST(MessageLoop, QuitComesAfterWhatWasQueuedBeforeIt) {
    delivered.clear();
    platform::post_message(window_message(0x0005));
    platform::post_quit_message();
    platform::post_message(window_message(0x000F));
    run_until_quit();
    EXPECT_EQ(delivered, (std::vector<unsigned>{0x0005}));
    platform::message msg;
    ASSERT_TRUE(platform::get_message(msg));
    EXPECT_EQ(msg.id, 0x000Fu) << "messages after the quit stay queued";
}

TEST(MessageLoop, TimerTicksKeepComingWhileTheQueueIsIdle) {
    ticks = 0;
    ASSERT_TRUE(platform::set_thread_timer(5, count_tick));
    platform::message msg;
    for (int n = 0; n < 5; ++n) {
        ASSERT_TRUE(platform::get_message(msg));
        ASSERT_EQ(msg.id, platform::wm_timer);
        platform::dispatch_message(msg);
    }
    EXPECT_EQ(ticks, 5);
}

}  // namespace
