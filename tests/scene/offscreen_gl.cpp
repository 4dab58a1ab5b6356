// GLX pbuffer set-up for drawing the scene without a window manager.
#include "tests/scene/offscreen_gl.h"

#include <GL/gl.h>

offscreen_gl::~offscreen_gl() {
    if (display_ == nullptr) return;
    glXMakeContextCurrent(display_, None, None, nullptr);
    if (context_ != nullptr) glXDestroyContext(display_, context_);
    if (buffer_ != 0) glXDestroyPbuffer(display_, buffer_);
    // The connection stays open: closing the last one unloads Mesa's driver, and
    // LeakSanitizer then cannot name the library its process-long caches came from.
}

bool offscreen_gl::open(const std::string& display_name, int width, int height) {
    display_ = XOpenDisplay(display_name.c_str());
    if (display_ == nullptr) {
        error_ = "cannot open display " + display_name;
        return false;
    }
    const int attributes[] = {GLX_DRAWABLE_TYPE,
                              GLX_PBUFFER_BIT,
                              GLX_RENDER_TYPE,
                              GLX_RGBA_BIT,
                              GLX_DOUBLEBUFFER,
                              True,
                              GLX_RED_SIZE,
                              8,
                              GLX_GREEN_SIZE,
                              8,
                              GLX_BLUE_SIZE,
                              8,
                              GLX_DEPTH_SIZE,
                              16,
                              None};
    int count = 0;
    GLXFBConfig* configs = glXChooseFBConfig(display_, DefaultScreen(display_), attributes, &count);
    if (configs == nullptr || count == 0) {
        error_ = "no double-buffered RGBA pbuffer configuration with depth";
        return false;
    }
    const GLXFBConfig config = configs[0];
    XFree(configs);
    const int buffer_attributes[] = {GLX_PBUFFER_WIDTH, width, GLX_PBUFFER_HEIGHT, height, None};
    buffer_ = glXCreatePbuffer(display_, config, buffer_attributes);
    context_ = glXCreateNewContext(display_, config, GLX_RGBA_TYPE, nullptr, True);
    if (buffer_ == 0 || context_ == nullptr) {
        error_ = "cannot create the pbuffer or its context";
        return false;
    }
    width_ = width;
    height_ = height;
    make_current();
    return true;
}

void offscreen_gl::make_current() { glXMakeContextCurrent(display_, buffer_, buffer_, context_); }

void offscreen_gl::release_current() { glXMakeContextCurrent(display_, None, None, nullptr); }

frame_pixels offscreen_gl::read_frame() const {
    frame_pixels frame;
    frame.width = width_;
    frame.height = height_;
    frame.bytes.assign(static_cast<size_t>(width_) * height_ * 3, 0);
    glFinish();
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGB, GL_UNSIGNED_BYTE, frame.bytes.data());
    return frame;
}
