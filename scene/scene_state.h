// All state of the scene that outlives a frame, in one record; used by the
// graphics thread alone. The two flags that the scene shares with the worker
// are in app_graphics.h, and freeglut's once-per-process set-up is kept by
// bitmap_text.cpp, since neither can be reset.
#pragma once

#include <cstdio>

#include "scene/texture_descriptor.h"

// Where the poster's file comes from. The task's defaults are the BOINC
// library's rule for logical names and a plain open; a program that reads
// another account's slot gives its own, which refuse links, devices and FIFOs.
struct poster_source_type {
    // Writes the physical path of the logical name into path, at most size bytes.
    void (*resolve)(const char* logical_name, char* path, int size);
    // The opened file, or null when it cannot be opened; the caller closes it.
    FILE* (*open)(const char* path);
};

// The BOINC library's boinc_resolve_filename, and fopen for reading.
extern const poster_source_type library_poster_source;

struct scene_state_type {
    // Time of the process's first frame; negative until that frame is drawn.
    double start_time = -1.0;
    // True once kvx_poster_init has run, whatever the load's outcome.
    bool poster_initialized = false;
    // The poster image as a texture of the context it was loaded in.
    texture_descriptor poster_texture{};
    // How the first poster frame finds and opens the image.
    poster_source_type poster_source = library_poster_source;
};

// Never reset: the poster loads once per process, and the scene's tests draw
// from the process's first frame on, or run a fresh process for each case.
extern scene_state_type scene_state;
