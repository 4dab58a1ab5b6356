// Title text drawn with freeglut's bitmap fonts at the current raster position.
#pragma once

// Draws each byte of text with glutBitmapCharacter; does nothing when no GL
// context is current, since freeglut could then not be set up.
void draw_bitmap_text(const char* text, void* font);
