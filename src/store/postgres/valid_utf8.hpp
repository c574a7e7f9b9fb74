#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tavix::store::postgres {

// True when the text is well-formed UTF-8 and holds no NUL, as a PostgreSQL text must.
bool IsStorableUtf8(std::string_view text);

// The text with each byte that is not part of a well-formed UTF-8 sequence, and each NUL,
// replaced by U+FFFD (the replacement character), as the JSON lines export writes them.
std::string WithReplacementCharacters(std::string_view text);

}  // namespace tavix::store::postgres
