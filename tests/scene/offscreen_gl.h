// A GL context on an off-screen buffer of an X display, set up as the host sets
// up its windows: RGBA, double-buffered, with a depth buffer.
#pragma once

#include <memory>
#include <string>

#include "tests/scene/frame_pixels.h"

class offscreen_gl {
  public:
    offscreen_gl();
    offscreen_gl(const offscreen_gl&) = delete;
    offscreen_gl& operator=(const offscreen_gl&) = delete;
    // Releases the context and the buffer; the display connection lasts until the process ends.
    ~offscreen_gl();

    // Opens the display and makes a width x height context current; on failure
    // returns false and says why in error().
    bool open(const std::string& display_name, int width, int height);
    const std::string& error() const { return error_; }

    // The back buffer, where a frame is drawn before the host would swap it.
    frame_pixels read_frame() const;

    void release_current();
    void make_current();

  private:
    // The X and GLX objects, out of this header: Xlib's macros break GoogleTest's.
    struct glx_objects;
    std::unique_ptr<glx_objects> glx_;
    int width_ = 0;
    int height_ = 0;
    std::string error_;
};
