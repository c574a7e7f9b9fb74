#pragma once

#include <optional>

#include "text/glyphs.hpp"

namespace tavix::console {

// The program's texts are single-byte, in the Western Windows code page: bytes 32 to 126
// are ASCII, 128 to 159 the code page's signs (euro, quotes, ...), 160 to 255 the Latin-1
// letters. The glyph each byte shows as is the text layer's, which tavix-admin shares.
using text::GlyphOfByte;

// The byte a typed character stands for, or nothing when the code page has no such
// character (the program cannot take it).
std::optional<unsigned char> ByteOfCharacter(char32_t character);

}  // namespace tavix::console
