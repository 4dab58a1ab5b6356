// What BOINC's screensaver needs to take the companion's window into its own.
// boincscr (7.20.5) looks among the window manager's clients
// (_NET_CLIENT_LIST) for the window whose WM_COMMAND is the command it
// started, reparents it into its own window and makes it override-redirect.
// The window manager, losing its client, then unmaps it (Openbox 3.6 does),
// and neither boincscr nor the manager maps it again.
#pragma once

#include "platform/window.h"

// Names the command the companion was started with on its window, so that a
// launcher can find the window it started.
void advertise_launch_command(platform::window_handle window, int argc, char** argv);

// The window that took the companion's in, once one did (0 before).
struct embedding_watch {
    unsigned long embedder = 0;
};

// True once the window that embedded the companion's is gone: destroyed,
// which takes the companion's window with it, or left so that the
// companion's window went back to the root (a save-set does that). The
// screensaver has then ended, and so must the companion. An embedder is a
// parent that is not the root while the window is override-redirect, which
// no window manager's frame makes it.
bool embedder_gone(platform::window_handle window, embedding_watch& watch);

// Maps the window again when an embedder has made it override-redirect (no
// window manager does that to its clients) and it was left unmapped.
void keep_embedded_window_mapped(platform::window_handle window);
