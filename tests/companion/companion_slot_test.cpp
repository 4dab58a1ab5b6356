// The real companion in slots that the tests fill by hand, each on an X server
// of its own: what it shows, how it treats a hostile slot, and every way it
// ends by itself.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <locale.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>

#include "companion/status_line.h"
#include "tests/companion/companion_harness.h"
#include "tests/support/case_names.h"
#include "tests/support/private_x_server.h"
#include "tests/support/real_part.h"

// Xlib last: its macros (None, Bool, Always) break the headers above, and
// this comment keeps clang-format, which sorts only within a group, from
// moving it up.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace {

using namespace zf_companion_test;

const std::string app_name = "Zorvath Companion Test";
const std::string default_title = "BOINC Application";
const std::string waiting_line = "graphics companion: waiting for the task\n";
const std::string poster_error = "GFX: Error: could not load the background image from ";

// A process id that named a process which has ended and been reaped.
pid_t pid_of_ended_process() {
    const pid_t child = fork();
    if (child == 0) _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

void empty_directory(const std::string& path) {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(path, ignored)) {
        std::filesystem::remove_all(entry.path(), ignored);
    }
}

class CompanionInSlot : public testing::Test {
  protected:
    void SetUp() override {
        server = std::make_unique<zf_test::private_x_server>(screen_size);
        ZF_REQUIRE_REAL_PART(!server->name().empty(), "no private Xvfb: " + server->failure());
        display = XOpenDisplay(server->name().c_str());
        ASSERT_NE(display, nullptr);
    }
    void TearDown() override {
        if (display) XCloseDisplay(display);
    }

    std::unique_ptr<running_companion> start(const test_slot& slot,
                                             const std::vector<std::string>& arguments = {}) {
        return std::make_unique<running_companion>(slot.path(), server->name(), arguments);
    }

    std::unique_ptr<zf_test::private_x_server> server;
    Display* display = nullptr;
};

TEST_F(CompanionInSlot, ShowsTheSceneTitledByTheTaskWithAStatusLineThatFollowsIt) {
    test_slot slot;
    task_state state = live_task_state(app_name, "Ada Lovelace");
    slot.publish(state);
    auto companion = start(slot);
    const auto window = wait_for_window(display, app_name, 10);
    ASSERT_TRUE(window) << companion->log();
    EXPECT_EQ(window->width, 640);
    EXPECT_EQ(window->height, 480);
    const auto first = wait_for_picture(
        display, *window,
        [](const picture& p) { return shows_scene(p) && status_band_has_text(p); }, 10);
    ASSERT_TRUE(first && shows_scene(*first) && status_band_has_text(*first)) << companion->log();

    state.sequence = 2;
    state.fraction_done = 0.75;
    state.suspended = true;
    slot.publish(state);
    const auto later = wait_for_picture(
        display, *window,
        [&](const picture& p) { return status_text_pixels(p) != status_text_pixels(*first); }, 5);
    ASSERT_TRUE(later);
    EXPECT_NE(status_text_pixels(*later), status_text_pixels(*first)) << "the line did not change";
    EXPECT_TRUE(shows_scene(*later));
    EXPECT_NE(companion->log().find("showing the task of process " + std::to_string(getpid())),
              std::string::npos)
        << companion->log();
    EXPECT_EQ(companion->log().find(waiting_line), std::string::npos) << companion->log();
}

// The line is kept by the X server apart from the GL frames: it must follow
// the window's bottom edge and width as the window grows and shrinks.
bool has_locale(const char* name) {
    const locale_t locale = newlocale(LC_ALL_MASK, name, static_cast<locale_t>(nullptr));
    if (locale) freelocale(locale);
    return locale != static_cast<locale_t>(nullptr);
}

// The band's pixels in the window, against the expected line drawn as the
// companion draws it (the drawing itself is checked against the text
// libraries in status_text_test).
long pixels_off_the_line(const picture& frame, const band_picture& expected) {
    long off = 0;
    const int top = frame.height - expected.height;
    for (int y = 0; y < expected.height; ++y) {
        for (int x = 0; x < expected.width && x < frame.width; ++x) {
            const std::uint32_t grey = expected.grey_at(x, y);
            off += frame.at(x, top + y) != (grey << 16 | grey << 8 | grey);
        }
    }
    return off;
}

TEST_F(CompanionInSlot, SpeaksTheDesktopsLanguage) {
    ZF_REQUIRE_REAL_PART(has_locale("de_DE.UTF-8"),
                         "no de_DE.UTF-8 locale (scripts/setup.sh generates it)");
    test_slot slot;
    task_state state = live_task_state(app_name, "Jürgen");
    state.fraction_done = 0.4567;
    state.cpu_time = 3725.4;
    slot.publish(state);
    auto companion = std::make_unique<running_companion>(
        slot.path(), server->name(), std::vector<std::string>{},
        zf_test::environment_changes{{"LANG", "de_DE.UTF-8"},
                                     {"LC_ALL", std::nullopt},
                                     {"LC_MESSAGES", std::nullopt},
                                     {"LC_NUMERIC", std::nullopt},
                                     {"LANGUAGE", std::nullopt}});
    const auto window = wait_for_window(display, app_name, 10);
    ASSERT_TRUE(window) << companion->log();
    const band_picture german = draw_status_band(
        "\u2068Jürgen\u2069  45,7 % erledigt  1 Stunde 2 Minuten 5 Sekunden Rechenzeit  läuft",
        window->width, window->height);
    const auto shown = wait_for_picture(
        display, *window, [&](const picture& p) { return pixels_off_the_line(p, german) == 0; },
        10);
    ASSERT_TRUE(shown) << companion->log();
    EXPECT_EQ(pixels_off_the_line(*shown, german), 0);
}

// How the screensaver's window goes: destroyed with the companion's window
// inside it, or its client gone with the companion's window in its save-set,
// which puts that window back on the root.
enum class embedder_end { destroyed, client_gone_with_save_set };

struct embedder_case {
    std::string name;
    embedder_end end;
};

void PrintTo(const embedder_case& c, std::ostream* out) { *out << c.name; }

class CompanionEmbedded : public testing::WithParamInterface<embedder_case>,
                          public CompanionInSlot {};

// Takes the window in as boincscr does: into a full-screen window of its own,
// then override-redirect.
Window embed_as_screensaver(Display* embedder, Window companion_window) {
    const Window root = DefaultRootWindow(embedder);
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    const Window holder =
        XCreateWindow(embedder, root, 0, 0, 1024, 768, 0, CopyFromParent, InputOutput,
                      CopyFromParent, CWOverrideRedirect, &attributes);
    XMapWindow(embedder, holder);
    XAddToSaveSet(embedder, companion_window);
    XReparentWindow(embedder, companion_window, holder, 0, 0);
    XChangeWindowAttributes(embedder, companion_window, CWOverrideRedirect, &attributes);
    XSync(embedder, False);
    return holder;
}

TEST_P(CompanionEmbedded, EndsWithStatusZeroWhenTheScreensaversWindowGoes) {
    test_slot slot;
    slot.publish(live_task_state(app_name, "Ada"));
    auto companion = start(slot);
    const auto window = wait_for_window(display, app_name, 10);
    ASSERT_TRUE(window) << companion->log();
    Display* embedder = XOpenDisplay(server->name().c_str());
    ASSERT_NE(embedder, nullptr);
    const Window holder = embed_as_screensaver(embedder, window->xid);
    // Embedded, it goes on: a few looks at the slot.
    EXPECT_EQ(companion->status_after(1.0), -1) << companion->log();

    if (GetParam().end == embedder_end::destroyed) {
        XDestroyWindow(embedder, holder);
        XSync(embedder, False);
    }
    XCloseDisplay(embedder);
    EXPECT_EQ(companion->status_after(1.0), 0) << companion->log();
    EXPECT_NE(companion->log().find("the screensaver's window is gone"), std::string::npos)
        << companion->log();
}

INSTANTIATE_TEST_SUITE_P(Ends, CompanionEmbedded,
                         testing::Values(embedder_case{"destroyed", embedder_end::destroyed},
                                         embedder_case{"client gone with save set",
                                                       embedder_end::client_gone_with_save_set}),
                         zf_test::by_case_name());

TEST_F(CompanionInSlot, KeepsTheStatusLineAlongTheBottomAsTheWindowIsResized) {
    test_slot slot;
    slot.publish(live_task_state(app_name, "Ada Lovelace"));
    auto companion = start(slot);
    auto window = wait_for_window(display, app_name, 10);
    ASSERT_TRUE(window) << companion->log();
    const auto whole_band = [](const picture& p) {
        return shows_scene(p) && status_band_has_text(p) && status_band_is_whole(p);
    };
    ASSERT_TRUE(wait_for_picture(display, *window, whole_band, 10)) << companion->log();

    for (const auto& size :
         {std::make_pair(900, 700), std::make_pair(900, 400), std::make_pair(420, 300)}) {
        // At the origin, so that the grown window stays on the screen to be read.
        XMoveResizeWindow(display, window->xid, 0, 0, static_cast<unsigned>(size.first),
                          static_cast<unsigned>(size.second));
        XSync(display, False);
        window->width = size.first;
        window->height = size.second;
        const auto resized = wait_for_picture(display, *window, whole_band, 5);
        EXPECT_TRUE(resized && whole_band(*resized))
            << size.first << "x" << size.second << ": " << describe(resized) << companion->log();
    }
}

TEST_F(CompanionInSlot, WaitsUnderTheDefaultTitleUntilAStateComesThenTakesItsName) {
    test_slot slot;
    auto companion = start(slot);
    const auto window = wait_for_window(display, default_title, 10);
    ASSERT_TRUE(window) << companion->log();
    const auto waiting = wait_for_picture(
        display, *window,
        [](const picture& p) { return shows_scene(p) && status_band_has_text(p); }, 10);
    ASSERT_TRUE(waiting && shows_scene(*waiting)) << companion->log();
    EXPECT_NE(companion->log().find(waiting_line), std::string::npos) << companion->log();

    slot.publish(live_task_state(app_name, ""));
    ASSERT_TRUE(wait_for_window(display, app_name, 5)) << companion->log();
    const auto showing = wait_for_picture(
        display, *window,
        [&](const picture& p) { return status_text_pixels(p) != status_text_pixels(*waiting); }, 5);
    ASSERT_TRUE(showing);
    EXPECT_NE(status_text_pixels(*showing), status_text_pixels(*waiting));
}

TEST_F(CompanionInSlot, ShowsThePosterThatTheSlotLinksTo) {
    test_slot slot;
    mkdir(slot.file("project").c_str(), 0755);
    std::filesystem::copy_file(SHIPPED_POSTER_PATH, slot.file("project/QuenlartPoster3.jpg"));
    zf_test::write_file(slot.file("QuenlartPoster3.jpg"),
                        "<soft_link>project/QuenlartPoster3.jpg</soft_link>\n");
    task_state state = live_task_state(app_name, "Ada");
    slot.publish(state);
    auto companion = start(slot);
    const auto window = wait_for_window(display, app_name, 10);
    ASSERT_TRUE(window) << companion->log();
    ASSERT_TRUE(wait_for_picture(display, *window, shows_scene, 10)) << companion->log();
    state.sequence = 2;
    state.poster_phase = true;
    slot.publish(state);
    const auto poster = wait_for_picture(display, *window, shows_shipped_poster, 5);
    ASSERT_TRUE(poster && shows_shipped_poster(*poster)) << describe(poster) << companion->log();
    EXPECT_TRUE(status_band_has_text(*poster));
    EXPECT_NE(companion->log().find("GFX: loaded poster from project/QuenlartPoster3.jpg \n"),
              std::string::npos)
        << companion->log();
    EXPECT_NE(companion->log().find("GFX: image is indeed present.\n"), std::string::npos);
}

// A slot that the task's account has filled with traps. The companion must
// neither crash nor block: it keeps drawing, says what it can, and still ends
// when the slot is emptied.
struct hostile_case {
    std::string name;
    std::function<void(const test_slot&)> prepare;
    bool poster_phase;  // a valid state in the poster phase, so that the poster is loaded
};

void write_poster_link(const test_slot& slot, const std::string& target) {
    zf_test::write_file(slot.file("QuenlartPoster3.jpg"),
                        "<soft_link>" + target + "</soft_link>\n");
}

// The shipped poster's headers up to the data of its first scan, declaring a
// picture of width x height: whatever follows them is read as the scan's data.
std::string poster_headers_declaring(int width, int height) {
    std::string jpeg = zf_test::read_file(SHIPPED_POSTER_PATH);
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(jpeg[at]); };
    std::size_t at = 2;  // past the start of image
    while (at + 4 <= jpeg.size() && byte(at) == 0xFF) {
        const unsigned char marker = byte(at + 1);
        const std::size_t length = byte(at + 2) << 8 | byte(at + 3);
        if (marker == 0xC0 && at + 9 <= jpeg.size()) {  // baseline frame: height, then width
            jpeg[at + 5] = static_cast<char>(height >> 8);
            jpeg[at + 6] = static_cast<char>(height & 0xFF);
            jpeg[at + 7] = static_cast<char>(width >> 8);
            jpeg[at + 8] = static_cast<char>(width & 0xFF);
        }
        at += 2 + length;
        if (marker == 0xDA) return jpeg.substr(0, at);  // start of scan
    }
    ADD_FAILURE() << "the shipped poster has no baseline frame and scan where expected";
    return jpeg;
}

void publish_poster_phase(const test_slot& slot) {
    task_state state = live_task_state(app_name, "Ada");
    state.poster_phase = true;
    slot.publish(state);
}

const hostile_case hostile_cases[] = {
    {"no state file", [](const test_slot&) {}, false},
    {"state file of garbage",
     [](const test_slot& slot) {
         zf_test::write_file(slot.file(task_state_file_name),
                             "\x7f"
                             "ELF\n\x01\x02 not a state");
     },
     false},
    {"state file too large",
     [](const test_slot& slot) {
         zf_test::write_file(slot.file(task_state_file_name),
                             format_task_state(live_task_state(app_name, "Ada")) +
                                 std::string(task_state_max_bytes, '#'));
     },
     false},
    {"state file a link to dev zero",
     [](const test_slot& slot) { symlink("/dev/zero", slot.file(task_state_file_name).c_str()); },
     false},
    {"state file a link to a valid state elsewhere",
     [](const test_slot& slot) {
         zf_test::write_file(slot.file("elsewhere"),
                             format_task_state(live_task_state(app_name, "Ada")));
         symlink(slot.file("elsewhere").c_str(), slot.file(task_state_file_name).c_str());
     },
     false},
    {"state file a FIFO without a writer",
     [](const test_slot& slot) { mkfifo(slot.file(task_state_file_name).c_str(), 0644); }, false},
    {"state file a directory",
     [](const test_slot& slot) { mkdir(slot.file(task_state_file_name).c_str(), 0755); }, false},
    {"poster link naming a FIFO",
     [](const test_slot& slot) {
         publish_poster_phase(slot);
         mkfifo(slot.file("poster_fifo").c_str(), 0644);
         write_poster_link(slot, "poster_fifo");
     },
     true},
    // Only the decoder's limits stop it: read on, the scan's data would run
    // through 64 GiB into a picture of 10 GB.
    {"poster link naming a huge JPEG of an enormous picture",
     [](const test_slot& slot) {
         publish_poster_phase(slot);
         zf_test::write_file(slot.file("huge.jpg"), poster_headers_declaring(60000, 60000));
         truncate(slot.file("huge.jpg").c_str(), off_t{64} << 30);  // sparse: zeros after them
         write_poster_link(slot, "huge.jpg");
     },
     true},
    // Followed, the link would give the shipped poster.
    {"poster link file itself a symbolic link to a valid poster",
     [](const test_slot& slot) {
         publish_poster_phase(slot);
         std::filesystem::copy_file(SHIPPED_POSTER_PATH, slot.file("elsewhere.jpg"));
         symlink(slot.file("elsewhere.jpg").c_str(), slot.file("QuenlartPoster3.jpg").c_str());
     },
     true},
    {"poster link file a FIFO",
     [](const test_slot& slot) {
         publish_poster_phase(slot);
         mkfifo(slot.file("QuenlartPoster3.jpg").c_str(), 0644);
     },
     true},
};

class CompanionInHostileSlot : public CompanionInSlot,
                               public testing::WithParamInterface<hostile_case> {};

TEST_P(CompanionInHostileSlot, KeepsDrawingSaysWhatItCanAndEndsWhenTheSlotEmpties) {
    test_slot slot;
    GetParam().prepare(slot);
    auto companion = start(slot);
    const std::string title = GetParam().poster_phase ? app_name : default_title;
    const auto window = wait_for_window(display, title, 10);
    ASSERT_TRUE(window) << companion->log();
    const auto expected_picture = GetParam().poster_phase ? shows_poster_background : shows_scene;
    const auto frame = wait_for_picture(
        display, *window,
        [&](const picture& p) { return expected_picture(p) && status_band_has_text(p); }, 10);
    ASSERT_TRUE(frame && expected_picture(*frame) && status_band_has_text(*frame))
        << describe(frame) << companion->log();
    const std::string expected_line = GetParam().poster_phase ? poster_error : waiting_line;
    EXPECT_TRUE(companion->process().wait_for_output(expected_line, 5)) << companion->log();
    // Still at work: a new state, whatever the trap left in its place, changes
    // the status line. A loop that blocked would leave the last frame there.
    std::error_code ignored;
    std::filesystem::remove_all(slot.file(task_state_file_name), ignored);
    task_state state = live_task_state(app_name, "Ada");
    state.sequence = 2;
    state.fraction_done = 0.625;
    state.poster_phase = GetParam().poster_phase;
    slot.publish(state);
    const auto later = wait_for_picture(
        display, *window,
        [&](const picture& p) { return status_text_pixels(p) != status_text_pixels(*frame); }, 10);
    ASSERT_TRUE(later) << companion->log();
    EXPECT_NE(status_text_pixels(*later), status_text_pixels(*frame))
        << "the status line did not follow a new state\n"
        << companion->log();
    EXPECT_TRUE(expected_picture(*later)) << describe(later);

    empty_directory(slot.path());
    EXPECT_EQ(companion->status_after(5), 0) << companion->log();
    EXPECT_NE(companion->log().find("graphics companion: the slot is empty\n"), std::string::npos)
        << companion->log();
}

INSTANTIATE_TEST_SUITE_P(Traps, CompanionInHostileSlot, testing::ValuesIn(hostile_cases),
                         zf_test::by_case_name());

// What a case of ending has at hand once the companion shows the scene.
struct ending_scene {
    const test_slot& slot;
    running_companion& companion;
    Display*& display;
    zf_test::private_x_server& server;
    const zf_test::titled_window& window;
};

// Every way the companion ends by itself: what brings the end about, how
// soon after it the end may come at the earliest and must come at the
// latest, and the reason the companion gives ("" for none).
struct ending_case {
    std::string name;
    void (*cause)(ending_scene&);
    double earliest_seconds;
    double latest_seconds;
    std::string reason;
};

void publish_finished(ending_scene& scene) {
    task_state state = live_task_state(app_name, "Ada");
    state.sequence = 2;
    state.finished = true;
    scene.slot.publish(state);
}

// The writer is gone but the slot stays (a client that died with its task).
void publish_state_of_an_ended_writer(ending_scene& scene) {
    task_state state = live_task_state(app_name, "Ada");
    state.sequence = 2;
    state.writer_pid = pid_of_ended_process();
    scene.slot.publish(state);
}

void empty_the_slot(ending_scene& scene) {
    unlink(scene.slot.file(task_state_file_name).c_str());
    pause_for(1.0);
    EXPECT_FALSE(scene.companion.process().ended()) << "the init data alone keeps it\n"
                                                    << scene.companion.log();
    unlink(scene.slot.file("init_data.xml").c_str());
}

void lose_the_x_server(ending_scene& scene) {
    XCloseDisplay(scene.display);
    scene.display = nullptr;
    scene.server.kill_now();
}

// As a window manager's close button asks.
void close_the_window(ending_scene& scene) {
    Display* d = scene.display;
    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = scene.window.xid;
    close.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    close.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, scene.window.xid, False, NoEventMask, &close);
    XFlush(d);
}

// "finished" stays on the screen for a second; a state whose sequence stands
// still ages out in 5 s. The latest ends leave room for a loaded machine that
// runs two llvmpipe renderers.
const ending_case ending_cases[] = {
    {"the task says it has finished", publish_finished, 1.0, 10, "the task has finished"},
    {"the state is stale and its writer gone", publish_state_of_an_ended_writer, 5.0, 15,
     "the task is gone"},
    {"the slot is emptied", empty_the_slot, 0, 10, "the slot is empty"},
    {"its X server is lost", lose_the_x_server, 0, 10, "the X server has gone away"},
    {"its window is closed", close_the_window, 0, 10, ""},
};

class CompanionEnds : public CompanionInSlot, public testing::WithParamInterface<ending_case> {};

TEST_P(CompanionEnds, WithStatusZeroInTimeAndSaysWhy) {
    test_slot slot;
    slot.publish(live_task_state(app_name, "Ada"));
    auto companion = start(slot);
    const auto window = wait_for_window(display, app_name, 10);
    ASSERT_TRUE(window) << companion->log();
    ASSERT_TRUE(wait_for_picture(display, *window, shows_scene, 10)) << companion->log();

    ending_scene scene{slot, *companion, display, *server, *window};
    GetParam().cause(scene);
    const auto caused = std::chrono::steady_clock::now();
    const auto seconds_left = [&](double bound) {
        const double since =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - caused).count();
        return std::max(0.0, bound - since);
    };
    if (GetParam().earliest_seconds > 0) {
        // Both clocks are monotonic; a hundredth of a second covers their steps.
        EXPECT_EQ(companion->status_after(seconds_left(GetParam().earliest_seconds - 0.01)), -1)
            << "ended too soon\n"
            << companion->log();
    }
    EXPECT_EQ(companion->status_after(seconds_left(GetParam().latest_seconds)), 0)
        << companion->log();

    const std::string log = companion->log();
    for (const ending_case& other : ending_cases) {
        if (other.reason.empty()) continue;
        const bool given =
            log.find("graphics companion: " + other.reason + "\n") != std::string::npos;
        EXPECT_EQ(given, other.reason == GetParam().reason) << other.reason << "\n" << log;
    }
}

INSTANTIATE_TEST_SUITE_P(Causes, CompanionEnds, testing::ValuesIn(ending_cases),
                         zf_test::by_case_name());

struct user_sign {
    std::string name;
    std::function<void(Display*)> give;
};

const user_sign user_signs[] = {
    {"key",
     [](Display* d) {
         const KeyCode a = XKeysymToKeycode(d, XStringToKeysym("a"));
         XTestFakeKeyEvent(d, a, True, CurrentTime);
         XTestFakeKeyEvent(d, a, False, CurrentTime);
     }},
    {"button",
     [](Display* d) {
         XTestFakeButtonEvent(d, 1, True, CurrentTime);
         XTestFakeButtonEvent(d, 1, False, CurrentTime);
     }},
    {"movement", [](Display* d) { XTestFakeRelativeMotionEvent(d, 25, 17, CurrentTime); }},
};

class CompanionFullScreen : public CompanionInSlot,
                            public testing::WithParamInterface<user_sign> {};

TEST_P(CompanionFullScreen, CoversTheScreenAndEndsAtTheFirstSignOfAUser) {
    int event_base = 0, error_base = 0, major = 0, minor = 0;
    ZF_REQUIRE_REAL_PART(XTestQueryExtension(display, &event_base, &error_base, &major, &minor),
                         "the X server has no XTest");
    test_slot slot;
    slot.publish(live_task_state(app_name, "Ada"));
    XWarpPointer(display, None, DefaultRootWindow(display), 0, 0, 0, 0, 300, 200);
    XSync(display, False);
    auto companion = start(slot, {"--fullscreen"});
    const auto window = wait_for_window(display, app_name, 10);
    ASSERT_TRUE(window) << companion->log();
    EXPECT_EQ(window->width, DisplayWidth(display, DefaultScreen(display)));
    EXPECT_EQ(window->height, DisplayHeight(display, DefaultScreen(display)));
    ASSERT_TRUE(wait_for_picture(display, *window, shows_scene, 10)) << companion->log();
    EXPECT_FALSE(companion->process().ended()) << companion->log();
    GetParam().give(display);
    XSync(display, False);
    EXPECT_EQ(companion->status_after(5), 0) << companion->log();
}

INSTANTIATE_TEST_SUITE_P(Signs, CompanionFullScreen, testing::ValuesIn(user_signs),
                         zf_test::by_case_name());

TEST_F(CompanionInSlot, TwoCompanionsForTwoSlotsEachShowTheirOwnTask) {
    test_slot first_slot;
    test_slot second_slot;
    first_slot.publish(live_task_state("First Task", "Ada"));
    second_slot.publish(live_task_state("Second Task", "Grace"));
    auto first = start(first_slot);
    auto second = start(second_slot);
    ASSERT_TRUE(wait_for_window(display, "First Task", 10)) << first->log();
    const auto second_window = wait_for_window(display, "Second Task", 10);
    ASSERT_TRUE(second_window) << second->log();

    task_state finished = live_task_state("First Task", "Ada");
    finished.sequence = 2;
    finished.finished = true;
    first_slot.publish(finished);
    EXPECT_EQ(first->status_after(10), 0) << first->log();
    pause_for(0.5);
    EXPECT_FALSE(second->process().ended()) << second->log();
    EXPECT_TRUE(wait_for_picture(display, *second_window, shows_scene, 5)) << second->log();
}

TEST_F(CompanionInSlot, SigkillLeavesTheSlotAsItWas) {
    test_slot slot;
    mkdir(slot.file("project").c_str(), 0755);
    std::filesystem::copy_file(SHIPPED_POSTER_PATH, slot.file("project/QuenlartPoster3.jpg"));
    write_poster_link(slot, "project/QuenlartPoster3.jpg");
    publish_poster_phase(slot);
    const std::string before = slot.listing();
    auto companion = start(slot);
    const auto window = wait_for_window(display, app_name, 10);
    ASSERT_TRUE(window) << companion->log();
    ASSERT_TRUE(wait_for_picture(display, *window, shows_shipped_poster, 10)) << companion->log();
    kill(companion->process().pid(), SIGKILL);
    ASSERT_TRUE(companion->process().wait(5));
    EXPECT_EQ(slot.listing(), before);
}

TEST(CompanionCommandLine, AnUnknownArgumentGivesTheUsageAndStatusOne) {
    test_slot slot;
    zf_test::running_process companion({companion_path(), "--window"}, slot.path(),
                                       zf_test::without_display());
    ASSERT_TRUE(companion.wait(10));
    EXPECT_EQ(companion.exit_status(), 1);
    EXPECT_EQ(companion.output(), "usage: zorvath_fold_graphics [--fullscreen]\n");
}

}  // namespace
