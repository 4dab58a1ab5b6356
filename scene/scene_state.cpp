#include "scene/scene_state.h"

#include "app_ipc.h"

namespace {

void resolve_by_library(const char* logical_name, char* path, int size) {
    boinc_resolve_filename(logical_name, path, size);
}

FILE* open_for_reading(const char* path) { return fopen(path, "rb"); }

}  // namespace

const poster_source_type library_poster_source{resolve_by_library, open_for_reading};

scene_state_type scene_state;
