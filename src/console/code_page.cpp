#include "code_page.hpp"

#include <array>

namespace tavix::console {

namespace {

// The PC character set's pictures of the control codes 0 to 31.
constexpr std::array<char32_t, 32> kControlGlyphs = {
    U' ',      U'\u263A', U'\u263B', U'\u2665', U'\u2666', U'\u2663', U'\u2660', U'\u2022',
    U'\u25D8', U'\u25CB', U'\u25D9', U'\u2642', U'\u2640', U'\u266A', U'\u266B', U'\u263C',
    U'\u25BA', U'\u25C4', U'\u2195', U'\u203C', U'\u00B6', U'\u00A7', U'\u25AC', U'\u21A8',
    U'\u2191', U'\u2193', U'\u2192', U'\u2190', U'\u221F', U'\u2194', U'\u25B2', U'\u25BC',
};

// Bytes 128 to 159 of the Western Windows code page; 0 marks a byte without a character.
constexpr std::array<char32_t, 32> kHighControlGlyphs = {
    U'\u20AC', 0,         U'\u201A', U'\u0192', U'\u201E', U'\u2026', U'\u2020', U'\u2021',
    U'\u02C6', U'\u2030', U'\u0160', U'\u2039', U'\u0152', 0,         U'\u017D', 0,
    0,         U'\u2018', U'\u2019', U'\u201C', U'\u201D', U'\u2022', U'\u2013', U'\u2014',
    U'\u02DC', U'\u2122', U'\u0161', U'\u203A', U'\u0153', 0,         U'\u017E', U'\u0178',
};

constexpr char32_t kDelGlyph = U'\u2302';

}  // namespace

char32_t GlyphOfByte(unsigned char byte) {
    if (byte < 32) {
        return kControlGlyphs[byte];
    }
    if (byte == 127) {
        return kDelGlyph;
    }
    if (byte >= 128 && byte < 160) {
        const char32_t glyph = kHighControlGlyphs[byte - 128];
        return glyph == 0 ? U' ' : glyph;
    }
    return byte;
}

std::optional<unsigned char> ByteOfCharacter(char32_t character) {
    if ((character >= 32 && character < 127) || (character >= 160 && character <= 255)) {
        return static_cast<unsigned char>(character);
    }
    for (size_t i = 0; i < kHighControlGlyphs.size(); ++i) {
        if (kHighControlGlyphs[i] != 0 && kHighControlGlyphs[i] == character) {
            return static_cast<unsigned char>(128 + i);
        }
    }
    return std::nullopt;
}

}  // namespace tavix::console
