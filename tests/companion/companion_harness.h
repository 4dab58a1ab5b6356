// What the companion's black-box tests share: the program, slots filled by
// hand, its window found by title and read back pixel by pixel.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "task_state/task_state.h"
#include "tests/support/test_support.h"
#include "tests/support/x_windows.h"

namespace zf_companion_test {

using Display = zf_test::x_display;

// The companion under test: the build's, or the one that ZF_COMPANION names.
std::string companion_path();

// Room for the companion's window beside where the task's own would open.
constexpr const char* screen_size = "1024x768x24";

// A state that a live task would publish; its writer is this test process.
task_state live_task_state(const std::string& app_name, const std::string& user_name);

// A slot directory as the client leaves it for a running task (init_data.xml),
// which the test fills further.
class test_slot {
  public:
    test_slot();
    const std::string& path() const { return dir_.path(); }
    std::string file(const std::string& name) const { return dir_.file(name); }
    // Replaced whole, as the task replaces it.
    void publish(const task_state& state) const;
    // Names in the directory with their sizes and modification times, to show
    // that nothing was written.
    std::string listing() const;

  private:
    zf_test::temp_dir dir_;
};

// The companion run in a slot on a display, with its arguments.
class running_companion {
  public:
    // extra_environment is set over the display's, as the desktop sets it.
    running_companion(const std::string& slot, const std::string& display,
                      const std::vector<std::string>& arguments = {},
                      const zf_test::environment_changes& extra_environment = {});
    zf_test::running_process& process() { return process_; }
    // Waits for it to end; its exit status, or -1 when it did not end in time.
    int status_after(double seconds);
    std::string log() const { return process_.output(); }

  private:
    zf_test::running_process process_;
};

// The one mapped window with this title, once there is exactly one.
std::optional<zf_test::titled_window> wait_for_window(Display* display, const std::string& title,
                                                      double seconds);

// A window's pixels as 0xRRGGBB, rows from the top.
struct picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t at(int x, int y) const { return pixels[y * width + x]; }
};
std::optional<picture> grab(Display* display, const zf_test::titled_window& window);

// The scene's dark blue background; the poster's violet around a poster that
// could not be loaded; the shipped poster's picture.
bool shows_scene(const picture& frame);
bool shows_poster_background(const picture& frame);
bool shows_shipped_poster(const picture& frame);
// The status band's white text pixels, row by row: equal bands show the same text.
std::vector<bool> status_text_pixels(const picture& frame);
bool status_band_has_text(const picture& frame);
// The band's rows hold nothing but the band's black, white and the greys of
// the text's edges: it lies along the bottom and spans the window, with no
// scene showing through.
bool status_band_is_whole(const picture& frame);
// The measures above, for a failure's message.
std::string describe(const std::optional<picture>& frame);

// Waits until a grab satisfies the test; the last grab comes back either way.
template <class Test>
std::optional<picture> wait_for_picture(Display* display, const zf_test::titled_window& window,
                                        Test test, double seconds);

void pause_for(double seconds);

}  // namespace zf_companion_test

// Implementation of the template.
namespace zf_companion_test {
template <class Test>
std::optional<picture> wait_for_picture(Display* display, const zf_test::titled_window& window,
                                        Test test, double seconds) {
    std::optional<picture> last;
    for (double waited = 0; waited <= seconds; waited += 0.1) {
        last = grab(display, window);
        if (last && test(*last)) return last;
        pause_for(0.1);
    }
    return last;
}
}  // namespace zf_companion_test
