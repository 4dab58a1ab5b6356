// The desktop's fonts for one line of text, as fontconfig orders them for a
// family, each character taken from the first font that has it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "companion/harfbuzz_library.h"

typedef struct FT_FaceRec_* FT_Face;

struct line_font {
    std::string file;
    int index = 0;
    FT_Face face = nullptr;       // opened at its first use
    hb_font_t* shaper = nullptr;  // likewise, when HarfBuzz is there
};

class line_fonts {
  public:
    // Outline fonts only: a bitmap-only font (colour emoji, for one) has no
    // size of ours. With hb null the fonts are not prepared for shaping.
    line_fonts(const std::string& family, int pixel_size, const harfbuzz_library* hb);
    ~line_fonts();
    line_fonts(const line_fonts&) = delete;
    line_fonts& operator=(const line_fonts&) = delete;

    // False when fontconfig found no usable font: then nothing can be drawn.
    bool usable() const { return !fonts_.empty(); }
    // The font to draw c with: the first that has it, else the first of all,
    // whose missing-glyph box then shows it.
    std::size_t font_for(char32_t c);
    bool has(std::size_t font, char32_t c) const;
    // The face, opened and sized; null if the font file cannot be read.
    FT_Face face(std::size_t font);
    hb_font_t* shaper(std::size_t font);
    int pixel_size() const { return pixel_size_; }

  private:
    struct internals;
    std::unique_ptr<internals> in_;
    std::vector<line_font> fonts_;
    int pixel_size_;
    const harfbuzz_library* hb_;
};
