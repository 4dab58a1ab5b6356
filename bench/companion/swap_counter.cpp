// Preloaded into the companion by its benchmark: counts buffer swaps into a
// shared file that the benchmark reads while the companion runs.
#include <GL/glx.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>

namespace {

std::atomic<long>* shared_count() {
    static std::atomic<long>* const count = []() -> std::atomic<long>* {
        const char* path = std::getenv("ZF_SWAP_COUNT_FILE");
        if (!path) return nullptr;
        const int fd = open(path, O_RDWR | O_CLOEXEC);
        if (fd < 0) return nullptr;
        void* memory = mmap(nullptr, sizeof(long), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        close(fd);
        return memory == MAP_FAILED ? nullptr : static_cast<std::atomic<long>*>(memory);
    }();
    return count;
}

}  // namespace

extern "C" void glXSwapBuffers(Display* display, GLXDrawable drawable) {
    using swap_function = void (*)(Display*, GLXDrawable);
    static const auto next = reinterpret_cast<swap_function>(dlsym(RTLD_NEXT, "glXSwapBuffers"));
    if (std::atomic<long>* count = shared_count()) count->fetch_add(1);
    next(display, drawable);
}
