// WORKAROUND(Mesa 22.3, libX11 1.8.4, libxcb 1.15, Debian 12):
// Mesa's GLX reads some answers of the X server without checking them, and
// once the server has gone they are garbage or null: the process would die
// with its display, which must never end the job. The executable exports
// these definitions, so the renderer's calls find them before libX11's and
// libxcb's; each passes a good answer through and mends a missing one.
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <xcb/xcb.h>

#include <array>
#include <cstdlib>
#include <memory>
#include <mutex>

namespace {

struct geometry {
    Window root = None;
    int x = 0;
    int y = 0;
    unsigned width = 0;
    unsigned height = 0;
    unsigned border = 0;
    unsigned depth = 0;
};

// The library's own definition of a function that this file replaces; null
// when there is none.
template <typename Function>
Function next_definition(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

using get_geometry_function = Status (*)(Display*, Drawable, Window*, int*, int*, unsigned*,
                                         unsigned*, unsigned*, unsigned*);
using extension_reply_function = xcb_query_extension_reply_t* (*)(xcb_connection_t*,
                                                                  xcb_query_extension_cookie_t,
                                                                  xcb_generic_error_t**);

// The renderer asks only about the few windows it draws to, so a handful of
// recent answers is enough; older ones are overwritten in turn.
class recent_geometries {
  public:
    void remember(const Display* display, Drawable drawable, const geometry& g) {
        std::lock_guard<std::mutex> lock(mutex_);
        entry* slot = find(display, drawable);
        if (!slot) {
            slot = &entries_[next_];
            next_ = (next_ + 1) % entries_.size();
        }
        *slot = entry{display, drawable, g};
    }

    // What the server last said about the drawable; all zero when it never did.
    geometry recall(const Display* display, Drawable drawable) {
        std::lock_guard<std::mutex> lock(mutex_);
        const entry* slot = find(display, drawable);
        return slot ? slot->value : geometry{};
    }

  private:
    struct entry {
        const Display* display = nullptr;
        Drawable drawable = None;
        geometry value;
    };

    entry* find(const Display* display, Drawable drawable) {
        for (entry& e : entries_) {
            if (e.display == display && e.drawable == drawable && drawable != None) return &e;
        }
        return nullptr;
    }

    std::mutex mutex_;
    std::array<entry, 8> entries_{};
    std::size_t next_ = 0;
};

recent_geometries& geometries() {
    // Never destroyed: the renderer may still ask while the process exits.
    static recent_geometries* const known = std::make_unique<recent_geometries>().release();
    return *known;
}

}  // namespace

// WORKAROUND(Mesa 22.3, Debian 12): the renderer asks for a window's size whenever it draws into it
// after a buffer swap, and takes the size without looking at the result: with the server gone it is
// whatever lay on Mesa's stack, and the rasterizer threads write through buffers of that size. A
// failed answer repeats the last one the server gave for that drawable, so the renderer's buffers
// stay as they were.
extern "C" Status XGetGeometry(Display* display, Drawable drawable, Window* root, int* x, int* y,
                               unsigned* width, unsigned* height, unsigned* border,
                               unsigned* depth) {
    static const auto real = next_definition<get_geometry_function>("XGetGeometry");
    geometry g;
    const Status answered = real ? real(display, drawable, &g.root, &g.x, &g.y, &g.width, &g.height,
                                        &g.border, &g.depth)
                                 : 0;
    if (answered) {
        geometries().remember(display, drawable, g);
    } else {
        g = geometries().recall(display, drawable);
    }
    *root = g.root;
    *x = g.x;
    *y = g.y;
    *width = g.width;
    *height = g.height;
    *border = g.border;
    *depth = g.depth;
    return answered;
}

// WORKAROUND(Mesa 22.3, libxcb 1.15, Debian 12): Mesa's GLX set-up for a display asks whether the
// server has MIT-SHM and reads the answer without checking it, which is null once the server is
// gone. A missing answer becomes "not present", as an answer the caller frees.
extern "C" xcb_query_extension_reply_t* xcb_query_extension_reply(
    xcb_connection_t* connection, xcb_query_extension_cookie_t cookie,
    xcb_generic_error_t** error) {
    static const auto libxcb_reply =
        next_definition<extension_reply_function>("xcb_query_extension_reply");
    xcb_query_extension_reply_t* reply =
        libxcb_reply ? libxcb_reply(connection, cookie, error) : nullptr;
    if (reply) return reply;
    return static_cast<xcb_query_extension_reply_t*>(
        std::calloc(1, sizeof(xcb_query_extension_reply_t)));
}
