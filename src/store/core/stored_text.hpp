#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tavix::store {

// Texts cross the store's edge here. The program's texts are single bytes of its code page
// (text/windows_1252.hpp); the file's texts are UTF-8, as every other program that reads it
// expects. A stored text that is not well-formed UTF-8 (from an older file or another tool)
// comes back byte for byte, so it is still shown and found as it was. A UTF-8 character the
// code page lacks comes back as text::kStandIn.

// The UTF-8 form a program text is stored in.
std::string StoredFormOf(std::string_view program_text);

// A stored text as the program reads it.
std::string ProgramFormOf(std::string_view stored_text);

// The other stored form that reads as this program text: the bytes themselves when they are
// not UTF-8, as an older file holds them. Nothing when the bytes are UTF-8 (stored, they would
// read as another text) or ASCII (the same as the UTF-8 form).
std::optional<std::string> OlderStoredFormOf(std::string_view program_text);

}  // namespace tavix::store
