#include "companion/harfbuzz_library.h"

#include <dlfcn.h>

#include <cstdio>

#include "companion/companion_log.h"

namespace {

template <typename Function>
bool find(void* library, const char* name, Function& function) {
    // POSIX guarantees that a data pointer from dlsym converts to a function pointer.
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

bool find_all(void* library, harfbuzz_library& hb) {
    return find(library, "hb_blob_create_from_file", hb.blob_create_from_file) &&
           find(library, "hb_blob_destroy", hb.blob_destroy) &&
           find(library, "hb_face_create", hb.face_create) &&
           find(library, "hb_face_destroy", hb.face_destroy) &&
           find(library, "hb_font_create", hb.font_create) &&
           find(library, "hb_font_destroy", hb.font_destroy) &&
           find(library, "hb_font_set_scale", hb.font_set_scale) &&
           find(library, "hb_buffer_create", hb.buffer_create) &&
           find(library, "hb_buffer_destroy", hb.buffer_destroy) &&
           find(library, "hb_buffer_add_utf32", hb.buffer_add_utf32) &&
           find(library, "hb_buffer_set_direction", hb.buffer_set_direction) &&
           find(library, "hb_buffer_guess_segment_properties",
                hb.buffer_guess_segment_properties) &&
           find(library, "hb_shape", hb.shape) &&
           find(library, "hb_buffer_get_glyph_infos", hb.buffer_get_glyph_infos) &&
           find(library, "hb_buffer_get_glyph_positions", hb.buffer_get_glyph_positions);
}

}  // namespace

const harfbuzz_library* load_harfbuzz(const char* soname) {
    void* library = dlopen(soname, RTLD_NOW | RTLD_LOCAL);
    if (!library) return nullptr;
    static harfbuzz_library loaded;
    harfbuzz_library hb{};
    if (!find_all(library, hb)) {
        dlclose(library);
        return nullptr;
    }
    loaded = hb;
    return &loaded;
}

const harfbuzz_library* host_harfbuzz() {
    static const harfbuzz_library* const hb = [] {
        const harfbuzz_library* found = load_harfbuzz("libharfbuzz.so.0");
        if (!found) {
            companion_log("no libharfbuzz.so.0 on this host; text is drawn unshaped");
        }
        return found;
    }();
    return hb;
}
