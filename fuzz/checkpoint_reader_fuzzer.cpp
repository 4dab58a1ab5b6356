// Whatever a checkpoint file holds, the start reads a pass that is sane.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "job/checkpoint.h"

namespace {

// The reader finds the checkpoint in the current directory, as in a slot; the
// fuzzer steps into a scratch directory only around the read, so that its own
// relative corpus paths keep working.
struct scratch_directory {
    char path[32] = "/tmp/zf_checkpoint_fuzz_XXXXXX";
    int scratch_fd = -1;
    int home_fd = -1;

    scratch_directory() {
        if (!mkdtemp(path)) std::abort();
        scratch_fd = open(path, O_RDONLY | O_DIRECTORY);
        home_fd = open(".", O_RDONLY | O_DIRECTORY);
        if (scratch_fd < 0 || home_fd < 0) std::abort();
    }
    ~scratch_directory() {
        if (fchdir(scratch_fd) == 0) std::remove("ckpt_state");
        if (fchdir(home_fd) != 0) return;
        rmdir(path);
    }
    void enter() const {
        if (fchdir(scratch_fd) != 0) std::abort();
    }
    void leave() const {
        if (fchdir(home_fd) != 0) std::abort();
    }
};

void write_checkpoint_file(const std::uint8_t* data, std::size_t size) {
    FILE* file = std::fopen("ckpt_state", "wb");
    if (!file) std::abort();
    if (size && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (parse_checkpoint_text(text.c_str()) < 0) std::abort();

    // The library takes a file holding "<soft_link>" for a link that the core
    // client wrote and opens its target instead; our checkpoints never hold one.
    if (text.find("<soft_link>") != std::string::npos) return 0;
    static const scratch_directory scratch;
    scratch.enter();
    write_checkpoint_file(data, size);
    int pass = -1;
    const bool read = read_checkpoint(pass);
    scratch.leave();
    if (!read || pass < 0) std::abort();
    return 0;
}
