#pragma once

#include <map>
#include <optional>
#include <string_view>

namespace tavix::console {

// The lines, corners and few signs a terminal draws in its alternate character set, as its
// terminfo entry lists them (acsc: pairs of the VT100 letter and the byte the terminal takes
// for it). A terminal with an 8-bit or ASCII character set has no other way to draw a frame.
class LineDrawingSet {
  public:
    // `acsc` may be empty: the terminal then draws no lines at all.
    explicit LineDrawingSet(std::string_view acsc);

    // The byte that draws `glyph` with the alternate set switched on. A double line the
    // terminal lacks is drawn single; nothing when the terminal has neither.
    std::optional<char> ByteOf(char32_t glyph) const;

    // The ASCII character that stands for a line glyph where no alternate set draws it
    // ('+' for a corner, '-', '|', ...), or nothing when `glyph` is no line glyph.
    static std::optional<char> AsciiStandIn(char32_t glyph);

  private:
    std::optional<char> TerminalByteOfLetter(char letter) const;

    std::map<char, char> bytes_of_letters_;
};

}  // namespace tavix::console
