// An image held as a GL texture of the current context, drawn fitted into a box.
#pragma once

enum texture_alignment {
    align_low = 0,  // left or bottom of the box
    align_centre = 1,
    align_high = 2,  // right or top of the box
};

// All fields zero means no image; a zero-initialised descriptor is ready to load.
struct texture_descriptor {
    bool present;
    unsigned int texture_name;
    double width;   // image width in pixels
    double height;  // image height in pixels

    // Reads the JPEG file at path into a new texture of the current context.
    // Returns 0 with present set, or non-zero with present cleared.
    int load(const char* path);

    // Draws the image on one quad in the plane z = 0, in the box with lower-left
    // corner pos and extent size shrunk along one axis to the image's aspect
    // ratio and placed by the alignments; the shrunk extent is written back to
    // size. Draws nothing without an image in the current context.
    void draw(float pos[3], float size[3], int x_alignment, int y_alignment);
};
