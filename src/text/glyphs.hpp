#pragma once

#include <string>
#include <string_view>

namespace tavix::text {

// How the program shows a text's characters on a terminal, where a control code would move the
// cursor, change colours or start an escape sequence. Control codes 1 to 31 show as the glyphs
// of the PC character set, so code 16 is the right-pointing triangle, and DEL as a house.

// Control codes (C0, DEL and the C1 codes the code page's undefined bytes stand for) are
// characters of a text but nothing anyone types or the screen can show as such.
bool IsControlCharacter(char32_t character);

// The glyph a byte of the program's code page (windows_1252.hpp) shows as. Bytes without a
// glyph (0 and the code page's holes) show as a blank.
char32_t GlyphOfByte(unsigned char byte);

// A UTF-8 text, a stored value among them, as a terminal may be sent it: each C0 control code
// and DEL as its glyph, each C1 control code as kStandIn, and each byte that is not part of
// well-formed UTF-8 as the screens show that byte (GlyphOfByte). The rest stays as it is.
std::string TerminalText(std::string_view text);

}  // namespace tavix::text
