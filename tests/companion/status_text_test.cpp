// The status line's text in every script: the band the companion hands the X
// server against HarfBuzz and FreeType's own rendering of the line expected,
// in the same font at the same size, and the parts of the line that a name
// must never move.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>
#include <hb.h>

#include <optional>
#include <string>
#include <vector>

#include "companion/harfbuzz_library.h"
#include "companion/shown_text.h"
#include "companion/status_line.h"
#include "task_state/task_state.h"
#include "tests/support/case_names.h"
#include "tests/support/real_part.h"

namespace {

constexpr int band_width = 1000;
const companion_words english;

// A stretch of the expected line in one font and one direction, in the order
// of its characters; the stretches are listed from left to right.
struct segment {
    std::string family;
    std::string text;
    bool right_to_left = false;
};

struct font_file {
    std::string path;
    int index = 0;
};

std::optional<font_file> find_family(const std::string& family) {
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(family.c_str()));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return std::nullopt;
    FcChar8* file = nullptr;
    FcChar8* found_family = nullptr;
    font_file found;
    const bool named = FcPatternGetString(match, FC_FAMILY, 0, &found_family) == FcResultMatch &&
                       family == reinterpret_cast<const char*>(found_family);
    if (named && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        found.path = reinterpret_cast<const char*>(file);
        FcPatternGetInteger(match, FC_INDEX, 0, &found.index);
    }
    FcPatternDestroy(match);
    if (found.path.empty()) return std::nullopt;
    return found;
}

// The band as the libraries draw the segments: light on black, rows from the top.
class reference_band {
  public:
    reference_band() : grey_(static_cast<std::size_t>(band_width) * status_band_height, 0) {
        FT_Init_FreeType(&freetype_);
    }
    ~reference_band() { FT_Done_FreeType(freetype_); }

    // False, with the reason, when a font is not installed.
    bool draw(const std::vector<segment>& segments, std::string& missing) {
        long pen = 0;
        for (const segment& s : segments) {
            const std::optional<font_file> font = find_family(s.family);
            if (!font) {
                missing = s.family;
                return false;
            }
            draw_segment(*font, s, pen);
        }
        advance_ = pen;
        return true;
    }
    std::uint8_t at(int x, int y) const { return grey_[y * band_width + x]; }
    // Where the pen stands after the last segment, in whole pixels from the band's left.
    int pen_end() const { return status_text_left + static_cast<int>((advance_ + 32) >> 6); }

  private:
    void draw_segment(const font_file& font, const segment& s, long& pen) {
        FT_Face face = nullptr;
        ASSERT_EQ(FT_New_Face(freetype_, font.path.c_str(), font.index, &face), 0);
        FT_Set_Pixel_Sizes(face, 0, status_text_pixel_size);
        hb_blob_t* blob = hb_blob_create_from_file(font.path.c_str());
        hb_face_t* hb_face = hb_face_create(blob, static_cast<unsigned>(font.index));
        hb_font_t* hb_font = hb_font_create(hb_face);
        hb_font_set_scale(hb_font, status_text_pixel_size * 64, status_text_pixel_size * 64);
        hb_buffer_t* buffer = hb_buffer_create();
        hb_buffer_add_utf8(buffer, s.text.c_str(), -1, 0, -1);
        hb_buffer_set_direction(buffer, s.right_to_left ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
        hb_buffer_guess_segment_properties(buffer);
        hb_shape(hb_font, buffer, nullptr, 0);
        unsigned count = 0;
        const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer, &count);
        const hb_glyph_position_t* position = hb_buffer_get_glyph_positions(buffer, &count);
        for (unsigned i = 0; i < count; ++i) {
            paint(face, info[i].codepoint, pen + position[i].x_offset, position[i].y_offset);
            pen += position[i].x_advance;
        }
        hb_buffer_destroy(buffer);
        hb_font_destroy(hb_font);
        hb_face_destroy(hb_face);
        hb_blob_destroy(blob);
        FT_Done_Face(face);
    }

    void paint(FT_Face face, unsigned glyph, long x, long y) {
        if (FT_Load_Glyph(face, glyph, FT_LOAD_DEFAULT | FT_LOAD_TARGET_LIGHT) != 0) return;
        if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_LIGHT) != 0) return;
        const FT_Bitmap& bitmap = face->glyph->bitmap;
        const int left =
            status_text_left + static_cast<int>((x + 32) >> 6) + face->glyph->bitmap_left;
        const int top = status_band_height - status_text_baseline -
                        static_cast<int>((y + 32) >> 6) - face->glyph->bitmap_top;
        for (unsigned row = 0; row < bitmap.rows; ++row) {
            for (unsigned column = 0; column < bitmap.width; ++column) {
                const int px = left + static_cast<int>(column);
                const int py = top + static_cast<int>(row);
                if (px < 0 || px >= band_width || py < 0 || py >= status_band_height) continue;
                std::uint8_t& grey = grey_[py * band_width + px];
                grey = std::max(grey, bitmap.buffer[row * bitmap.pitch + column]);
            }
        }
    }

    FT_Library freetype_ = nullptr;
    std::vector<std::uint8_t> grey_;
    long advance_ = 0;
};

// Differing pixels, and the first of them, as text for a failure.
std::string differences(const band_picture& band, const reference_band& reference) {
    long count = 0;
    std::string first;
    for (int y = 0; y < status_band_height; ++y) {
        for (int x = 0; x < band_width; ++x) {
            if (band.grey_at(x, y) == reference.at(x, y)) continue;
            if (count++ == 0) {
                first = " first at (" + std::to_string(x) + "," + std::to_string(y) +
                        "): " + std::to_string(band.grey_at(x, y)) + " against " +
                        std::to_string(reference.at(x, y));
            }
        }
    }
    return count == 0 ? std::string() : std::to_string(count) + " pixels differ;" + first;
}

task_state line_state(const std::string& user_name) {
    task_state state;
    state.user_name = user_name;
    state.fraction_done = 0.4567;
    state.cpu_time = 3725.9;
    return state;
}

const char rest_of_line[] = "  45.7% done  1 hour 2 minutes 5 seconds processor time  running";
const char dejavu[] = "DejaVu Sans";

struct script_case {
    std::string name;
    std::string user_name;
    std::vector<segment> expected;
};

void PrintTo(const script_case& c, std::ostream* out) { *out << c.name; }

class StatusLineScripts : public testing::TestWithParam<script_case> {};

TEST_P(StatusLineScripts, BandIsTheLibrariesOwnRenderingOfTheLine) {
    ZF_REQUIRE_REAL_PART(host_harfbuzz(), "no libharfbuzz.so.0 to shape with");
    const script_case& c = GetParam();
    reference_band reference;
    std::vector<segment> expected = c.expected;
    expected.push_back(segment{dejavu, rest_of_line});
    std::string missing;
    const bool drawn = reference.draw(expected, missing);
    ZF_REQUIRE_REAL_PART(drawn, "font " + missing + " is not installed (scripts/setup.sh)");
    const band_picture band =
        draw_status_band(status_line_text(line_state(c.user_name), english), band_width, 600);
    ASSERT_EQ(band.width, band_width);
    ASSERT_EQ(band.height, status_band_height);
    EXPECT_EQ(differences(band, reference), "");
}

INSTANTIATE_TEST_SUITE_P(
    Names, StatusLineScripts,
    testing::Values(
        script_case{
            "latin_diacritics", "José Müller-Łukasiewicz", {{dejavu, "José Müller-Łukasiewicz"}}},
        script_case{"cyrillic", "Дмитрий Иванов", {{dejavu, "Дмитрий Иванов"}}},
        script_case{"greek", "Νίκος Καζαντζάκης", {{dejavu, "Νίκος Καζαντζάκης"}}},
        script_case{"chinese", "李明", {{"WenQuanYi Micro Hei", "李明"}}},
        // Runs of two fonts inside one left-to-right name keep their order.
        script_case{"chinese_between_latin",
                    "Li李明Ming",
                    {{dejavu, "Li"}, {"WenQuanYi Micro Hei", "李明"}, {dejavu, "Ming"}}},
        script_case{"japanese", "さくら 山田", {{"WenQuanYi Micro Hei", "さくら 山田"}}},
        script_case{"arabic_right_to_left", "محمد علي", {{dejavu, "محمد علي", true}}},
        script_case{"hebrew_right_to_left", "דוד כהן", {{dejavu, "דוד כהן", true}}},
        script_case{"devanagari_shaped", "प्रिया शर्मा", {{"Lohit Devanagari", "प्रिया शर्मा"}}},
        script_case{"emoji", "Ana 😀", {{dejavu, "Ana 😀"}}},
        // Each malformed sequence one replacement character, controls gone.
        script_case{"invalid_utf8_and_controls",
                    std::string("a\xff\xc3z\x01\x1b[2J\xc2\x85"
                                "b"),
                    {{dejavu, "a\uFFFD\uFFFDz[2Jb"}}},
        // The override turns the name's own tail, and no further.
        script_case{
            "right_to_left_override", "abc\u202Edef", {{dejavu, "abc"}, {dejavu, "def", true}}},
        // A glyph no installed font has: the first font's missing-glyph box.
        script_case{"no_font_has_it", "x\U000E0100\U0010FFFD", {{dejavu, "x\U0010FFFD"}}}),
    zf_test::by_case_name());

// Names that try to move or hide what follows them, each beside the same
// name without its controls: the percent and the status stay where they were.
TEST(StatusLineBidi, ControlsInANameCannotMoveTheRestOfTheLine) {
    const std::vector<std::pair<std::string, std::string>> names = {
        {"\u202Eabc", "abc"},
        {"abc\u2069\u202E", "abc"},
        {"\u2067abc", "abc"},
        {"abc\u202B\u05D0\u05D1", "abc\u05D0\u05D1"},
        {"\u05D0\u2069\u200F\u202D1", "\u05D01"},
        {"abc\u2029\u202E", "abc"},
    };
    for (const auto& [hostile, plain] : names) {
        const band_picture with_controls =
            draw_status_band(status_line_text(line_state(hostile), english), band_width, 600);
        const band_picture without =
            draw_status_band(status_line_text(line_state(plain), english), band_width, 600);
        reference_band name_only;
        std::string missing;
        ASSERT_TRUE(name_only.draw({{dejavu, "abc"}}, missing)) << missing;
        // The rest begins where a three-letter name ends, or further right.
        const int rest = name_only.pen_end();
        long differing = 0;
        for (int y = 0; y < status_band_height; ++y) {
            for (int x = rest; x < band_width; ++x)
                differing += with_controls.grey_at(x, y) != without.grey_at(x, y);
        }
        EXPECT_EQ(differing, 0) << "name " << encode_utf8(decode_utf8(hostile)).size()
                                << " bytes: " << status_line_text(line_state(hostile), english);
    }
}

TEST(StatusLineText, IsolatesTheNameAndBoundsItsLength) {
    task_state state = line_state("Ada Lovelace");
    EXPECT_EQ(status_line_text(state, english),
              "\u2068Ada Lovelace\u2069  45.7% done  1 hour 2 minutes 5 seconds processor time  "
              "running");
    state.suspended = true;
    state.user_name = std::string(300, 'x') + "\u2069";
    const std::u32string line = decode_utf8(status_line_text(state, english));
    ASSERT_EQ(line.substr(0, 1), U"\u2068");
    EXPECT_EQ(line.substr(longest_shown_name, 2), U"\u2026\u2069");
    EXPECT_EQ(line.find(U'\u2069'), longest_shown_name + 1);
    state.user_name.clear();
    state.finished = true;
    state.fraction_done = 2;
    state.cpu_time = 1e300;
    EXPECT_EQ(status_line_text(state, english),
              "100.0% done  99999 hours 59 minutes 59 seconds processor time  finished");
}

struct utf8_case {
    std::string name;
    std::string bytes;
    std::u32string decoded;
};

void PrintTo(const utf8_case& c, std::ostream* out) { *out << c.name; }

class Utf8Decoding : public testing::TestWithParam<utf8_case> {};

TEST_P(Utf8Decoding, EachMalformedSequenceIsOneReplacement) {
    EXPECT_EQ(decode_utf8(GetParam().bytes), GetParam().decoded);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, Utf8Decoding,
    testing::Values(utf8_case{"well_formed", "a\u00e9\u4e2d\U0001F600", U"a\u00e9\u4e2d\U0001F600"},
                    utf8_case{"overlong_slash", "\xc0\xaf", U"\uFFFD\uFFFD"},
                    utf8_case{"overlong_three", "\xe0\x80\xaf", U"\uFFFD\uFFFD\uFFFD"},
                    utf8_case{"surrogate", "\xed\xa0\x80", U"\uFFFD\uFFFD\uFFFD"},
                    utf8_case{"past_the_last", "\xf4\x90\x80\x80", U"\uFFFD\uFFFD\uFFFD\uFFFD"},
                    utf8_case{"truncated_then_ascii", "\xe4\xb8z", U"\uFFFDz"},
                    utf8_case{"lone_continuation", "\x80x", U"\uFFFDx"},
                    utf8_case{"truncated_at_end", "x\xf0\x9f\x98", U"x\uFFFD"}),
    zf_test::by_case_name());

TEST(HarfBuzzAtRunTime, AMissingLibraryLeavesTextUnshapedButInOrder) {
    EXPECT_EQ(load_harfbuzz("libharfbuzz-not-there.so.0"), nullptr);
    line_fonts fonts(status_text_family, status_text_pixel_size, nullptr);
    ASSERT_TRUE(fonts.usable());
    const band_geometry geometry{band_width, status_band_height, status_text_left,
                                 status_text_baseline};
    // Hebrew needs no shaping: unshaped, it must still read right to left.
    const band_picture unshaped = draw_text_band(
        decode_utf8("\u05D3\u05D5\u05D3 \u05DB\u05D4\u05DF"), geometry, fonts, nullptr);
    reference_band reference;
    std::string missing;
    ASSERT_TRUE(reference.draw({{dejavu, "\u05D3\u05D5\u05D3 \u05DB\u05D4\u05DF", true}}, missing));
    EXPECT_EQ(differences(unshaped, reference), "");
}

}  // namespace
