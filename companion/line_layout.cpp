#include "companion/line_layout.h"

#include <fribidi.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H

#include <algorithm>

namespace {

// Characters of one bidi level drawn with one font, in logical order.
struct text_run {
    std::u32string text;
    FriBidiLevel level;
    std::size_t font;
};

struct bidi_analysis {
    std::vector<FriBidiCharType> types;
    std::vector<FriBidiLevel> levels;
};

bidi_analysis analyse_bidi(const std::u32string& text) {
    const auto length = static_cast<FriBidiStrIndex>(text.size());
    const auto* chars = reinterpret_cast<const FriBidiChar*>(text.data());
    bidi_analysis bidi;
    bidi.types.resize(text.size());
    bidi.levels.assign(text.size(), 0);
    std::vector<FriBidiBracketType> brackets(text.size());
    fribidi_get_bidi_types(chars, length, bidi.types.data());
    fribidi_get_bracket_types(chars, length, bidi.types.data(), brackets.data());
    FriBidiParType direction = FRIBIDI_PAR_ON;
    if (fribidi_get_par_embedding_levels_ex(bidi.types.data(), brackets.data(), length, &direction,
                                            bidi.levels.data()) == 0) {
        std::fill(bidi.levels.begin(), bidi.levels.end(), 0);
        return bidi;
    }
    // Rule L1: white space and isolate controls at the end of the line go
    // back to the paragraph's level.
    const FriBidiLevel paragraph = FRIBIDI_DIR_TO_LEVEL(direction);
    for (std::size_t i = text.size(); i-- > 0;) {
        const FriBidiCharType t = bidi.types[i];
        if (!(FRIBIDI_IS_EXPLICIT_OR_BN_OR_WS(t) || FRIBIDI_IS_ISOLATE(t))) break;
        bidi.levels[i] = paragraph;
    }
    return bidi;
}

bool takes_no_room(FriBidiCharType type) {
    return FRIBIDI_IS_EXPLICIT(type) || FRIBIDI_IS_ISOLATE(type);
}

// A combining mark or a joiner stays in its base's font where that font has
// it, so that the shaper sees them together; so does a space between words of
// one level, as the desktop's own layout keeps it.
std::size_t font_for(line_fonts& fonts, const std::vector<text_run>& runs, char32_t c,
                     FriBidiCharType type, FriBidiLevel level) {
    const bool joins_its_base = FRIBIDI_IS_EXPLICIT_OR_BN_OR_NSM(type);
    const bool inside_a_run = !runs.empty() && runs.back().level == level && FRIBIDI_IS_SPACE(type);
    if ((joins_its_base || inside_a_run) && !runs.empty() && fonts.has(runs.back().font, c))
        return runs.back().font;
    return fonts.font_for(c);
}

std::vector<text_run> split_into_runs(const std::u32string& text, const bidi_analysis& bidi,
                                      line_fonts& fonts) {
    std::vector<text_run> runs;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (takes_no_room(bidi.types[i])) continue;
        const std::size_t font = font_for(fonts, runs, text[i], bidi.types[i], bidi.levels[i]);
        if (runs.empty() || runs.back().level != bidi.levels[i] || runs.back().font != font)
            runs.push_back(text_run{{}, bidi.levels[i], font});
        runs.back().text += text[i];
    }
    return runs;
}

// Rule L2: from the highest level down to the lowest odd one, each stretch
// of runs at that level or above turns round.
void order_runs_visually(std::vector<text_run>& runs) {
    // FriBidiLevel is a signed char: the bounds are kept as int.
    int highest = 0;
    int lowest_odd = 1000;
    for (const text_run& run : runs) {
        highest = std::max(highest, static_cast<int>(run.level));
        if (run.level % 2 == 1) lowest_odd = std::min(lowest_odd, static_cast<int>(run.level));
    }
    for (int level = highest; level >= lowest_odd; --level) {
        for (auto start = runs.begin(); start != runs.end();) {
            if (start->level < level) {
                ++start;
                continue;
            }
            auto end = start;
            while (end != runs.end() && end->level >= level) ++end;
            std::reverse(start, end);
            start = end;
        }
    }
}

struct pen {
    long x = 0;
};

void shape_with_harfbuzz(const text_run& run, hb_font_t* font, const harfbuzz_library& hb, pen& at,
                         std::vector<placed_glyph>& out) {
    hb_buffer_t* buffer = hb.buffer_create();
    hb.buffer_add_utf32(buffer, reinterpret_cast<const std::uint32_t*>(run.text.data()),
                        static_cast<int>(run.text.size()), 0, static_cast<int>(run.text.size()));
    hb.buffer_set_direction(buffer, run.level % 2 ? hb_direction_rtl : hb_direction_ltr);
    hb.buffer_guess_segment_properties(buffer);
    hb.shape(font, buffer, nullptr, 0);
    unsigned count = 0;
    const shaped_glyph_info* infos = hb.buffer_get_glyph_infos(buffer, &count);
    const shaped_glyph_position* positions = hb.buffer_get_glyph_positions(buffer, &count);
    for (unsigned i = 0; i < count; ++i) {
        out.push_back(placed_glyph{run.font, infos[i].codepoint, at.x + positions[i].x_offset,
                                   positions[i].y_offset});
        at.x += positions[i].x_advance;
    }
    hb.buffer_destroy(buffer);
}

// Without shaping: a glyph for each character, its own advance, mirrored
// brackets in right-to-left runs, and nothing for format characters.
void place_unshaped(const text_run& run, FT_Face face, pen& at, std::vector<placed_glyph>& out) {
    std::u32string shown = run.text;
    const bool right_to_left = run.level % 2 == 1;
    if (right_to_left) std::reverse(shown.begin(), shown.end());
    for (char32_t c : shown) {
        FriBidiChar mirrored = c;
        if (right_to_left && fribidi_get_mirror_char(c, &mirrored)) c = mirrored;
        if (FRIBIDI_IS_EXPLICIT_OR_BN(fribidi_get_bidi_type(c))) continue;
        const FT_UInt glyph = FT_Get_Char_Index(face, c);
        // Unhinted, as HarfBuzz's advances are: the light hinting that draws
        // the glyphs moves no advance.
        FT_Fixed advance = 0;
        if (FT_Get_Advance(face, glyph, FT_LOAD_NO_HINTING, &advance) != 0) continue;
        out.push_back(placed_glyph{run.font, glyph, at.x, 0});
        at.x += (advance + 512) >> 10;
    }
}

}  // namespace

std::vector<placed_glyph> lay_out_line(const std::u32string& text, line_fonts& fonts,
                                       const harfbuzz_library* hb) {
    std::vector<placed_glyph> glyphs;
    if (text.empty() || !fonts.usable()) return glyphs;
    std::vector<text_run> runs = split_into_runs(text, analyse_bidi(text), fonts);
    order_runs_visually(runs);
    pen at;
    for (const text_run& run : runs) {
        hb_font_t* shaper = hb ? fonts.shaper(run.font) : nullptr;
        if (shaper) {
            shape_with_harfbuzz(run, shaper, *hb, at, glyphs);
        } else if (FT_Face face = fonts.face(run.font)) {
            place_unshaped(run, face, at, glyphs);
        }
    }
    return glyphs;
}
