// GLX pbuffer set-up for drawing the scene without a window manager.
#include "tests/scene/offscreen_gl.h"

#include <GL/gl.h>
// Xlib last: its macros break the headers above.
#include <GL/glx.h>
#include <X11/Xlib.h>

struct offscreen_gl::glx_objects {
    Display* display = nullptr;
    GLXPbuffer buffer = 0;
    GLXContext context = nullptr;
};

offscreen_gl::offscreen_gl() : glx_(std::make_unique<glx_objects>()) {}

offscreen_gl::~offscreen_gl() {
    Display* const display = glx_->display;
    GLXContext const context = glx_->context;
    const GLXPbuffer buffer = glx_->buffer;
    if (display == nullptr) return;
    glXMakeContextCurrent(display, None, None, nullptr);
    if (context != nullptr) glXDestroyContext(display, context);
    if (buffer != 0) glXDestroyPbuffer(display, buffer);
    // The connection stays open: closing the last one unloads Mesa's driver, and
    // LeakSanitizer then cannot name the library its process-long caches came from.
}

bool offscreen_gl::open(const std::string& display_name, int width, int height) {
    Display*& display = glx_->display;
    GLXPbuffer& buffer = glx_->buffer;
    GLXContext& context = glx_->context;
    display = XOpenDisplay(display_name.c_str());
    if (display == nullptr) {
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
    GLXFBConfig* configs = glXChooseFBConfig(display, DefaultScreen(display), attributes, &count);
    if (configs == nullptr || count == 0) {
        error_ = "no double-buffered RGBA pbuffer configuration with depth";
        return false;
    }
    const GLXFBConfig config = configs[0];
    XFree(configs);
    const int buffer_attributes[] = {GLX_PBUFFER_WIDTH, width, GLX_PBUFFER_HEIGHT, height, None};
    buffer = glXCreatePbuffer(display, config, buffer_attributes);
    context = glXCreateNewContext(display, config, GLX_RGBA_TYPE, nullptr, True);
    if (buffer == 0 || context == nullptr) {
        error_ = "cannot create the pbuffer or its context";
        return false;
    }
    width_ = width;
    height_ = height;
    make_current();
    return true;
}

void offscreen_gl::make_current() {
    glXMakeContextCurrent(glx_->display, glx_->buffer, glx_->buffer, glx_->context);
}

void offscreen_gl::release_current() { glXMakeContextCurrent(glx_->display, None, None, nullptr); }

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
