#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tavix::store {

// The length of the well-formed UTF-8 sequence of two or more bytes at text[at], or 0 when
// none starts there (the ranges of the Unicode standard's table of well-formed sequences: no
// overlong forms, no surrogates, nothing above U+10FFFF).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at);

// True when the text is well-formed UTF-8 and holds no NUL, as a PostgreSQL text must.
bool IsStorableUtf8(std::string_view text);

// The text with each byte that is not part of a well-formed UTF-8 sequence, and each NUL,
// replaced by U+FFFD (the replacement character), as the JSON lines export writes them.
std::string WithReplacementCharacters(std::string_view text);

}  // namespace tavix::store
