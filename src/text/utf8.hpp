#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tavix::text {

// Appends one Unicode code point to a UTF-8 text.
void AppendUtf8(std::string& out, char32_t code_point);

// The code points of a UTF-8 text, or nothing when the text is not well-formed UTF-8
// (a stray or missing continuation byte, an overlong form, a surrogate, a code point past
// U+10FFFF).
std::optional<std::u32string> DecodeUtf8(std::string_view text);

}  // namespace tavix::text
