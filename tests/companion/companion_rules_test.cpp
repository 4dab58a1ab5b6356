// The companion's decisions without a display: when it ends, how fast it
// draws, what its status line says and which command lines it takes.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "companion/companion_arguments.h"
#include "companion/frame_pacer.h"
#include "companion/state_watch.h"
#include "companion/status_line.h"
#include "tests/support/case_names.h"

namespace {

bool writer_alive(long) { return true; }
bool writer_gone(long) { return false; }

task_state running_task(std::uint64_t sequence) {
    task_state state;
    state.sequence = sequence;
    state.writer_pid = 4242;
    state.app_name = "Zorvath";
    return state;
}

slot_look valid_look(const task_state& state) {
    slot_look look;
    look.state_valid = true;
    look.state = state;
    look.state_file_present = true;
    look.init_data_present = true;
    return look;
}

slot_look look_without_state(bool state_file_present, bool init_data_present) {
    slot_look look;
    look.state_file_present = state_file_present;
    look.init_data_present = init_data_present;
    return look;
}

TEST(CompanionEndRules, FinishedEndsAfterShowingItBriefly) {
    state_watch_type watch;
    task_state state = running_task(7);
    state.finished = true;
    note_slot_look(watch, valid_look(state), 10.0);
    EXPECT_EQ(companion_end_reason(watch, 10.5, writer_alive), end_reason::none);
    EXPECT_EQ(companion_end_reason(watch, 10.0 + finished_display_seconds, writer_alive),
              end_reason::finished);
}

// The client clears a finished task's slot within a second; the companion
// that saw the finish ends for it, not for an emptied slot.
TEST(CompanionEndRules, AnEmptiedSlotAfterTheFinishIsTheFinish) {
    state_watch_type watch;
    task_state state = running_task(7);
    state.finished = true;
    note_slot_look(watch, valid_look(state), 10.0);
    note_slot_look(watch, look_without_state(false, false), 10.25);
    note_slot_look(watch, look_without_state(false, false), 10.5);
    EXPECT_EQ(companion_end_reason(watch, 10.5, writer_alive), end_reason::finished);
}

// A task that keeps its sequence for long, as a suspended task's graphics
// thread does not (it keeps publishing), ends the companion only once its
// writer is gone (process_alive, below, tells a gone writer).
TEST(CompanionEndRules, StaleStateEndsOnlyWhenItsWriterIsGone) {
    state_watch_type watch;
    note_slot_look(watch, valid_look(running_task(7)), 0.0);
    note_slot_look(watch, valid_look(running_task(7)), 4.0);
    EXPECT_EQ(companion_end_reason(watch, 4.9, writer_gone), end_reason::none);
    EXPECT_EQ(companion_end_reason(watch, 5.0, writer_alive), end_reason::none);
    EXPECT_EQ(companion_end_reason(watch, 5.0, writer_gone), end_reason::writer_gone);
}

TEST(CompanionEndRules, ANewSequenceOrWriterRenewsTheState) {
    state_watch_type watch;
    note_slot_look(watch, valid_look(running_task(7)), 0.0);
    note_slot_look(watch, valid_look(running_task(8)), 4.0);
    EXPECT_EQ(companion_end_reason(watch, 8.9, writer_gone), end_reason::none);
    task_state restarted = running_task(8);
    restarted.writer_pid = 5151;
    note_slot_look(watch, valid_look(restarted), 8.0);
    EXPECT_EQ(companion_end_reason(watch, 12.9, writer_gone), end_reason::none);
    EXPECT_EQ(companion_end_reason(watch, 13.0, writer_gone), end_reason::writer_gone);
}

// A state file that turns bad keeps the last good one's age: a task that
// died leaving garbage still ends the companion.
TEST(CompanionEndRules, AnInvalidFileDoesNotRenewTheState) {
    state_watch_type watch;
    note_slot_look(watch, valid_look(running_task(7)), 0.0);
    for (double t = 1; t <= 6; ++t) note_slot_look(watch, look_without_state(true, true), t);
    EXPECT_FALSE(watch.latest_is_current);
    EXPECT_EQ(companion_end_reason(watch, 6.0, writer_gone), end_reason::writer_gone);
}

TEST(CompanionEndRules, WithoutAnyValidStateOnlyAnEmptySlotEndsIt) {
    state_watch_type watch;
    for (double t = 0; t < 60; t += slot_look_interval) {
        note_slot_look(watch, look_without_state(true, true), t);
        ASSERT_EQ(companion_end_reason(watch, t, writer_gone), end_reason::none) << t;
    }
}

struct emptied_case {
    std::string name;
    std::vector<slot_look> looks;
    end_reason expected;
};

class CompanionSlotEmptied : public testing::TestWithParam<emptied_case> {};

TEST_P(CompanionSlotEmptied, TakesTwoEmptyLooksInARow) {
    state_watch_type watch;
    double t = 0;
    for (const slot_look& look : GetParam().looks) note_slot_look(watch, look, t += 0.25);
    EXPECT_EQ(companion_end_reason(watch, t, writer_alive), GetParam().expected);
}

const slot_look empty = look_without_state(false, false);
const slot_look only_init_data = look_without_state(false, true);
const slot_look only_state_file = look_without_state(true, false);

INSTANTIATE_TEST_SUITE_P(
    Looks, CompanionSlotEmptied,
    testing::Values(
        emptied_case{"one empty look", {only_init_data, empty}, end_reason::none},
        emptied_case{"two empty looks", {empty, empty}, end_reason::slot_emptied},
        emptied_case{"empty looks not in a row", {empty, only_init_data, empty}, end_reason::none},
        emptied_case{
            "init data alone keeps it", {only_init_data, only_init_data}, end_reason::none},
        emptied_case{
            "a state file alone keeps it", {only_state_file, only_state_file}, end_reason::none}),
    zf_test::by_case_name());

TEST(CompanionProcessCheck, NumbersThatNameNoSingleProcessCountAsGone) {
    EXPECT_TRUE(process_alive(getpid()));
    // 0 and -1 would ask about process groups and every process; a number
    // beyond pid_t would wrap to one of them.
    EXPECT_FALSE(process_alive(0));
    EXPECT_FALSE(process_alive(-1));
    EXPECT_FALSE(process_alive(0x100000000L));
}

TEST(CompanionProcessCheck, AnEndedProcessIsGone) {
    const pid_t child = fork();
    if (child == 0) _exit(0);
    ASSERT_GT(child, 0);
    ASSERT_EQ(waitpid(child, nullptr, 0), child);
    EXPECT_FALSE(process_alive(child));
}

// What process_alive says, in a child of this process that has become the
// unprivileged account, about this process; -1 when the child could not tell.
int parent_alive_as_seen_from_another_account() {
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child == 0) {
        constexpr uid_t nobody = 65534;
        if (setgroups(0, nullptr) != 0 || setgid(nobody) != 0 || setuid(nobody) != 0) _exit(100);
        // The case is only made when the signal is refused for lack of right.
        if (kill(parent, 0) == 0 || errno != EPERM) _exit(101);
        _exit(process_alive(parent) ? 1 : 0);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    const int code = WEXITSTATUS(status);
    return code == 0 || code == 1 ? code : -1;
}

// The companion runs under the desk's account and the task under the
// client's, so kill(pid, 0) on the live task fails with EPERM. As root every
// such kill succeeds, so the question is asked from an unprivileged child.
TEST(CompanionProcessCheck, ALiveProcessOfAnotherAccountIsAlive) {
    if (geteuid() != 0) {
        const int refused = kill(1, 0) == -1 ? errno : 0;
        ASSERT_EQ(refused, EPERM) << "process 1 should belong to another account";
        EXPECT_TRUE(process_alive(1));
        return;
    }
    EXPECT_EQ(parent_alive_as_seen_from_another_account(), 1);
}

// Ticks every 30 to 33 ms for a minute, each frame shown 1 to 10 ms after
// its tick (a frame that redraws the status line is slow): never more than 30
// frames shown in any second, and close to 30 in each.
TEST(CompanionFramePacing, AtMostThirtyFramesShownInAnySecond) {
    frame_pacer pacer;
    std::vector<double> frames;
    unsigned jitter = 1;
    const auto next_jitter = [&jitter](unsigned range) {
        jitter = jitter * 1103515245u + 12345u;
        return (jitter >> 16) % range * 0.001;
    };
    for (double t = 100.0; t < 160.0;) {
        if (frame_due(pacer, t)) {
            const double shown = t + 0.001 + next_jitter(10);
            note_frame_shown(pacer, shown);
            frames.push_back(shown);
        }
        t += 0.030 + next_jitter(4);
    }
    for (std::size_t first = 0, last = 0; first < frames.size(); ++first) {
        while (last < frames.size() && frames[last] < frames[first] + 1.0) ++last;
        ASSERT_LE(last - first, 30u) << "frames in the second from " << frames[first];
    }
    EXPECT_GE(frames.size(), 28u * 60);
}

TEST(CompanionFramePacing, AStallDoesNotMakeUpFrames) {
    frame_pacer pacer;
    ASSERT_TRUE(frame_due(pacer, 10.0));
    note_frame_shown(pacer, 10.0);
    ASSERT_TRUE(frame_due(pacer, 20.0));
    note_frame_shown(pacer, 20.0);
    EXPECT_FALSE(frame_due(pacer, 20.03));
    EXPECT_TRUE(frame_due(pacer, 20.04));
}

struct arguments_case {
    std::string name;
    std::vector<const char*> argv;
    companion_display expected;
};

class CompanionArguments : public testing::TestWithParam<arguments_case> {};

TEST_P(CompanionArguments, GiveAWindowFullScreenOrAUsageError) {
    std::vector<const char*> argv = GetParam().argv;
    argv.insert(argv.begin(), "zorvath_fold_graphics");
    EXPECT_EQ(parse_companion_arguments(static_cast<int>(argv.size()), argv.data()),
              GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, CompanionArguments,
    testing::Values(
        arguments_case{"none", {}, companion_display::window},
        arguments_case{"fullscreen", {"--fullscreen"}, companion_display::fullscreen},
        arguments_case{"unknown", {"--window"}, companion_display::usage_error},
        arguments_case{
            "fullscreen twice", {"--fullscreen", "--fullscreen"}, companion_display::usage_error},
        arguments_case{"a prefix of fullscreen", {"--full"}, companion_display::usage_error}),
    zf_test::by_case_name());

}  // namespace
