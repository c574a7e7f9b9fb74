#pragma once

#include <string>
#include <string_view>

namespace tavix::admin {

// text as a JSON string, quotes included. Control characters, '"' and '\' are escaped; every
// byte that is not part of a well-formed UTF-8 sequence becomes \ufffd (the replacement
// character), so the line is valid UTF-8 and valid JSON whatever the store holds.
void AppendJsonString(std::string& out, std::string_view text);

}  // namespace tavix::admin
