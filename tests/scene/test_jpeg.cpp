// libjpeg encoding for test pictures.
#include "tests/scene/test_jpeg.h"

#include <jpeglib.h>

#include <cstdio>
#include <fstream>
#include <iterator>

const rgb quarter_colours[4] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 0}};

namespace {

unsigned char to_byte(double value) { return static_cast<unsigned char>(value * 255 + 0.5); }

std::vector<unsigned char> quarter_row(int width, int height, int row) {
    std::vector<unsigned char> bytes;
    for (int x = 0; x < width; x++) {
        const int quarter = (row < height / 2 ? 0 : 2) + (x < width / 2 ? 0 : 1);
        const rgb& colour = quarter_colours[quarter];
        bytes.push_back(to_byte(colour.red));
        bytes.push_back(to_byte(colour.green));
        bytes.push_back(to_byte(colour.blue));
    }
    return bytes;
}

}  // namespace

bool write_quarters_jpeg(const std::string& path, int width, int height, bool progressive) {
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = width;
    info.image_height = height;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    if (progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    for (int y = 0; y < height; y++) {
        std::vector<unsigned char> row = quarter_row(width, height, y);
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return fclose(file) == 0;
}

std::vector<unsigned char> read_file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

void write_file_bytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

bool set_jpeg_header_size(std::vector<unsigned char>& jpeg, int width, int height) {
    // Baseline (C0) and progressive (C2) frame headers: length, precision, height, width.
    for (size_t i = 0; i + 8 < jpeg.size(); i++) {
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
            jpeg[i + 5] = static_cast<unsigned char>(height >> 8);
            jpeg[i + 6] = static_cast<unsigned char>(height & 0xFF);
            jpeg[i + 7] = static_cast<unsigned char>(width >> 8);
            jpeg[i + 8] = static_cast<unsigned char>(width & 0xFF);
            return true;
        }
    }
    return false;
}
