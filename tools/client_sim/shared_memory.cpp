#include "tools/client_sim/shared_memory.h"

#include <unistd.h>

#include "shmem.h"

namespace {

// The size a core client gives the file: eight channels.
constexpr std::size_t shared_memory_size = sizeof(SHARED_MEM);
static_assert(shared_memory_size == 8192, "eight 1024-byte channels");

}  // namespace

shared_memory_file::~shared_memory_file() {
    if (memory_) detach_shmem_mmap(memory_, shared_memory_size);
}

int shared_memory_file::create(const std::string& dir) {
    std::string path = dir + "/" + MMAPPED_FILE_NAME;
    // A file left by an earlier run may hold stale messages with their flags set.
    unlink(path.c_str());
    void* memory = nullptr;
    int status = create_shmem_mmap(path.c_str(), shared_memory_size, &memory);
    if (status != 0) return status;
    memory_ = static_cast<SHARED_MEM*>(memory);
    return 0;
}
