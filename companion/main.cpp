// zorvath_fold_graphics: the task's graphics for a volunteer's desktop. The
// BOINC Manager and screensaver start it in a task's slot directory, as the
// person at the desk, while the task runs under the client's account; it
// draws the scene from the state that the task publishes there and never
// writes anything.
#include <csignal>
#include <cstdio>

#include "companion/companion_arguments.h"
#include "companion/companion_loop.h"
#include "companion/slot_poster_source.h"
#include "scene/scene_state.h"

int main(int argc, char** argv) {
    const companion_display display = parse_companion_arguments(argc, argv);
    if (display == companion_display::usage_error) {
        std::fputs(companion_usage, stderr);
        return 1;
    }
    // A lost X server or a closed standard error must end it by its own rules
    // (status 0), never by a signal, whatever its starter left SIGPIPE at.
    std::signal(SIGPIPE, SIG_IGN);
    scene_state.poster_source = slot_poster_source;
    return run_companion(display, argc, argv);
}
