#include "tests/companion/companion_harness.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "scene/jpeg_image.h"

// Xlib last: its macros (None, Bool, Always) break the headers above, and
// this comment keeps clang-format, which sorts only within a group, from
// moving it up.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace zf_companion_test {
namespace {

// The band that the companion draws along the bottom of its window.
constexpr int band_height = 26;

int channel(std::uint32_t pixel, int shift) { return static_cast<int>((pixel >> shift) & 0xFF); }

bool near(std::uint32_t pixel, int red, int green, int blue, int tolerance = 6) {
    return std::abs(channel(pixel, 16) - red) <= tolerance &&
           std::abs(channel(pixel, 8) - green) <= tolerance &&
           std::abs(channel(pixel, 0) - blue) <= tolerance;
}

// The share of the area above the band that has the colour.
double share_above_band(const picture& frame, int red, int green, int blue) {
    long matching = 0;
    long total = 0;
    for (int y = 0; y < frame.height - band_height; y += 4) {
        for (int x = 0; x < frame.width; x += 4) {
            ++total;
            if (near(frame.at(x, y), red, green, blue)) ++matching;
        }
    }
    return total ? static_cast<double>(matching) / total : 0.0;
}

bool any_pixel(const picture& frame, int red, int green, int blue) {
    for (int y = 0; y < frame.height - band_height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            if (near(frame.at(x, y), red, green, blue, 40)) return true;
        }
    }
    return false;
}

}  // namespace

std::string companion_path() {
    const char* chosen = std::getenv("ZF_COMPANION");
    return chosen && *chosen ? chosen : ZF_COMPANION_PATH;
}

task_state live_task_state(const std::string& app_name, const std::string& user_name) {
    task_state state;
    state.sequence = 1;
    state.written_at = 1.7e9;
    state.writer_pid = getpid();
    state.app_name = app_name;
    state.user_name = user_name;
    state.fraction_done = 0.25;
    state.cpu_time = 12.5;
    return state;
}

test_slot::test_slot() {
    zf_test::write_file(file("init_data.xml"), "<app_init_data>\n</app_init_data>\n");
}

void test_slot::publish(const task_state& state) const {
    const std::string temporary = file("graphics_state.txt.tmp");
    zf_test::write_file(temporary, format_task_state(state));
    std::rename(temporary.c_str(), file(task_state_file_name).c_str());
}

std::string test_slot::listing() const {
    std::vector<std::string> entries;
    DIR* dir = opendir(path().c_str());
    if (!dir) return "";
    while (dirent* entry = readdir(dir)) {
        struct stat info {};
        const std::string name = entry->d_name;
        // The parent changes with whatever else runs beside the test.
        if (name == ".." || lstat(file(name).c_str(), &info) != 0) continue;
        entries.push_back(name + " " + std::to_string(info.st_size) + " " +
                          std::to_string(info.st_mtim.tv_sec) + "." +
                          std::to_string(info.st_mtim.tv_nsec));
    }
    closedir(dir);
    std::sort(entries.begin(), entries.end());
    std::string text;
    for (const std::string& entry : entries) text += entry + "\n";
    return text;
}

running_companion::running_companion(const std::string& slot, const std::string& display,
                                     const std::vector<std::string>& arguments,
                                     const zf_test::environment_changes& extra_environment)
    : process_(
          [&] {
              std::vector<std::string> argv{companion_path()};
              argv.insert(argv.end(), arguments.begin(), arguments.end());
              return argv;
          }(),
          slot,
          [&] {
              zf_test::environment_changes environment = zf_test::with_display(display);
              for (const auto& [name, value] : extra_environment) environment[name] = value;
              return environment;
          }()) {
    process_.close_input();
}

int running_companion::status_after(double seconds) {
    return process_.wait(seconds) ? process_.exit_status() : -1;
}

std::optional<zf_test::titled_window> wait_for_window(Display* display, const std::string& title,
                                                      double seconds) {
    for (double waited = 0; waited <= seconds; waited += 0.1) {
        const auto found = zf_test::windows_titled(display, title);
        if (found.size() == 1) return found.front();
        pause_for(0.1);
    }
    return std::nullopt;
}

std::optional<picture> grab(Display* display, const zf_test::titled_window& window) {
    XImage* image = nullptr;
    const bool read = zf_test::query_foreign_windows(display, [&] {
        image = XGetImage(display, window.xid, 0, 0, static_cast<unsigned>(window.width),
                          static_cast<unsigned>(window.height), AllPlanes, ZPixmap);
        return image != nullptr;
    });
    if (!read) {
        if (image) XDestroyImage(image);
        return std::nullopt;
    }
    picture frame;
    frame.width = window.width;
    frame.height = window.height;
    frame.pixels.reserve(static_cast<std::size_t>(frame.width) * frame.height);
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            frame.pixels.push_back(static_cast<std::uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFF);
        }
    }
    XDestroyImage(image);
    return frame;
}

// Most of the picture dark blue (0, 0, 0.3), and the yellow cube somewhere.
bool shows_scene(const picture& frame) {
    return share_above_band(frame, 0, 0, 77) > 0.5 && any_pixel(frame, 255, 255, 0);
}

bool shows_poster_background(const picture& frame) {
    return share_above_band(frame, 26, 0, 128) > 0.5;
}

// The poster fills the 4:3 window, scaled and a few pixels off; each sampled
// pixel must match the image within that distance.
bool shows_shipped_poster(const picture& frame) {
    static const rgb_image poster = [] {
        rgb_image image;
        decode_jpeg_file(SHIPPED_POSTER_PATH, jpeg_limits{4096, 64u << 20}, image);
        return image;
    }();
    if (poster.width == 0 || frame.width == 0) return false;
    constexpr int reach = 5;
    long sampled = 0;
    long matched = 0;
    for (int y = reach; y < frame.height - band_height; y += 16) {
        for (int x = reach; x < frame.width - reach; x += 16) {
            ++sampled;
            bool found = false;
            for (int dy = -reach; dy <= reach && !found; ++dy) {
                for (int dx = -reach; dx <= reach && !found; ++dx) {
                    const int px = (x + dx) * poster.width / frame.width;
                    const int py = (y + dy) * poster.height / frame.height;
                    const unsigned char* p = &poster.pixels[(py * poster.width + px) * 3];
                    found = near(frame.at(x, y), p[0], p[1], p[2], 40);
                }
            }
            if (found) ++matched;
        }
    }
    return sampled > 0 && matched >= sampled * 9 / 10;
}

std::vector<bool> status_text_pixels(const picture& frame) {
    std::vector<bool> text;
    for (int y = std::max(0, frame.height - band_height); y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x)
            text.push_back(near(frame.at(x, y), 255, 255, 255, 60));
    }
    return text;
}

namespace {

struct band_count {
    long black = 0;
    long white = 0;
    // Any shade between, of the text's smoothed edges.
    long grey = 0;
};

bool is_neutral_grey(std::uint32_t pixel) {
    const int red = (pixel >> 16) & 0xff;
    const int green = (pixel >> 8) & 0xff;
    const int blue = pixel & 0xff;
    return std::abs(red - green) <= 6 && std::abs(green - blue) <= 6 && std::abs(red - blue) <= 6;
}

band_count count_band(const picture& frame) {
    band_count count;
    for (int y = std::max(0, frame.height - band_height); y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            if (near(frame.at(x, y), 0, 0, 0)) {
                ++count.black;
            } else if (near(frame.at(x, y), 255, 255, 255, 60)) {
                ++count.white;
            } else if (is_neutral_grey(frame.at(x, y))) {
                ++count.grey;
            }
        }
    }
    return count;
}

}  // namespace

bool status_band_has_text(const picture& frame) {
    const band_count count = count_band(frame);
    return count.white > 50 && count.black > count.white;
}

bool status_band_is_whole(const picture& frame) {
    const band_count count = count_band(frame);
    const long band_pixels = static_cast<long>(frame.width) * std::min(frame.height, band_height);
    return count.black + count.white + count.grey == band_pixels;
}

std::string describe(const std::optional<picture>& frame) {
    if (!frame) return "no picture of the window\n";
    const band_count count = count_band(*frame);
    char text[200];
    std::snprintf(text, sizeof(text),
                  "%dx%d, dark blue %.2f, violet %.2f, yellow %s, band %ld black %ld white, "
                  "corner #%06x, shipped poster %s\n",
                  frame->width, frame->height, share_above_band(*frame, 0, 0, 77),
                  share_above_band(*frame, 26, 0, 128),
                  any_pixel(*frame, 255, 255, 0) ? "seen" : "absent", count.black, count.white,
                  frame->pixels.empty() ? 0u : frame->at(0, 0),
                  shows_shipped_poster(*frame) ? "seen" : "absent");
    return text;
}

void pause_for(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

}  // namespace zf_companion_test
