// Draws scene frames at given times into an off-screen GL context, as the host
// would in a fresh process, and writes the last frame as a PPM picture.
// Usage: scene_snapshot --display :N --size WxH --times t1,t2,... [--poster] [--out file.ppm]
// The scene's log lines go to standard error; the poster is read from the working directory.
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "scene/app_graphics.h"
#include "tests/scene/frame_pixels.h"
#include "tests/scene/offscreen_gl.h"

namespace {

struct snapshot_options {
    std::string display;
    int width = 640;
    int height = 480;
    std::vector<double> times;
    bool poster = false;
    std::string out;
};

std::vector<double> parse_times(const std::string& list) {
    std::vector<double> times;
    std::stringstream stream(list);
    std::string item;
    while (std::getline(stream, item, ',')) times.push_back(strtod(item.c_str(), nullptr));
    return times;
}

bool parse_options(int argc, char** argv, snapshot_options& options) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const std::string value = argv[i + 1];
        if (name == "--display") {
            options.display = value;
        } else if (name == "--size") {
            if (sscanf(value.c_str(), "%dx%d", &options.width, &options.height) != 2) return false;
        } else if (name == "--times") {
            options.times = parse_times(value);
        } else if (name == "--poster") {
            options.poster = value == "1";
        } else if (name == "--out") {
            options.out = value;
        } else {
            return false;
        }
    }
    return argc % 2 == 1 && !options.display.empty() && options.width > 0 && options.height > 0;
}

}  // namespace

int main(int argc, char** argv) {
    snapshot_options options;
    if (!parse_options(argc, argv, options)) {
        fprintf(stderr,
                "usage: scene_snapshot --display :N --size WxH --times t1,t2,... "
                "[--poster 1] [--out file.ppm]\n");
        return 2;
    }
    offscreen_gl gl;
    if (!gl.open(options.display, options.width, options.height)) {
        fprintf(stderr, "scene_snapshot: %s\n", gl.error().c_str());
        return 3;
    }
    app_graphics_init();
    app_graphics_resize(options.width, options.height);
    if (options.poster) show_poster.store(true);
    for (const double time : options.times) {
        app_graphics_draw_frame(options.width, options.height, time);
    }
    if (!options.out.empty() && !write_ppm(options.out, gl.read_frame())) {
        fprintf(stderr, "scene_snapshot: cannot write %s\n", options.out.c_str());
        return 4;
    }
    return 0;
}
