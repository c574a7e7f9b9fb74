#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tavix::text {

// The length of the well-formed UTF-8 sequence that starts at text[at] (1 for an ASCII byte, NUL
// included), or 0 when none starts there: the ranges of the Unicode standard's table of
// well-formed sequences, so no overlong form, no surrogate, nothing past U+10FFFF.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at);

// Appends one Unicode code point to a UTF-8 text.
void AppendUtf8(std::string& out, char32_t code_point);

// The code points of a UTF-8 text, or nothing when the text is not well-formed UTF-8
// (a stray or missing continuation byte, an overlong form, a surrogate, a code point past
// U+10FFFF).
std::optional<std::u32string> DecodeUtf8(std::string_view text);

}  // namespace tavix::text
