#pragma once

#include <optional>

namespace tavix::console {

// The program's texts are single-byte, in the Western Windows code page: bytes 32 to 126
// are ASCII, 128 to 159 the code page's signs (euro, quotes, ...), 160 to 255 the Latin-1
// letters. Control codes 1 to 31 show as the glyphs of the PC character set, so code 16 is
// the right-pointing triangle.

// The glyph a byte shows as. Bytes without a glyph (0 and the code page's holes) show as a
// blank.
char32_t GlyphOfByte(unsigned char byte);

// The byte a typed character stands for, or nothing when the code page has no such
// character (the program cannot take it).
std::optional<unsigned char> ByteOfCharacter(char32_t character);

}  // namespace tavix::console
