// The bottom strip: a child window whose background is the picture, so that
// the X server repaints it on every exposure without a word from the client.
#include <X11/Xutil.h>

#include <cstdlib>
#include <memory>

#include "platform/x11_state.h"

namespace platform {
namespace {

struct image_deleter {
    void operator()(XImage* image) const { XDestroyImage(image); }
};
using image_pointer = std::unique_ptr<XImage, image_deleter>;

int lowest_set_bit(unsigned long mask) {
    int shift = 0;
    while (mask != 0 && (mask & 1) == 0) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

// An 8-bit channel scaled into the bits of the visual's mask.
unsigned long channel_bits(std::uint8_t value, unsigned long mask) {
    const int shift = lowest_set_bit(mask);
    const unsigned long most = mask >> shift;
    return ((value * most + 127) / 255) << shift;
}

// The picture as the window's visual stores it; null for a visual that is
// not true colour, which no GL window here has.
image_pointer image_for(Display* d, const XVisualInfo& visual, const std::uint8_t* rgba, int width,
                        int height) {
    if (visual.c_class != TrueColor) return nullptr;
    image_pointer image(XCreateImage(d, visual.visual, static_cast<unsigned>(visual.depth), ZPixmap,
                                     0, nullptr, static_cast<unsigned>(width),
                                     static_cast<unsigned>(height), 32, 0));
    if (!image) return nullptr;
    // XDestroyImage frees the data with free().
    image->data = static_cast<char*>(std::malloc(static_cast<std::size_t>(image->bytes_per_line) *
                                                 static_cast<std::size_t>(height)));
    if (!image->data) return nullptr;
    for (int row = 0; row < height; ++row) {
        const std::uint8_t* pixel = rgba + static_cast<std::size_t>(row) * width * 4;
        for (int x = 0; x < width; ++x, pixel += 4) {
            XPutPixel(image.get(), x, height - 1 - row,
                      channel_bits(pixel[0], visual.red_mask) |
                          channel_bits(pixel[1], visual.green_mask) |
                          channel_bits(pixel[2], visual.blue_mask));
        }
    }
    return image;
}

::Window make_strip(Display* d, ::Window parent) {
    XSetWindowAttributes attributes{};
    attributes.win_gravity = SouthWestGravity;
    attributes.background_pixmap = None;
    // Depth, visual and colormap the parent's; no events of its own, so that
    // keys, buttons and motion over the strip reach the parent as before.
    const ::Window strip = XCreateWindow(d, parent, 0, 0, 1, 1, 0, CopyFromParent, InputOutput,
                                         CopyFromParent, CWWinGravity | CWBackPixmap, &attributes);
    XMapWindow(d, strip);
    return strip;
}

}  // namespace

bool set_bottom_strip(window_handle handle, const std::uint8_t* rgba_rows_bottom_up, int width,
                      int height) {
    window* w = live_window(handle);
    if (!w || w->connection->lost || width <= 0 || height <= 0) return false;
    Display* d = w->connection->display;
    image_pointer image = image_for(d, w->visual, rgba_rows_bottom_up, width, height);
    if (!image) return false;

    x_error_trap trap(d);
    XWindowAttributes parent{};
    if (!XGetWindowAttributes(d, w->xid, &parent)) return false;
    if (w->bottom_strip == None) w->bottom_strip = make_strip(d, w->xid);
    const Pixmap picture =
        XCreatePixmap(d, w->xid, static_cast<unsigned>(width), static_cast<unsigned>(height),
                      static_cast<unsigned>(w->visual.depth));
    GC gc = XCreateGC(d, picture, 0, nullptr);
    XPutImage(d, picture, gc, image.get(), 0, 0, 0, 0, static_cast<unsigned>(width),
              static_cast<unsigned>(height));
    XFreeGC(d, gc);
    XMoveResizeWindow(d, w->bottom_strip, 0, parent.height - height, static_cast<unsigned>(width),
                      static_cast<unsigned>(height));
    // The server keeps its own reference to a background; ours can go at once.
    XSetWindowBackgroundPixmap(d, w->bottom_strip, picture);
    XFreePixmap(d, picture);
    XClearWindow(d, w->bottom_strip);
    if (trap.finish() == 0) return true;
    x_error_trap cleanup(d);
    XDestroyWindow(d, w->bottom_strip);
    cleanup.finish();
    w->bottom_strip = None;
    return false;
}

}  // namespace platform
