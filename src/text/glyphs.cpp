#include "text/glyphs.hpp"

#include <array>

#include "text/code_page_text.hpp"
#include "text/utf8.hpp"
#include "text/windows_1252.hpp"

namespace tavix::text {

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

// The two bytes of UTF-8 that write U+0080 to U+009F.
bool IsC1Sequence(std::string_view text, std::size_t at, std::size_t length) {
    return length == 2 && static_cast<unsigned char>(text[at]) == 0xC2 &&
           static_cast<unsigned char>(text[at + 1]) < 0xA0;
}

}  // namespace

bool IsControlCharacter(char32_t character) {
    return character < 32 || character == kDel || (character >= 0x80 && character < 0xA0);
}

char32_t GlyphOfByte(unsigned char byte) {
    if (byte < kControlGlyphs.size()) {
        return kControlGlyphs[byte];
    }
    if (byte == kDel) {
        return kDelGlyph;
    }
    const char32_t character = CharacterOfByte(byte);
    return IsControlCharacter(character) ? U' ' : character;
}

std::string TerminalText(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        const std::size_t length = Utf8SequenceLength(text, at);
        if (length == 0 || (length == 1 && IsControlCharacter(byte))) {
            AppendUtf8(shown, GlyphOfByte(byte));
            ++at;
            continue;
        }
        if (IsC1Sequence(text, at, length)) {
            shown.push_back(kStandIn);
        } else {
            shown.append(text, at, length);
        }
        at += length;
    }
    return shown;
}

}  // namespace tavix::text
