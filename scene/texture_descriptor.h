// An image held as a GL texture of the current context, drawn fitted into a box.
#pragma once

#include <cstdio>

enum texture_alignment {
    align_low = 0,  // left or bottom of the box
    align_centre = 1,
    align_high = 2,  // right or top of the box
};

// What a load came to; zero is success, as the poster's caller tests it.
enum texture_load_status : int {
    texture_loaded = 0,
    texture_cannot_open,       // the file cannot be opened
    texture_bad_data,          // not a whole, valid JPEG image
    texture_too_large,         // larger than the context's textures or the memory bound
    texture_no_context,        // no GL context is current
    texture_unsupported_size,  // the context takes no texture of the image's own size
    texture_rejected_by_gl,    // the context refused the upload
};

// All fields zero means no image; a zero-initialised descriptor is ready to load.
struct texture_descriptor {
    bool present;
    unsigned int texture_name;
    double width;   // image width in pixels
    double height;  // image height in pixels

    // Reads the JPEG file at path into a new texture of the current context.
    // Returns texture_loaded with present set, or another status with present cleared.
    texture_load_status load(const char* path);
    // The same for a file opened by the caller, who also closes it; a null
    // file cannot be opened.
    texture_load_status load(FILE* file);

    // Draws the image on one quad in the plane z = 0, in the box with lower-left
    // corner pos and extent size shrunk along one axis to the image's aspect
    // ratio and placed by the alignments; the shrunk extent is written back to
    // size. Draws nothing without an image in the current context.
    void draw(float pos[3], float size[3], int x_alignment, int y_alignment);
};
