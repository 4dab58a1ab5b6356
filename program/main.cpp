// Program entry: diagnostics, the start-up line, then the graphics host,
// which runs the job on a worker thread and keeps this thread for graphics.
//
// The wording of every log text of the program (here, "worker: ",
// "do_checkpoint: ", "GFX: " and the host's "Graphics event loop returned") is
// fixed on purpose, misspellings included ("begining", "initialzed"): logs and
// tests compare the texts word for word, so none may be corrected.
#include <cstdio>
#include <cstdlib>

#include "boinc_api.h"
#include "diagnostics.h"
#include "graphics_host/startup.h"
#include "job/worker.h"
#include "util.h"

namespace {
constexpr int boinc_major_version = 4;
constexpr int boinc_minor_version = 66;
constexpr int diagnostics_flags = BOINC_DIAG_DUMPCALLSTACKENABLED |
                                  BOINC_DIAG_MEMORYLEAKCHECKENABLED | BOINC_DIAG_REDIRECTSTDERR |
                                  BOINC_DIAG_TRACETOSTDERR;
static_assert(diagnostics_flags == 0x225);
constexpr int event_loop_returned_status = 47;
}  // namespace

int main(int, char**) {
    job_start_time = dtime();
    const int diagnostics_rc = boinc_init_diagnostics(diagnostics_flags);
    if (diagnostics_rc) std::exit(diagnostics_rc);

    std::fprintf(stderr, "main: compiled with BOINC version %d.%2d.\n", boinc_major_version,
                 boinc_minor_version);
    std::fflush(nullptr);

    const int rc = boinc_init_graphics(do_work);
    if (rc) {
        std::fprintf(stderr, "APP: boinc_init_graphics(do_work) failed.\n");
        boinc_finish(rc);
    }
    std::fprintf(stderr, "APP: ALL DONE (this should never print)\n");
    std::exit(event_loop_returned_status);
}
