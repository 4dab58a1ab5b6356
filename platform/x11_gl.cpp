// Device contexts, painting, pixel formats as GLX visuals, GL contexts and
// buffer swaps.
#include <algorithm>
#include <cstdlib>
#include <tuple>

#include "platform/x11_state.h"

namespace platform {
namespace {

int glx_attribute(Display* d, XVisualInfo& info, int attribute) {
    int value = 0;
    return glXGetConfig(d, &info, attribute, &value) == 0 ? value : 0;
}

// Whether a visual can be given to the descriptor at all.
bool visual_fits(Display* d, XVisualInfo& info, const pixel_format_descriptor& wanted) {
    if (!glx_attribute(d, info, GLX_USE_GL) || glx_attribute(d, info, GLX_LEVEL) != 0) return false;
    const bool rgba = glx_attribute(d, info, GLX_RGBA) != 0;
    if (rgba != (wanted.pixel_type == pfd_type_rgba)) return false;
    const bool double_buffered = glx_attribute(d, info, GLX_DOUBLEBUFFER) != 0;
    if (double_buffered != ((wanted.flags & pfd_doublebuffer) != 0)) return false;
    return glx_attribute(d, info, GLX_DEPTH_SIZE) >= wanted.depth_bits;
}

// Smaller is closer: colour bits first, then depth, then fewest extras, then
// the screen's own depth, which needs no conversion.
auto visual_distance(Display* d, int screen, XVisualInfo& info,
                     const pixel_format_descriptor& wanted) {
    return std::make_tuple(
        std::abs(glx_attribute(d, info, GLX_BUFFER_SIZE) - wanted.color_bits),
        glx_attribute(d, info, GLX_DEPTH_SIZE) - wanted.depth_bits,
        glx_attribute(d, info, GLX_STENCIL_SIZE) + glx_attribute(d, info, GLX_ACCUM_RED_SIZE) +
            glx_attribute(d, info, GLX_AUX_BUFFERS) + glx_attribute(d, info, GLX_STEREO),
        info.depth == DefaultDepth(d, screen) ? 0 : 1);
}

x_connection* usable_connection(dc_handle dc) {
    if (!dc) return nullptr;
    if (dc->owner && !live_window(dc->owner)) return nullptr;
    if (!dc->connection || dc->connection->lost) return nullptr;
    return dc->connection.get();
}

gl_context* known_context(gl_context_handle handle) {
    for (const auto& c : x11().contexts) {
        if (c.get() == handle) return c.get();
    }
    return nullptr;
}

void unbind_current_context() {
    gl_context* current = x11().current_context;
    if (!current) return;
    glXMakeCurrent(current->connection->display, None, nullptr);
    x11().current_context = nullptr;
}

}  // namespace

const pixel_format_descriptor& window_pixel_format() {
    static const pixel_format_descriptor descriptor = [] {
        pixel_format_descriptor d{};
        d.size = 40;
        d.version = 1;
        d.flags = pfd_draw_to_window | pfd_support_opengl | pfd_doublebuffer;
        d.pixel_type = pfd_type_rgba;
        d.color_bits = 32;
        d.depth_bits = 16;
        return d;
    }();
    return descriptor;
}

bool choose_visual(Display* d, int screen, const pixel_format_descriptor& descriptor,
                   XVisualInfo& out, int& index) {
    XVisualInfo templ{};
    templ.screen = screen;
    int count = 0;
    XVisualInfo* visuals = XGetVisualInfo(d, VisualScreenMask, &templ, &count);
    if (!visuals) return false;
    int best = -1;
    decltype(visual_distance(d, screen, visuals[0], descriptor)) best_distance{};
    for (int i = 0; i < count; ++i) {
        if (!visual_fits(d, visuals[i], descriptor)) continue;
        const auto distance = visual_distance(d, screen, visuals[i], descriptor);
        if (best < 0 || distance < best_distance) {
            best = i;
            best_distance = distance;
        }
    }
    if (best >= 0) {
        out = visuals[best];
        index = best + 1;
    }
    XFree(visuals);
    return best >= 0;
}

dc_handle get_dc(window_handle handle) {
    if (handle) {
        window* w = live_window(handle);
        return w ? &w->dc : nullptr;
    }
    desktop* desk = x11().thread_desktop;
    if (!desk->station->connect()) return nullptr;
    device_context& screen = x11().screen_dc;
    screen.connection = desk->station->connection;
    screen.screen = desk->screen_number();
    return &screen;
}

int release_dc(window_handle handle, dc_handle dc) {
    if (!dc) return 0;
    if (!handle && dc == &x11().screen_dc) x11().screen_dc.connection.reset();
    return 1;
}

int get_device_caps(dc_handle dc, device_cap index) {
    x_connection* c = usable_connection(dc);
    if (!c) return 0;
    switch (index) {
        case horzres:
            return DisplayWidth(c->display, dc->screen);
        case vertres:
            return DisplayHeight(c->display, dc->screen);
    }
    return 0;
}

dc_handle begin_paint(window_handle handle) { return get_dc(handle); }

void end_paint(window_handle handle) {
    window* w = live_window(handle);
    if (w && !w->connection->lost) XFlush(w->connection->display);
}

void fill_rect_black(dc_handle dc, const rect& area) {
    if (!usable_connection(dc) || !dc->owner) return;
    window* w = dc->owner;
    Display* d = w->connection->display;
    if (!w->gc) w->gc = XCreateGC(d, w->xid, 0, nullptr);
    XSetForeground(d, w->gc, BlackPixel(d, w->screen));
    XFillRectangle(d, w->xid, w->gc, area.left, area.top,
                   static_cast<unsigned>(std::max(area.right - area.left, 0)),
                   static_cast<unsigned>(std::max(area.bottom - area.top, 0)));
}

int choose_pixel_format(dc_handle dc, const pixel_format_descriptor& descriptor) {
    x_connection* c = usable_connection(dc);
    if (!c) return 0;
    XVisualInfo info{};
    int index = 0;
    return choose_visual(c->display, dc->screen, descriptor, info, index) ? index : 0;
}

bool set_pixel_format(dc_handle dc, int format, const pixel_format_descriptor&) {
    if (!usable_connection(dc) || !dc->owner || dc->format != 0) return false;
    if (format <= 0 || format != dc->owner->visual_format) return false;
    dc->format = format;
    return true;
}

gl_context_handle create_gl_context(dc_handle dc) {
    x_connection* c = usable_connection(dc);
    if (!c || !dc->owner || dc->format == 0) return nullptr;
    x_error_trap trap(c->display);
    GLXContext glx = glXCreateContext(c->display, &dc->owner->visual, nullptr, True);
    if (trap.finish() != 0 || !glx) {
        if (glx) glXDestroyContext(c->display, glx);
        return nullptr;
    }
    auto context = std::make_unique<gl_context>();
    context->connection = dc->connection;
    context->context = glx;
    x11().contexts.push_back(std::move(context));
    return x11().contexts.back().get();
}

bool make_current(dc_handle dc, gl_context_handle handle) {
    if (!dc && !handle) {
        unbind_current_context();
        return true;
    }
    x_connection* c = usable_connection(dc);
    gl_context* context = known_context(handle);
    if (!c || !dc->owner || !context || context->connection.get() != c) return false;
    x_error_trap trap(c->display);
    const Bool ok = glXMakeCurrent(c->display, dc->owner->xid, context->context);
    if (trap.finish() != 0 || !ok) return false;
    x11().current_context = context;
    return true;
}

bool delete_gl_context(gl_context_handle handle) {
    gl_context* context = known_context(handle);
    if (!context) return false;
    if (x11().current_context == context) unbind_current_context();
    glXDestroyContext(context->connection->display, context->context);
    auto& contexts = x11().contexts;
    contexts.erase(std::find_if(contexts.begin(), contexts.end(),
                                [&](const auto& c) { return c.get() == context; }));
    return true;
}

bool swap_buffers(dc_handle dc) {
    x_connection* c = usable_connection(dc);
    if (!c || !dc->owner) return false;
    glXSwapBuffers(c->display, dc->owner->xid);
    return !c->lost;
}

}  // namespace platform
