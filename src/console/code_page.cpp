#include "code_page.hpp"

#include "text/glyphs.hpp"
#include "text/windows_1252.hpp"

namespace tavix::console {

std::optional<unsigned char> ByteOfCharacter(char32_t character) {
    if (text::IsControlCharacter(character)) {
        return std::nullopt;
    }
    return text::ByteOfCharacter(character);
}

}  // namespace tavix::console
