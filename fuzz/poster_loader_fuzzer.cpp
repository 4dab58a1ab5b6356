// Whatever the poster file holds, decoding it gives a status, never ends the
// process, and an image only when it is whole and within the limits.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "scene/jpeg_image.h"

namespace {

// Smaller than the program's limits, so that each run stays quick; the limit
// checks are the same code.
constexpr jpeg_limits fuzz_limits{1024, std::size_t{4} << 20};

const char* poster_path() {
    static char path[] = "/tmp/zf_poster_fuzz_XXXXXX";
    static bool made = false;
    if (!made) {
        const int fd = mkstemp(path);
        if (fd < 0) std::abort();
        close(fd);
        std::atexit([] { std::remove(path); });
        made = true;
    }
    return path;
}

void write_file(const char* path, const std::uint8_t* data, std::size_t size) {
    FILE* file = std::fopen(path, "wb");
    if (!file) std::abort();
    if (size && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
}

bool image_is_sound(int status, const rgb_image& image) {
    if (status != jpeg_ok) return image.width == 0 && image.height == 0 && image.pixels.empty();
    if (image.width <= 0 || image.height <= 0) return false;
    if (image.width > fuzz_limits.max_dimension || image.height > fuzz_limits.max_dimension) {
        return false;
    }
    const std::size_t bytes = std::size_t(image.width) * std::size_t(image.height) * 3;
    return bytes <= fuzz_limits.max_rgb_bytes && image.pixels.size() == bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* path = poster_path();
    write_file(path, data, size);
    rgb_image image;
    const int status = decode_jpeg_file(path, fuzz_limits, image);
    if (status != jpeg_ok && status != jpeg_bad_data && status != jpeg_too_large) std::abort();
    if (!image_is_sound(status, image)) std::abort();
    return 0;
}
