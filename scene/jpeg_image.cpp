// libjpeg reports errors by calling an exit routine; ours jumps back to the
// decoder instead, so that a bad file gives a status and never ends the process.
#include "scene/jpeg_image.h"

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <memory>

// WORKAROUND(libjpeg-turbo 2.1.5, Debian 12): jpeglib.h needs FILE and size_t
// declared before it.
#include <jpeglib.h>

namespace {

struct jump_error_manager {
    jpeg_error_mgr base;
    jmp_buf failure;
};

// The decoder's state lives in the caller's frame, so that nothing the jump
// leaves behind is a local of the function that called setjmp.
struct jpeg_reader {
    jpeg_decompress_struct info;
    jump_error_manager errors;
    bool info_created = false;
};

[[noreturn]] void jump_on_error(j_common_ptr info) {
    auto* errors = reinterpret_cast<jump_error_manager*>(info->err);
    longjmp(errors->failure, 1);
}

// Warnings mean damaged or missing data, which libjpeg would otherwise paint grey.
void jump_on_warning(j_common_ptr info, int message_level) {
    if (message_level < 0) jump_on_error(info);
}

// The caller logs its own line; libjpeg's messages would only repeat it.
void stay_silent(j_common_ptr) {}

bool fits_limits(const jpeg_decompress_struct& info, const jpeg_limits& limits) {
    const JDIMENSION width = info.output_width;
    const JDIMENSION height = info.output_height;
    const auto max_dimension = static_cast<JDIMENSION>(limits.max_dimension);
    if (width == 0 || height == 0 || width > max_dimension || height > max_dimension) return false;
    // Both factors are bounded by an int, so the product cannot overflow size_t.
    const size_t row_bytes = static_cast<size_t>(width) * 3;
    return row_bytes <= limits.max_rgb_bytes / height;
}

int decode_with_jump_on_error(jpeg_reader* reader, FILE* file, const jpeg_limits* limits,
                              rgb_image* image) {
    jpeg_decompress_struct* info = &reader->info;
    info->err = jpeg_std_error(&reader->errors.base);
    reader->errors.base.error_exit = jump_on_error;
    reader->errors.base.emit_message = jump_on_warning;
    reader->errors.base.output_message = stay_silent;
    if (setjmp(reader->errors.failure) != 0) return jpeg_bad_data;

    jpeg_create_decompress(info);
    reader->info_created = true;
    // A progressive file keeps all its coefficients, about twice the decoded size.
    const size_t most_bytes = std::min<size_t>(limits->max_rgb_bytes, LONG_MAX / 3);
    info->mem->max_memory_to_use = static_cast<long>(most_bytes * 3);
    jpeg_stdio_src(info, file);
    jpeg_read_header(info, TRUE);
    info->out_color_space = JCS_RGB;
    jpeg_calc_output_dimensions(info);
    if (info->output_components != 3) return jpeg_bad_data;
    if (!fits_limits(*info, *limits)) return jpeg_too_large;

    image->width = static_cast<int>(info->output_width);
    image->height = static_cast<int>(info->output_height);
    const size_t row_bytes = static_cast<size_t>(image->width) * 3;
    image->pixels.resize(row_bytes * static_cast<size_t>(image->height));
    jpeg_start_decompress(info);
    while (info->output_scanline < info->output_height) {
        JSAMPROW row = image->pixels.data() + row_bytes * info->output_scanline;
        jpeg_read_scanlines(info, &row, 1);
    }
    jpeg_finish_decompress(info);
    return jpeg_ok;
}

struct file_closer {
    void operator()(FILE* file) const { fclose(file); }
};

}  // namespace

int decode_jpeg_file(const char* path, const jpeg_limits& limits, rgb_image& image) {
    std::unique_ptr<FILE, file_closer> file(fopen(path, "rb"));
    return decode_jpeg_stream(file.get(), limits, image);
}

int decode_jpeg_stream(FILE* file, const jpeg_limits& limits, rgb_image& image) {
    image = rgb_image{};
    if (!file) return jpeg_cannot_open;
    jpeg_reader reader;
    const int status = decode_with_jump_on_error(&reader, file, &limits, &image);
    if (reader.info_created) jpeg_destroy_decompress(&reader.info);
    if (status != jpeg_ok) image = rgb_image{};
    return status;
}
