// HarfBuzz taken from the host at run time. It is never a link dependency:
// Debian ships no static archive of it, and a desktop without it must still
// start the companion, which then draws its text unshaped.
#pragma once

#include <cstdint>
#include <memory>

// The few types of HarfBuzz's stable C interface that the shaper uses,
// declared here so that building needs no HarfBuzz headers.
struct hb_blob_t;
struct hb_face_t;
struct hb_font_t;
struct hb_buffer_t;
struct hb_feature_t;
struct shaped_glyph_info {
    std::uint32_t codepoint;  // the glyph's index once shaped
    std::uint32_t mask;
    std::uint32_t cluster;
    std::uint32_t private1;
    std::uint32_t private2;
};
struct shaped_glyph_position {
    std::int32_t x_advance;
    std::int32_t y_advance;
    std::int32_t x_offset;
    std::int32_t y_offset;
    std::uint32_t private1;
};
enum hb_direction_value : int { hb_direction_ltr = 4, hb_direction_rtl = 5 };

struct harfbuzz_library {
    hb_blob_t* (*blob_create_from_file)(const char* file_name);
    void (*blob_destroy)(hb_blob_t*);
    hb_face_t* (*face_create)(hb_blob_t*, unsigned index);
    void (*face_destroy)(hb_face_t*);
    hb_font_t* (*font_create)(hb_face_t*);
    void (*font_destroy)(hb_font_t*);
    void (*font_set_scale)(hb_font_t*, int x_scale, int y_scale);
    hb_buffer_t* (*buffer_create)();
    void (*buffer_destroy)(hb_buffer_t*);
    void (*buffer_add_utf32)(hb_buffer_t*, const std::uint32_t* text, int length,
                             unsigned item_offset, int item_length);
    void (*buffer_set_direction)(hb_buffer_t*, int direction);
    void (*buffer_guess_segment_properties)(hb_buffer_t*);
    void (*shape)(hb_font_t*, hb_buffer_t*, const hb_feature_t*, unsigned num_features);
    shaped_glyph_info* (*buffer_get_glyph_infos)(hb_buffer_t*, unsigned* length);
    shaped_glyph_position* (*buffer_get_glyph_positions)(hb_buffer_t*, unsigned* length);
};

// The library by its soname, or null when it or any of the functions above
// is missing; the library stays loaded for the life of the process.
const harfbuzz_library* load_harfbuzz(const char* soname);

// The host's HarfBuzz, looked for once; its absence is said once on
// standard error.
const harfbuzz_library* host_harfbuzz();
