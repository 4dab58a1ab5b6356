// Title text drawn with freeglut's bitmap fonts at the current raster position.
#pragma once

// Sets freeglut up once for the named display, never giving it a window; false
// when that fails, in which case freeglut is not used for the rest of the process.
bool initialize_bitmap_fonts(const char* display_name);

// Draws each byte of text with glutBitmapCharacter; draws nothing when freeglut
// cannot be set up for the display of the current GL context.
void draw_bitmap_text(const char* text, void* font);
