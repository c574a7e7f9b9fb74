#pragma once

#include <optional>

namespace tavix::text {

// The program's single-byte code page, the Western Windows one: bytes 0 to 127 are ASCII
// (control codes included), 128 to 159 the code page's signs (euro, typographic quotes, ...)
// and 160 to 255 the Latin-1 letters, each byte standing for the code point of equal number.
// The five bytes the code page leaves undefined (129, 141, 143, 144, 157) stand for the C1
// control codes of equal number, so that every byte has a character and every text of the
// code page survives a round trip through Unicode.

// The character a byte stands for.
char32_t CharacterOfByte(unsigned char byte);

// The byte that stands for a character, or nothing when the code page has no such character.
std::optional<unsigned char> ByteOfCharacter(char32_t character);

// True for the bytes 128 to 159 that have no character of their own (see above).
bool IsUndefinedByte(unsigned char byte);

}  // namespace tavix::text
