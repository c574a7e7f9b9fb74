#include "code_page.hpp"

#include <array>

#include "text/windows_1252.hpp"

namespace tavix::console {

namespace {

// The PC character set's pictures of the control codes 0 to 31.
constexpr std::array<char32_t, 32> kControlGlyphs = {
    U' ',      U'\u263A', U'\u263B', U'\u2665', U'\u2666', U'\u2663', U'\u2660', U'\u2022',
    U'\u25D8', U'\u25CB', U'\u25D9', U'\u2642', U'\u2640', U'\u266A', U'\u266B', U'\u263C',
    U'\u25BA', U'\u25C4', U'\u2195', U'\u203C', U'\u00B6', U'\u00A7', U'\u25AC', U'\u21A8',
    U'\u2191', U'\u2193', U'\u2192', U'\u2190', U'\u221F', U'\u2194', U'\u25B2', U'\u25BC',
};

constexpr char32_t kDelGlyph = U'\u2302';
constexpr unsigned char kDel = 127;

// Control codes (C0, DEL and the C1 codes the code page's undefined bytes stand for) are
// characters of a text but nothing anyone types or the screen can show as such.
bool IsControl(char32_t character) {
    return character < 32 || character == kDel || (character >= 0x80 && character < 0xA0);
}

}  // namespace

char32_t GlyphOfByte(unsigned char byte) {
    if (byte < kControlGlyphs.size()) {
        return kControlGlyphs[byte];
    }
    if (byte == kDel) {
        return kDelGlyph;
    }
    const char32_t character = text::CharacterOfByte(byte);
    return IsControl(character) ? U' ' : character;
}

std::optional<unsigned char> ByteOfCharacter(char32_t character) {
    if (IsControl(character)) {
        return std::nullopt;
    }
    return text::ByteOfCharacter(character);
}

}  // namespace tavix::console
