// Preloaded into the companion by its benchmark: counts buffer swaps, and
// keeps the monotonic time of each, in a shared file that the benchmark reads
// while the companion runs.
#include <GL/glx.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <ctime>

#include "bench/companion/swap_record.h"

namespace {

swap_record* shared_record() {
    static swap_record* const record = []() -> swap_record* {
        const char* path = std::getenv("ZF_SWAP_COUNT_FILE");
        if (!path) return nullptr;
        const int fd = open(path, O_RDWR | O_CLOEXEC);
        if (fd < 0) return nullptr;
        void* memory =
            mmap(nullptr, sizeof(swap_record), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        close(fd);
        return memory == MAP_FAILED ? nullptr : static_cast<swap_record*>(memory);
    }();
    return record;
}

}  // namespace

extern "C" void glXSwapBuffers(Display* display, GLXDrawable drawable) {
    using swap_function = void (*)(Display*, GLXDrawable);
    static const auto next = reinterpret_cast<swap_function>(dlsym(RTLD_NEXT, "glXSwapBuffers"));
    if (swap_record* record = shared_record()) {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const long index = record->swaps.fetch_add(1);
        if (index < swap_record_capacity) record->times[index] = now.tv_sec + now.tv_nsec * 1e-9;
    }
    next(display, drawable);
}
