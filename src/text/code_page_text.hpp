#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tavix::text {

// What a character of a UTF-8 text becomes when the code page (windows_1252.hpp) has no byte
// for it: the question mark, as the code page's own converters write it. A text holding such
// characters therefore does not come back byte for byte from the code page.
inline constexpr char kStandIn = '?';

// A text of the program's code page written as UTF-8. Pure ASCII comes back unchanged.
std::string Utf8FromCodePage(std::string_view text);

// A UTF-8 text in the program's code page, with kStandIn for each character the code page
// lacks; nothing when text is not well-formed UTF-8.
std::optional<std::string> CodePageFromUtf8(std::string_view text);

// True when every byte is below 128, the bytes on which UTF-8 and the code page agree.
bool IsAscii(std::string_view text);

}  // namespace tavix::text
