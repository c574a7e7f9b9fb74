#include "line_drawing_set.hpp"

#include <array>

namespace tavix::console {

namespace {

// A glyph the console draws, the VT100 letter that names it in acsc, and what stands for it in
// ASCII. The double lines' letters are the curses extension; where a terminal lacks them the
// glyph's single form is drawn instead.
struct LineGlyph {
    char32_t glyph;
    char letter;
    char ascii;
    char32_t single_form = 0;
};

constexpr std::array kLineGlyphs = {
    LineGlyph{U'\u2500', 'q', '-'},
    LineGlyph{U'\u2502', 'x', '|'},
    LineGlyph{U'\u250C', 'l', '+'},
    LineGlyph{U'\u2510', 'k', '+'},
    LineGlyph{U'\u2514', 'm', '+'},
    LineGlyph{U'\u2518', 'j', '+'},
    LineGlyph{U'\u251C', 't', '+'},
    LineGlyph{U'\u2524', 'u', '+'},
    LineGlyph{U'\u2534', 'v', '+'},
    LineGlyph{U'\u252C', 'w', '+'},
    LineGlyph{U'\u253C', 'n', '+'},
    LineGlyph{U'\u2550', 'R', '-', U'\u2500'},
    LineGlyph{U'\u2551', 'Y', '|', U'\u2502'},
    LineGlyph{U'\u2554', 'C', '+', U'\u250C'},
    LineGlyph{U'\u2557', 'B', '+', U'\u2510'},
    LineGlyph{U'\u255A', 'D', '+', U'\u2514'},
    LineGlyph{U'\u255D', 'A', '+', U'\u2518'},
    LineGlyph{U'\u2560', 'G', '+', U'\u251C'},
    LineGlyph{U'\u2563', 'F', '+', U'\u2524'},
    LineGlyph{U'\u2569', 'H', '+', U'\u2534'},
    LineGlyph{U'\u2566', 'I', '+', U'\u252C'},
    LineGlyph{U'\u256C', 'E', '+', U'\u253C'},
    // The shades, the block, the arrows and the signs of the PC glyphs the set has.
    LineGlyph{U'\u2591', 'h', '#'},
    LineGlyph{U'\u2592', 'a', ':'},
    LineGlyph{U'\u2593', 'a', '#'},
    LineGlyph{U'\u2588', '0', '#'},
    LineGlyph{U'\u25BA', '+', '>'},
    LineGlyph{U'\u25C4', ',', '<'},
    LineGlyph{U'\u25B2', '-', '^'},
    LineGlyph{U'\u25BC', '.', 'v'},
    LineGlyph{U'\u2666', '`', '+'},
    LineGlyph{U'\u2022', '~', 'o'},
    LineGlyph{U'\u2264', 'y', '<'},
    LineGlyph{U'\u2265', 'z', '>'},
    LineGlyph{U'\u03C0', '{', '*'},
    LineGlyph{U'\u2260', '|', '!'},
};

const LineGlyph* FindLineGlyph(char32_t glyph) {
    for (const LineGlyph& line : kLineGlyphs) {
        if (line.glyph == glyph) {
            return &line;
        }
    }
    return nullptr;
}

}  // namespace

LineDrawingSet::LineDrawingSet(std::string_view acsc) {
    for (std::size_t i = 0; i + 1 < acsc.size(); i += 2) {
        bytes_of_letters_[acsc[i]] = acsc[i + 1];
    }
}

std::optional<char> LineDrawingSet::ByteOf(char32_t glyph) const {
    const LineGlyph* line = FindLineGlyph(glyph);
    if (line == nullptr) {
        return std::nullopt;
    }
    if (const auto byte = TerminalByteOfLetter(line->letter)) {
        return byte;
    }
    return line->single_form != 0 ? ByteOf(line->single_form) : std::nullopt;
}

std::optional<char> LineDrawingSet::AsciiStandIn(char32_t glyph) {
    const LineGlyph* line = FindLineGlyph(glyph);
    return line != nullptr ? std::optional<char>(line->ascii) : std::nullopt;
}

std::optional<char> LineDrawingSet::TerminalByteOfLetter(char letter) const {
    const auto found = bytes_of_letters_.find(letter);
    return found != bytes_of_letters_.end() ? std::optional<char>(found->second) : std::nullopt;
}

}  // namespace tavix::console
