#include "store/core/stored_text.hpp"

#include "text/code_page_text.hpp"
#include "text/utf8.hpp"

namespace tavix::store {

std::string StoredFormOf(std::string_view program_text) {
    return text::Utf8FromCodePage(program_text);
}

std::string ProgramFormOf(std::string_view stored_text) {
    std::optional<std::string> decoded = text::CodePageFromUtf8(stored_text);
    return decoded ? std::move(*decoded) : std::string(stored_text);
}

std::optional<std::string> OlderStoredFormOf(std::string_view program_text) {
    if (text::IsAscii(program_text) || text::DecodeUtf8(program_text)) {
        return std::nullopt;
    }
    return std::string(program_text);
}

}  // namespace tavix::store
