#include "companion/shown_text.h"

namespace {

constexpr char32_t replacement_character = 0xFFFD;
constexpr char32_t ellipsis = 0x2026;

bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The bounds of the second byte of a sequence by its lead (Unicode's table of
// well-formed UTF-8), which rule out overlong forms, surrogates and code
// points past U+10FFFF; zero length for a byte that cannot lead.
struct lead_byte {
    int length;
    unsigned char second_low;
    unsigned char second_high;
};

lead_byte classify_lead(unsigned char b) {
    if (b < 0x80) return {1, 0, 0};
    if (b >= 0xC2 && b <= 0xDF) return {2, 0x80, 0xBF};
    if (b == 0xE0) return {3, 0xA0, 0xBF};
    if (b == 0xED) return {3, 0x80, 0x9F};
    if (b >= 0xE1 && b <= 0xEF) return {3, 0x80, 0xBF};
    if (b == 0xF0) return {4, 0x90, 0xBF};
    if (b >= 0xF1 && b <= 0xF3) return {4, 0x80, 0xBF};
    if (b == 0xF4) return {4, 0x80, 0x8F};
    return {0, 0, 0};
}

}  // namespace

std::u32string decode_utf8(const std::string& bytes) {
    std::u32string out;
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const lead_byte kind = classify_lead(lead);
        if (kind.length == 1) {
            out += static_cast<char32_t>(lead);
            ++i;
            continue;
        }
        if (kind.length == 0) {
            out += replacement_character;
            ++i;
            continue;
        }
        char32_t c = lead & (0xFF >> (kind.length + 1));
        std::size_t taken = 1;
        for (; taken < static_cast<std::size_t>(kind.length) && i + taken < n; ++taken) {
            const auto next = static_cast<unsigned char>(bytes[i + taken]);
            const bool fits = taken == 1 ? next >= kind.second_low && next <= kind.second_high
                                         : is_continuation(next);
            if (!fits) break;
            c = (c << 6) | (next & 0x3F);
        }
        out += taken == static_cast<std::size_t>(kind.length) ? c : replacement_character;
        i += taken;
    }
    return out;
}

std::string encode_utf8(const std::u32string& code_points) {
    std::string out;
    for (char32_t c : code_points) {
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = replacement_character;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

bool is_kept_out_of_names(char32_t c) {
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) return true;
    if (c == 0x2028 || c == 0x2029) return true;
    return c >= 0x2066 && c <= 0x2069;
}

std::u32string shown_name(const std::string& bytes, std::size_t longest_code_points) {
    std::u32string name;
    for (const char32_t c : decode_utf8(bytes)) {
        if (!is_kept_out_of_names(c)) name += c;
    }
    if (name.size() > longest_code_points && longest_code_points > 0) {
        name.resize(longest_code_points - 1);
        name += ellipsis;
    }
    return name;
}

std::string printable_ascii(const std::string& text) {
    std::string shown = text;
    for (char& c : shown) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7e) c = '?';
    }
    return shown;
}
