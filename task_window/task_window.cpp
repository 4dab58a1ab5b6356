// The window's making and unmaking, step by step as both programs need it.
#include "task_window/task_window.h"

const char task_window_class_name[] = "BOINC_app";
const char default_task_window_title[] = "BOINC Application";

namespace {

constexpr unsigned long fullscreen_ex_style = platform::ws_ex_topmost;
constexpr unsigned long fullscreen_style = platform::ws_popup;
constexpr unsigned long ordinary_ex_style = platform::ws_ex_appwindow | platform::ws_ex_windowedge;
constexpr unsigned long ordinary_style = platform::ws_overlappedwindow;
constexpr unsigned long clip_styles = platform::ws_clipsiblings | platform::ws_clipchildren;

void hide_cursor() {
    while (platform::show_cursor(false) >= 0) {
    }
}

void reveal_cursor() {
    while (platform::show_cursor(true) < 0) {
    }
}

bool set_window_pixel_format(platform::dc_handle dc) {
    const platform::pixel_format_descriptor& wanted = platform::window_pixel_format();
    const int format = platform::choose_pixel_format(dc, wanted);
    return format != 0 && platform::set_pixel_format(dc, format, wanted);
}

task_window_failure attach_gl(const task_window_handles& handles) {
    handles.dc = platform::get_dc(handles.window);
    if (!set_window_pixel_format(handles.dc)) return task_window_failure::no_pixel_format;
    handles.gl_context = platform::create_gl_context(handles.dc);
    if (!handles.gl_context) return task_window_failure::no_gl_context;
    if (!platform::make_current(handles.dc, handles.gl_context)) {
        return task_window_failure::not_current;
    }
    return task_window_failure::none;
}

// The window stays up without a GL context.
void give_up_on_gl(const task_window_handles& handles) {
    if (handles.gl_context) platform::delete_gl_context(handles.gl_context);
    handles.gl_context = nullptr;
    platform::release_dc(handles.window, handles.dc);
    handles.dc = nullptr;
}

}  // namespace

platform::rect screen_rect() {
    platform::dc_handle screen = platform::get_dc(nullptr);
    const platform::rect area{0, 0, platform::get_device_caps(screen, platform::horzres),
                              platform::get_device_caps(screen, platform::vertres)};
    platform::release_dc(nullptr, screen);
    return area;
}

bool register_task_window_class(platform::window_procedure procedure,
                                platform::instance_handle instance) {
    const platform::window_class_record record{
        platform::cs_vredraw | platform::cs_hredraw | platform::cs_owndc, procedure, instance,
        task_window_class_name};
    return platform::register_class(record);
}

task_window_failure open_task_window(bool fullscreen, const platform::rect& area, const char* title,
                                     const task_window_handles& handles) {
    const platform::rect place = fullscreen ? screen_rect() : area;
    if (fullscreen) {
        hide_cursor();
    } else {
        reveal_cursor();
    }
    handles.window = platform::create_window(
        fullscreen ? fullscreen_ex_style : ordinary_ex_style, task_window_class_name, title,
        (fullscreen ? fullscreen_style : ordinary_style) | clip_styles, place.left, place.top,
        place.right - place.left, place.bottom - place.top);
    if (!handles.window) return task_window_failure::no_window;

    platform::set_foreground_window(handles.window);
    platform::get_cursor_pos(handles.creation_cursor_pos);
    const task_window_failure failure = attach_gl(handles);
    if (failure != task_window_failure::none) {
        give_up_on_gl(handles);
        return failure;
    }
    platform::show_window(handles.window);
    platform::set_focus(handles.window);
    return task_window_failure::none;
}

void close_task_window(const task_window_handles& handles) {
    platform::make_current(nullptr, nullptr);
    if (handles.gl_context) {
        platform::delete_gl_context(handles.gl_context);
        handles.gl_context = nullptr;
    }
    if (handles.window && handles.dc) platform::release_dc(handles.window, handles.dc);
    handles.dc = nullptr;
    if (handles.window) {
        platform::destroy_window(handles.window);
        handles.window = nullptr;
    }
}
