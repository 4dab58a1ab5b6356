// Window stations as X displays and desktops as their screens.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/x11_state.h"

namespace platform {
namespace {

bool known_station(window_station* station) { return station_pointer(station) != nullptr; }

desktop* known_desktop(desktop_handle handle) {
    if (handle == x11().initial_desktop.get()) return handle;
    for (const auto& d : x11().opened_desktops) {
        if (d.get() == handle) return handle;
    }
    return nullptr;
}

// A desktop's name is the screen's number, in decimal and nothing else.
bool parse_screen_number(const char* name, int& out) {
    if (!name || !*name || std::strlen(name) > 4) return false;
    for (const char* p = name; *p; ++p) {
        if (*p < '0' || *p > '9') return false;
    }
    out = std::atoi(name);
    return true;
}

}  // namespace

std::shared_ptr<window_station> station_pointer(window_station* station) {
    if (!station) return nullptr;
    if (station == x11().initial_station.get()) return x11().initial_station;
    for (const auto& s : x11().opened_stations) {
        if (s.get() == station) return s;
    }
    return nullptr;
}

window_station_handle get_process_window_station() { return x11().process_station; }

window_station_handle open_window_station(const char* name) {
    if (!name || !*name) return nullptr;
    auto connection = open_connection(name);
    if (!connection) return nullptr;
    auto station = std::make_shared<window_station>();
    station->name = name;
    station->connection = std::move(connection);
    x11().opened_stations.push_back(station);
    return station.get();
}

bool set_process_window_station(window_station_handle station) {
    if (!known_station(station)) return false;
    x11().process_station = station;
    return true;
}

bool close_window_station(window_station_handle station) {
    if (!known_station(station) || station == x11().initial_station.get() ||
        station == x11().process_station) {
        return false;
    }
    auto& stations = x11().opened_stations;
    stations.erase(std::find_if(stations.begin(), stations.end(),
                                [&](const auto& s) { return s.get() == station; }));
    return true;
}

desktop_handle get_thread_desktop() { return x11().thread_desktop; }

desktop_handle open_desktop(const char* name) {
    auto station = station_pointer(x11().process_station);
    int screen = 0;
    if (!station || !parse_screen_number(name, screen)) return nullptr;
    x_connection* c = station->connect();
    if (!c || screen >= ScreenCount(c->display)) return nullptr;
    auto desk = std::make_unique<desktop>();
    desk->station = std::move(station);
    desk->screen = screen;
    x11().opened_desktops.push_back(std::move(desk));
    return x11().opened_desktops.back().get();
}

bool set_thread_desktop(desktop_handle desk) {
    if (!known_desktop(desk)) return false;
    x11().thread_desktop = desk;
    return true;
}

bool close_desktop(desktop_handle desk) {
    if (!known_desktop(desk) || desk == x11().initial_desktop.get() ||
        desk == x11().thread_desktop) {
        return false;
    }
    auto& desktops = x11().opened_desktops;
    desktops.erase(std::find_if(desktops.begin(), desktops.end(),
                                [&](const auto& d) { return d.get() == desk; }));
    return true;
}

}  // namespace platform
