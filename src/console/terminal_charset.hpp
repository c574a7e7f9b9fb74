#pragma once

#include <optional>
#include <string>
#include <unordered_map>

#include "key_decoder.hpp"
#include "line_drawing_set.hpp"

namespace tavix::console {

// The bytes that show a glyph in one cell, and whether they are meant for the terminal's
// alternate (line-drawing) character set.
struct TerminalGlyph {
    std::string bytes;
    bool line_drawing = false;
};

// The character set a terminal takes and sends, as every curses program finds it: the
// locale's (LC_CTYPE). A UTF-8 locale gets UTF-8. Any other is an 8-bit or ASCII set, as
// on the VT220-class terminals of handhelds: a glyph the set has is its byte, a line or
// corner comes from the terminal's line-drawing set, and anything else a look-alike or '?',
// never a byte the terminal would take for something else.
class TerminalCharset {
  public:
    // UTF-8, for a terminal not set up yet.
    TerminalCharset() = default;
    // The character set of the locale in force; `lines` serves only an 8-bit set.
    static TerminalCharset OfLocale(const LineDrawingSet& lines);

    bool IsUtf8() const { return utf8_; }

    // What shows `glyph` in exactly one cell.
    const TerminalGlyph& Glyph(char32_t glyph);
    // What shows `glyph` where the alternate set cannot be switched on (a window title).
    std::string TextBytes(char32_t glyph) const;
    // What the bytes from 0x80 up that the terminal sends stand for; nothing for UTF-8.
    std::optional<UpperHalfCharacters> TypedCharacters() const;

  private:
    TerminalCharset(bool utf8, const LineDrawingSet& lines) : utf8_(utf8), lines_(lines) {}

    TerminalGlyph GlyphOnTerminal(char32_t glyph) const;

    bool utf8_ = true;
    LineDrawingSet lines_{""};
    std::unordered_map<char32_t, TerminalGlyph> glyphs_;
};

}  // namespace tavix::console
