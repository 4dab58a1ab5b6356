#include "companion/line_fonts.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

namespace {

struct font_set_deleter {
    void operator()(FcFontSet* set) const { FcFontSetDestroy(set); }
};
struct pattern_deleter {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};

}  // namespace

struct line_fonts::internals {
    FT_Library freetype = nullptr;
    // Each font's coverage, kept from the sorted set.
    std::unique_ptr<FcFontSet, font_set_deleter> sorted;
    std::vector<FcCharSet*> coverage;
};

namespace {

std::unique_ptr<FcFontSet, font_set_deleter> sorted_fonts(const std::string& family) {
    std::unique_ptr<FcPattern, pattern_deleter> pattern(
        FcNameParse(reinterpret_cast<const FcChar8*>(family.c_str())));
    if (!pattern) return nullptr;
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultMatch;
    return std::unique_ptr<FcFontSet, font_set_deleter>(
        FcFontSort(nullptr, pattern.get(), FcTrue, nullptr, &result));
}

bool is_outline_font(FcPattern* font) {
    FcBool outline = FcFalse;
    return FcPatternGetBool(font, FC_OUTLINE, 0, &outline) == FcResultMatch && outline;
}

}  // namespace

line_fonts::line_fonts(const std::string& family, int pixel_size, const harfbuzz_library* hb)
    : in_(std::make_unique<internals>()), pixel_size_(pixel_size), hb_(hb) {
    if (FT_Init_FreeType(&in_->freetype) != 0) {
        in_->freetype = nullptr;
        return;
    }
    if (!FcInit()) return;
    in_->sorted = sorted_fonts(family);
    if (!in_->sorted) return;
    for (int i = 0; i < in_->sorted->nfont; ++i) {
        FcPattern* font = in_->sorted->fonts[i];
        FcChar8* file = nullptr;
        FcCharSet* charset = nullptr;
        int index = 0;
        if (!is_outline_font(font) ||
            FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch ||
            FcPatternGetCharSet(font, FC_CHARSET, 0, &charset) != FcResultMatch)
            continue;
        FcPatternGetInteger(font, FC_INDEX, 0, &index);
        line_font entry;
        entry.file = reinterpret_cast<const char*>(file);
        entry.index = index;
        fonts_.push_back(entry);
        in_->coverage.push_back(charset);
    }
}

line_fonts::~line_fonts() {
    for (line_font& font : fonts_) {
        if (font.shaper) hb_->font_destroy(font.shaper);
        if (font.face) FT_Done_Face(font.face);
    }
    if (in_->freetype) FT_Done_FreeType(in_->freetype);
}

bool line_fonts::has(std::size_t font, char32_t c) const {
    return font < fonts_.size() && FcCharSetHasChar(in_->coverage[font], c);
}

std::size_t line_fonts::font_for(char32_t c) {
    for (std::size_t i = 0; i < fonts_.size(); ++i) {
        if (has(i, c) && face(i)) return i;
    }
    return 0;
}

FT_Face line_fonts::face(std::size_t font) {
    if (font >= fonts_.size() || !in_->freetype) return nullptr;
    line_font& f = fonts_[font];
    if (f.face) return f.face;
    FT_Face face = nullptr;
    if (FT_New_Face(in_->freetype, f.file.c_str(), f.index, &face) != 0) return nullptr;
    if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixel_size_)) != 0) {
        FT_Done_Face(face);
        return nullptr;
    }
    f.face = face;
    return face;
}

hb_font_t* line_fonts::shaper(std::size_t font) {
    if (!hb_ || font >= fonts_.size()) return nullptr;
    line_font& f = fonts_[font];
    if (f.shaper) return f.shaper;
    // HarfBuzz reads the font file itself, so that no FreeType object crosses
    // between our FreeType and whichever one the host's HarfBuzz links.
    hb_blob_t* blob = hb_->blob_create_from_file(f.file.c_str());
    hb_face_t* face = hb_->face_create(blob, static_cast<unsigned>(f.index));
    hb_->blob_destroy(blob);
    f.shaper = hb_->font_create(face);
    hb_->face_destroy(face);
    // Positions in 26.6 pixels, as FreeType's.
    hb_->font_set_scale(f.shaper, pixel_size_ * 64, pixel_size_ * 64);
    return f.shaper;
}
