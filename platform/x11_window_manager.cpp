// What the layer asks of a window manager, by the EWMH conventions: whether
// one runs and what it supports, the frame it will put around a window, full
// screen, and the keyboard focus around a full-screen window.
//
// The frame: asked for before mapping where the manager answers that; a
// manager that publishes it only after mapping (FVWM 2.7) has the first
// window's client area refitted once it does, and every later window fitted
// at once to the frame it published last. A manager that never publishes it
// (pekwm 0.1.18, Blackbox 0.70, CTWM 4.0, Matchbox) has it read from what it
// did to the first window: the window tree, from the client area out to the
// root's child that holds it; and where that window's frame went, for a
// manager that puts the client area, not the frame, at the position asked.
#include <X11/Xatom.h>
#include <poll.h>

#include <algorithm>
#include <chrono>

#include "platform/x11_state.h"

namespace platform {
namespace {

// How long window creation waits for the manager's answer about its frame.
// Managers answer within a few milliseconds; a loaded machine may take longer.
constexpr std::chrono::milliseconds frame_answer_wait{500};

// Reads a 32-bit property of any window; false when it has none of that type.
bool read_longs(x_connection& c, ::Window xid, Atom property, Atom type, std::vector<long>& out) {
    if (c.lost) return false;
    Atom actual_type = None;
    int actual_format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    x_error_trap trap(c.display);
    const int rc = XGetWindowProperty(c.display, xid, property, 0, 1024, False, type, &actual_type,
                                      &actual_format, &count, &remaining, &data);
    trap.finish();
    if (rc != Success || !data) return false;
    const bool ok = actual_format == 32;
    if (ok) {
        const long* items = reinterpret_cast<const long*>(data);
        out.assign(items, items + count);
    }
    XFree(data);
    return ok;
}

// The manager's check window, if one runs: a stale property left by a manager
// that has gone names a window that no longer points at itself.
bool window_manager_running(x_connection& c, int screen) {
    std::vector<long> root_check;
    std::vector<long> self_check;
    const ::Window root = RootWindow(c.display, screen);
    return read_longs(c, root, c.net_supporting_wm_check, XA_WINDOW, root_check) &&
           !root_check.empty() &&
           read_longs(c, static_cast<::Window>(root_check[0]), c.net_supporting_wm_check, XA_WINDOW,
                      self_check) &&
           !self_check.empty() && self_check[0] == root_check[0];
}

struct property_match {
    ::Window xid;
    Atom atom;
};

Bool is_property_change(Display*, XEvent* event, XPointer arg) {
    const auto* match = reinterpret_cast<const property_match*>(arg);
    return event->type == PropertyNotify && event->xproperty.window == match->xid &&
           event->xproperty.atom == match->atom;
}

// Waits, within the time, for a change of the window's property; other events stay queued.
bool wait_for_property_change(x_connection& c, ::Window xid, Atom atom,
                              std::chrono::milliseconds within) {
    const auto deadline = std::chrono::steady_clock::now() + within;
    property_match match{xid, atom};
    XEvent event;
    for (;;) {
        if (c.lost) return false;
        if (XCheckIfEvent(c.display, &event, is_property_change,
                          reinterpret_cast<XPointer>(&match)))
            return true;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd readable{ConnectionNumber(c.display), POLLIN, 0};
        poll(&readable, 1, static_cast<int>(left.count()));
    }
}

frame_extents extents_from(const std::vector<long>& values) {
    if (values.size() < 4) return {};
    const auto at_least_zero = [](long v) { return std::max(v, 0L); };
    return frame_extents{at_least_zero(values[0]), at_least_zero(values[1]),
                         at_least_zero(values[2]), at_least_zero(values[3])};
}

// The root's child that holds the window: the manager's frame, or the window itself.
bool top_level_of(x_connection& c, ::Window xid, ::Window& top_level) {
    x_error_trap trap(c.display);
    for (;;) {
        ::Window root = None;
        ::Window parent = None;
        ::Window* children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(c.display, xid, &root, &parent, &children, &count)) break;
        if (children) XFree(children);
        if (parent == root || parent == None) {
            top_level = xid;
            break;
        }
        xid = parent;
    }
    return trap.finish() == 0 && top_level != None;
}

// The frame as the window tree shows it: from the client area to the outer
// edge of the top level's border, and that outer edge's corner on the root.
struct frame_seen {
    frame_extents extents;
    int outer_x = 0;
    int outer_y = 0;
};

// Zero extents for a window that nothing reparented and that has no border;
// false when the window is gone or the tree does not show its frame.
bool frame_in_tree(x_connection& c, ::Window xid, frame_seen& out) {
    if (c.lost) return false;
    ::Window top_level = None;
    if (!top_level_of(c, xid, top_level)) return false;
    XWindowAttributes client{};
    XWindowAttributes outer{};
    int x = 0;
    int y = 0;
    ::Window child = None;
    x_error_trap trap(c.display);
    const bool ok = XGetWindowAttributes(c.display, xid, &client) &&
                    XGetWindowAttributes(c.display, top_level, &outer) &&
                    XTranslateCoordinates(c.display, xid, client.root, 0, 0, &x, &y, &child);
    if (trap.finish() != 0 || !ok) return false;
    // A frame with an alpha channel may be partly transparent, so its edge is
    // not where the frame is seen: Weston 10 draws 32-pixel shadows inside its
    // frames of X windows, and publishes no extents either.
    if (top_level != xid && outer.depth == 32) return false;
    const long outer_right = outer.x + outer.width + 2L * outer.border_width;
    const long outer_bottom = outer.y + outer.height + 2L * outer.border_width;
    out.extents = extents_from({x - outer.x, outer_right - (x + client.width), y - outer.y,
                                outer_bottom - (y + client.height)});
    out.outer_x = outer.x;
    out.outer_y = outer.y;
    return true;
}

// Remembers the frame for the connection's next windows and, if it is not
// the one the window was fitted to, fits the window's client area to it.
void refit_to_frame(window* w, const frame_extents& frame) {
    x_connection& c = *w->connection;
    c.frame_learned = true;
    c.learned_frame = frame;
    w->fits_outer_size = false;
    if (frame == w->assumed_frame) return;
    const int width = std::max(w->outer_width - static_cast<int>(frame.left + frame.right), 1);
    const int height = std::max(w->outer_height - static_cast<int>(frame.top + frame.bottom), 1);
    x_error_trap trap(c.display);
    XResizeWindow(c.display, w->xid, static_cast<unsigned>(width), static_cast<unsigned>(height));
    trap.finish();
}

bool viewable(x_connection& c, ::Window xid) {
    XWindowAttributes attributes{};
    x_error_trap trap(c.display);
    const bool ok = XGetWindowAttributes(c.display, xid, &attributes);
    return trap.finish() == 0 && ok && attributes.map_state == IsViewable;
}

}  // namespace

bool window_manager_supports(x_connection& c, int screen, Atom feature) {
    if (!window_manager_running(c, screen)) return false;
    std::vector<long> supported;
    read_longs(c, RootWindow(c.display, screen), c.net_supported, XA_ATOM, supported);
    return std::find(supported.begin(), supported.end(), static_cast<long>(feature)) !=
           supported.end();
}

frame_extents current_frame_extents(window* w) {
    x_connection& c = *w->connection;
    std::vector<long> published;
    if (read_longs(c, w->xid, c.net_frame_extents, XA_CARDINAL, published) &&
        published.size() >= 4) {
        return extents_from(published);
    }
    frame_seen in_tree;
    return frame_in_tree(c, w->xid, in_tree) ? in_tree.extents : frame_extents{};
}

frame_extents expected_frame_extents(window* w) {
    x_connection& c = *w->connection;
    const frame_extents learned = c.frame_learned ? c.learned_frame : frame_extents{};
    if (!window_manager_supports(c, w->screen, c.net_request_frame_extents)) {
        return window_manager_running(c, w->screen) ? learned : frame_extents{};
    }
    XEvent request{};
    request.xclient.type = ClientMessage;
    request.xclient.window = w->xid;
    request.xclient.message_type = c.net_request_frame_extents;
    request.xclient.format = 32;
    XSendEvent(c.display, RootWindow(c.display, w->screen), False,
               SubstructureNotifyMask | SubstructureRedirectMask, &request);
    XFlush(c.display);
    // The answer is the property itself; a manager that has set it already sends no change.
    wait_for_property_change(c, w->xid, c.net_frame_extents, frame_answer_wait);
    std::vector<long> answer;
    if (!read_longs(c, w->xid, c.net_frame_extents, XA_CARDINAL, answer) || answer.size() < 4)
        return learned;
    return extents_from(answer);
}

void fit_to_published_frame(window* w) {
    x_connection& c = *w->connection;
    std::vector<long> values;
    if (!read_longs(c, w->xid, c.net_frame_extents, XA_CARDINAL, values) || values.size() < 4)
        return;
    if (!w->fits_outer_size || w->fullscreen_by_manager) return;
    refit_to_frame(w, extents_from(values));
}

void fit_to_frame_in_tree(window* w) {
    x_connection& c = *w->connection;
    if (!w->fits_outer_size || w->fullscreen_by_manager) return;
    // A manager that publishes its frame is waited for: its frame is the one it says.
    if (!window_manager_running(c, w->screen) ||
        window_manager_supports(c, w->screen, c.net_frame_extents)) {
        return;
    }
    frame_seen seen;
    if (!frame_in_tree(c, w->xid, seen)) return;
    const frame_extents& frame = seen.extents;
    // Such a manager may also map a window with its client area, not its
    // frame, at the position asked for, whatever the gravity (pekwm 0.1.18
    // does, while it moves the frame where a later request asks): then the
    // frame lies up and left of it by exactly its own extents. The window is
    // moved back where it was asked, and every later one asks for its client
    // area's corner.
    const bool framed = frame.left != 0 || frame.top != 0;
    if (framed && seen.outer_x == w->outer_x - frame.left &&
        seen.outer_y == w->outer_y - frame.top) {
        c.places_client_area = true;
        x_error_trap trap(c.display);
        XMoveWindow(c.display, w->xid, w->outer_x, w->outer_y);
        trap.finish();
    }
    refit_to_frame(w, frame);
}

void request_manager_fullscreen(window* w) {
    x_connection& c = *w->connection;
    // Mapped with the state already set, the manager shows it full screen at once.
    const long states[] = {static_cast<long>(c.net_wm_state_fullscreen),
                           static_cast<long>(c.net_wm_state_above)};
    XChangeProperty(c.display, w->xid, c.net_wm_state, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(states), 2);
    w->fullscreen_by_manager = true;
}

void give_focus_back(window* w) {
    x_connection& c = *w->connection;
    if (w->focus_before == None || c.lost) return;
    ::Window focus = None;
    int revert = 0;
    XGetInputFocus(c.display, &focus, &revert);
    const bool focus_left_behind =
        focus == None || focus == PointerRoot || focus == RootWindow(c.display, w->screen);
    if (!focus_left_behind || !viewable(c, w->focus_before)) return;
    x_error_trap trap(c.display);
    XSetInputFocus(c.display, w->focus_before, RevertToParent, CurrentTime);
    trap.finish();
}

}  // namespace platform
