// What the fault tests share: how many rounds to run, the seeds of their
// storms, X servers of their own that they may kill, the program's windows as the X server sees
// them, and readings of a running task. Xlib is not included, so that its
// macros cannot break the headers that a test includes after this one.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "tests/support/private_x_server.h"
#include "tests/support/test_support.h"
#include "tests/support/x_windows.h"

namespace zf_fault {

// Rounds for a storm: the quick count, or the full one when ZF_FAULT_FULL is
// set; ZF_FAULT_<name> overrides both.
int rounds(const char* name, int quick, int full);

// Prints a measured figure where both ctest and the full-count script show it.
void report_figure(const std::string& what, const std::string& value);

// The seed of a random storm: ZF_STORM_SEED when set, to replay a failure,
// or a fresh one. Printed either way.
unsigned storm_seed();

// X servers that a fault test may kill.
using private_x_server = zf_test::private_x_server;
constexpr const char* fault_screen_size = "1024x768x24";

// A client connection to a display, closed at the end.
class x_connection {
  public:
    explicit x_connection(const std::string& display);
    ~x_connection();
    x_connection(const x_connection&) = delete;
    x_connection& operator=(const x_connection&) = delete;
    zf_test::x_display* get() const { return display_; }

  private:
    zf_test::x_display* display_;
};

// Samples of the window's pixels, to tell one frame from another; empty
// when the window cannot be read.
std::vector<unsigned long> window_pixels(zf_test::x_display* d,
                                         const zf_test::titled_window& window);

// Resident memory of a process in kB, or -1 when it is gone.
long resident_kb(pid_t pid);

// Each thread of a process with its state and kernel wait channel, to show
// where a task that does not end is stuck.
std::string thread_states(pid_t pid);

// True while pid names a process that has not ended (zombies have ended).
bool process_running(pid_t pid);

// The slot's checkpoint as client_sim's task leaves it: a number, or -1 when
// the file is absent; malformed is set when it exists but is not " N \n".
struct checkpoint_reading {
    long pass = -1;
    bool malformed = false;
    std::string content;
};
checkpoint_reading read_checkpoint(const std::string& slot);

// The graphics replies that client_sim printed, in order ("<mode_window/>").
std::vector<std::string> graphics_replies(const std::string& client_sim_output);

// Waits until client_sim has printed at least count replies.
bool wait_for_replies(zf_test::running_process& client, std::size_t count, double seconds);

void pause_for(double seconds);

}  // namespace zf_fault
