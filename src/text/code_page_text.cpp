#include "code_page_text.hpp"

#include "utf8.hpp"
#include "windows_1252.hpp"

namespace tavix::text {

bool IsAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

std::string Utf8FromCodePage(std::string_view text) {
    if (IsAscii(text)) {
        return std::string(text);
    }
    std::string utf8;
    utf8.reserve(text.size() + text.size() / 2);
    for (const char c : text) {
        AppendUtf8(utf8, CharacterOfByte(static_cast<unsigned char>(c)));
    }
    return utf8;
}

std::optional<std::string> CodePageFromUtf8(std::string_view text) {
    if (IsAscii(text)) {
        return std::string(text);
    }
    const std::optional<std::u32string> characters = DecodeUtf8(text);
    if (!characters) {
        return std::nullopt;
    }
    std::string bytes;
    bytes.reserve(characters->size());
    for (const char32_t character : *characters) {
        const std::optional<unsigned char> byte = ByteOfCharacter(character);
        bytes.push_back(byte ? static_cast<char>(*byte) : kStandIn);
    }
    return bytes;
}

}  // namespace tavix::text
